#!/usr/bin/env bash
# install_test.sh BUILD_DIR SOURCE_DIR: installs the build into a temporary folder with
# `cmake --install` and checks what a desktop reads: the programs in bin, the desktop entry
# (desktop-file-validate), the AppStream file (appstreamcli validate --no-net) with the README's
# screenshot, and the icon as SVG and as 48, 128 and 256 px PNGs.
# Exits 77 (skipped) when the validators are missing, unless VELDO_REQUIRE_DESKTOP_TOOLS is set
# (scripts/test sets it: scripts/install-deps brings them).
set -euo pipefail
build=$1 source=$2
id=io.github.veldo.Veldo

for tool in desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool missing (package desktop-file-utils / appstream)"
    [ -n "${VELDO_REQUIRE_DESKTOP_TOOLS:-}" ] && exit 1
    exit 77
  fi
done

dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
cmake --install "$build" --prefix "$dest/usr" >/dev/null
share=$dest/usr/share
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for program in veldo veldo-play veldo-sample-site; do
  [ -x "$dest/usr/bin/$program" ] || fail "bin/$program not installed"
done
desktop=$share/applications/$id.desktop
metainfo=$share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $metainfo"
grep -qx "Exec=veldo" "$desktop" || fail "the entry does not start veldo"
grep -qx "Icon=$id" "$desktop" || fail "the entry does not name the icon $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the AppStream file does not launch $id.desktop"
# The screenshot of the AppStream file is the README's.
shot=$(sed -n 's:.*<image>.*/\(docs/[^<]*\)</image>.*:\1:p' "$metainfo")
[ -n "$shot" ] && [ -f "$source/$shot" ] && grep -q "($shot)" "$source/README.md" ||
  fail "the AppStream screenshot '$shot' is not the README's"

svg=$share/icons/hicolor/scalable/apps/$id.svg
cmp -s "$svg" "$source/desktop/$id.svg" || fail "the SVG icon differs from desktop/$id.svg"
for size in 48 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/$id.png
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png" 2>/dev/null) || true
  width=$(( (${w1:-0} << 24) + (${w2:-0} << 16) + (${w3:-0} << 8) + ${w4:-0} ))
  height=$(( (${h1:-0} << 24) + (${h2:-0} << 16) + (${h3:-0} << 8) + ${h4:-0} ))
  [ "$width" = "$size" ] && [ "$height" = "$size" ] ||
    fail "$png is ${width}x${height}, not ${size}x${size}"
done

[ $failed -eq 0 ] && echo "installed files valid"
exit $failed
