#!/usr/bin/env bash
# package_test.sh DEB_DIR: installs veldo_*.deb and veldo-sample-site_*.deb from DEB_DIR with
# apt-get, starts veldo-sample-site and veldo from PATH under Xvfb on a private session bus,
# searches a sound with the keyboard, plays it (SDL's disk driver), pauses it with playerctl,
# downloads it into the user's music folder, quits through MPRIS, and removes both packages
# again, pass or fail. The programs run in a private network namespace, so the ports built into
# the packages are free whoever else is testing on this machine.
# Exits 77 (skipped) when DEB_DIR holds no package, unless VELDO_REQUIRE_PACKAGE is set
# (scripts/test sets it after scripts/package).
set -uo pipefail
dir=$1
id=io.github.veldo.Veldo
shopt -s nullglob
player_debs=("$dir"/veldo_*.deb)
site_debs=("$dir"/veldo-sample-site_*.deb)
if [ ${#player_debs[@]} -ne 1 ] || [ ${#site_debs[@]} -ne 1 ]; then
  echo "no packages in $dir (bash scripts/package makes them)"
  [ -n "${VELDO_REQUIRE_PACKAGE:-}" ] && exit 1
  exit 77
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "installing a package needs root"
  [ -n "${VELDO_REQUIRE_PACKAGE:-}" ] && exit 1
  exit 77
fi

apt() { apt-get -o DPkg::Lock::Timeout=300 -y -q "$@"; }
remove_packages() { DEBIAN_FRONTEND=noninteractive apt purge veldo veldo-sample-site >/dev/null 2>&1; }
work=$(mktemp -d)
chmod 755 "$work"
[ -e /usr/bin/musics ] && musics_was_there=1 || musics_was_there=0
cleanup() {
  remove_packages
  [ $musics_was_there -eq 1 ] || rm -rf /usr/bin/musics
  if dpkg-query -W -f='${Status}' veldo 2>/dev/null | grep -q installed ||
     dpkg-query -W -f='${Status}' veldo-sample-site 2>/dev/null | grep -q installed; then
    echo "FAIL: the packages could not be removed"
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
remove_packages # left over from a run that was killed

failed=0
fail() { echo "FAIL: $*"; failed=1; }

DEBIAN_FRONTEND=noninteractive apt install --no-install-recommends \
  "$(realpath "${player_debs[0]}")" "$(realpath "${site_debs[0]}")" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install"; exit 1; }
[ "$(command -v veldo)" = /usr/bin/veldo ] || fail "veldo is not /usr/bin/veldo on PATH"
command -v veldo-play >/dev/null || fail "veldo-play is not on PATH"
desktop-file-validate /usr/share/applications/$id.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/$id.metainfo.xml || fail "appstreamcli validate"
[ -f /usr/share/icons/hicolor/256x256/apps/$id.png ] || fail "no 256 px icon"

mkdir -p "$work/home"
cat >"$work/session.sh" <<'SESSION'
set -u
veldo-sample-site >"$WORK/site.log" 2>&1 & site=$!
for i in $(seq 1 100); do grep -q sound_id= "$WORK/site.log" && break; sleep 0.1; done
page=$(sed -n 's|.*pages at http://\([^/]*\)/.*|\1|p' "$WORK/site.log")
sound=$(sed -n 's|.*sound_id=\([0-9]*\).*|\1|p' "$WORK/site.log")
veldo & pid=$!
# until_ CONDITION...: waits up to a minute for it.
until_() { for i in $(seq 1 300); do "$@" && return 0; sleep 0.2; done; echo "gave up on: $*"; }
status_is() { [ "$(playerctl --player=veldo status 2>/dev/null)" = "$1" ]; }
titled() { [ -n "$(playerctl --player=veldo metadata title 2>/dev/null)" ]; }
windows_shown() { [ "$(xdotool search --onlyvisible --classname veldo | wc -l)" -ge "$1" ]; }
# Half a second of stereo sound louder than near-silence reached the speaker.
heard() {
  [ "$(od -An -td2 -v -w2 "$SDL_DISKAUDIOFILE" 2>/dev/null |
       awk '$1 > 500 || $1 < -500 { n++ } END { print n + 0 }')" -gt 44100 ]
}
saved() { ls "$HOME"/Music/musics/*.mp3 >/dev/null 2>&1; }
timeout 30 xdotool search --sync --onlyvisible --classname veldo >/dev/null || echo "no window"
until_ status_is Stopped # on the bus: the window is up and answering
# The search box (the main window stands at 50, 50), the sound's page address, Enter.
xdotool mousemove 400 113 click 1 key ctrl+a type "http://$page/sound/$sound"
xdotool key Return
until_ titled
xdotool key space
until_ status_is Playing
until_ heard
echo "title $(playerctl --player=veldo metadata title)"
echo "status $(playerctl --player=veldo status)"
playerctl --player=veldo play-pause
until_ status_is Paused
echo "status $(playerctl --player=veldo status)"
xdotool mousemove 550 237 click 1
until_ saved
until_ windows_shown 2 # the main window and "完成"
xdotool key Return
dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.veldo /org/mpris/MediaPlayer2 \
  org.mpris.MediaPlayer2.Quit >/dev/null
( sleep 10; kill -9 $pid 2>/dev/null ) & guard=$!
wait $pid; echo "exit $?"
kill $guard 2>/dev/null
kill $site; wait $site
echo finished
SESSION

# HOME and XDG_CONFIG_HOME make the user's music folder $HOME/Music.
timeout 180 env -u DBUS_SESSION_BUS_ADDRESS -u QT_QPA_PLATFORM HOME="$work/home" \
  XDG_CONFIG_HOME="$work/home/.config" WORK="$work" SDL_AUDIODRIVER=disk \
  SDL_DISKAUDIOFILE="$work/speaker.raw" \
  unshare --net sh -c 'ip link set lo up && exec dbus-run-session -- \
    xvfb-run -a -s "-screen 0 1280x800x24" bash "$WORK/session.sh"' >"$work/session.log" 2>&1
cat "$work/session.log"

grep -q "^finished" "$work/session.log" || fail "the session did not finish"
grep "^gave up on" "$work/session.log" && fail "a step of the session did not happen"
grep -q "^status Playing" "$work/session.log" || fail "Space did not play, as playerctl sees it"
grep -q "^status Paused" "$work/session.log" || fail "playerctl play-pause did not pause"
grep -q "^exit 0" "$work/session.log" || fail "the MPRIS Quit did not end veldo with code 0"
title=$(sed -n 's/^title //p' "$work/session.log")
[ -n "$title" ] || fail "no title on the bus"
# Heard: samples louder than near-silence reached the speaker.
loud=$(od -An -td2 -v -w2 "$work/speaker.raw" 2>/dev/null |
  awk '$1 > 500 || $1 < -500 { n++ } END { print n + 0 }')
[ "$loud" -gt 44100 ] || fail "the speaker heard $loud loud samples"
# The installed program saves into the user's music folder, never beside itself.
[ -s "$work/home/Music/musics/$title.mp3" ] || fail "no $title.mp3 in the user's music folder"
[ ! -e /usr/bin/musics ] || fail "a musics folder appeared in /usr/bin"

[ $failed -eq 0 ] && echo "package installed, played, downloaded and removed"
exit $failed
