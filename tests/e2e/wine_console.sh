#!/usr/bin/env bash
# The Windows program in a console under wine, in a real terminal (tmux):
# its caption as the title, the picture in shade characters and many
# colours, a key changing the style, Escape ending it with status 0. (Wine's
# console in a terminal does not draw the user's screen again when the
# show's screen is put away, as a Windows console does.)
# usage: wine_console.sh WINE_LOADER CELLRUNE.EXE SHOW_DIR
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux
use_wine "$1"
exe=$(realpath "$2") show_dir=$3

colour_codes() { t capture-pane -e -p | grep -o $'\e\\[[0-9;]*m' | sort -u | wc -l; }
shaded_picture() { [ "$(colour_codes)" -ge 8 ] && t capture-pane -p | grep -q '[░▒▓]'; }
ramp_shown() { t capture-pane -p | grep -q '[$@B%8&WMo#*]'; }

new_server
new_session -x 80 -y 50 -c "$show_dir" "bash --norc --noprofile"
t send-keys "clear; echo before-the-show; $wine $exe 2>$work/stderr; echo status=\$? > $work/status" Enter
wait_for 30 title_is "-[ CELLRUNE ]-" || fail "no caption; title is '$(pane_title)'"
wait_for 20 shaded_picture || fail "expected shade characters in many colours, saw $(colour_codes) colour codes"
t capture-pane -e -p >"$work/console.txt"

t send-keys 2
wait_for 10 title_is "New Text Document.txt - Notepad" || fail "'2' did not switch: title '$(pane_title)'"
wait_for 10 ramp_shown || fail "no ASCII ramp characters after '2'"

t send-keys Escape
wait_for 15 file_exists "$work/status" || fail "Escape did not end the show"
[ "$(cat "$work/status")" = status=0 ] || fail "ended with $(cat "$work/status")"
echo "PASS: wine console ($(grep -o $'\e\\[[0-9;]*m' "$work/console.txt" | sort -u | wc -l) colour codes)"
