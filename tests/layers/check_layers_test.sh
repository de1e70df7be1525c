#!/usr/bin/env bash
# check_layers_test.sh SOURCE_DIR: scripts/check-layers passes on the real tree, and on a copy
# given includes the wrong way, and a link its table does not name, it names each and fails.
set -uo pipefail
source=$1
check=$source/scripts/check-layers
failed=0
fail() { echo "FAIL: $*"; failed=1; }

output=$("$check" "$source" 2>&1)
[ $? -eq 0 ] || fail "the real tree does not pass: $output"
[ -z "$output" ] || fail "the real tree printed: $output"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
cp -r "$source/src" "$source/README.md" "$tree/"
# Downwards, and through a library linked by a linked one: both allowed.
echo '#include "platform/codepage/code_page.h"' >>"$tree/src/site/file_name.cpp"
# Upwards, sideways, by a relative path and from a folder the table does not know.
gui=$tree/src/platform/gui/control_ops.cpp
echo '#include "web/charset.h"' >>"$gui"
gui_line=$(wc -l <"$gui")
echo '#include "app/main_window.h"' >>"$tree/src/player/time_text.h"
player_line=$(wc -l <"$tree/src/player/time_text.h")
echo '#include "platform/net/url_fetch.h"' >>"$tree/src/platform/gui/place_control.h"
net_line=$(wc -l <"$tree/src/platform/gui/place_control.h")
echo '#include "../app/main_window.h"' >>"$tree/src/site/download.h"
relative_line=$(wc -l <"$tree/src/site/download.h")
mkdir "$tree/src/stray" && echo '#include "app/main_window.h"' >"$tree/src/stray/stray.cpp"

# The build links the player to the web layer, which its row does not name.
sed -i 's/^\(  veldo_library(veldo_player .*LINKS veldo_forms\))$/\1 veldo_web)/' "$tree/src/CMakeLists.txt"
grep -q 'veldo_player .*veldo_web)$' "$tree/src/CMakeLists.txt" || fail "could not change src/CMakeLists.txt"

output=$("$check" "$tree" 2>&1)
status=$?
[ $status -eq 1 ] || fail "exit status $status on wrong-way includes, not 1"
expect() {
  grep -qxF "$1" <<<"$output" || fail "missing line: $1"
}
expect "src/platform/gui/control_ops.cpp:$gui_line: platform/gui (veldo_gui) may not include web/charset.h (veldo_web)"
expect "src/player/time_text.h:$player_line: player (veldo_player) may not include app/main_window.h (veldo_app)"
expect "src/platform/gui/place_control.h:$net_line: platform/gui (veldo_gui) may not include platform/net/url_fetch.h (veldo_net)"
expect "src/site/download.h:$relative_line: site (veldo_site) may not include ../app/main_window.h (veldo_app)"
expect "src/stray/stray.cpp: src/stray/stray.cpp lies in no layer of README.md's table"
expect "src/CMakeLists.txt: veldo_player links veldo_web, which its row does not name"
lines=$(grep -c . <<<"$output")
[ "$lines" -eq 6 ] || fail "$lines lines instead of 6: $output"

[ $failed -eq 0 ] && echo "check-layers: passes the tree, names each wrong-way include"
exit $failed
