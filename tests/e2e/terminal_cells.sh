#!/usr/bin/env bash
# The picture's shape and the pixel styles in a terminal without a display
# (tmux): at 160 x 50 each text cell takes two columns; a pixel style shows
# half blocks with its caption as the title, '1' brings the text style back
# and Escape restores the terminal. At 120 x 50, or once the terminal reports
# square (10 x 10 pixel) cells, a text cell takes one column.
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux python3
bin=$1
show_dir="$(dirname "$bin")/show"

# True when every text cell on row 25 shows as two equal columns.
doubled() {
  t capture-pane -p >"$work/plain"
  python3 - "$work/plain" <<'PY'
import sys
row = open(sys.argv[1], encoding="utf-8").read().split("\n")[25]
sys.exit(0 if len(row) >= 150 and all(row[i] == row[i + 1] for i in range(0, len(row) - 1, 2)) else 1)
PY
}

sized_show() { # columns rows
  new_server
  rm -f "$work/after" "$work/status"
  new_session -x "$1" -y "$2" -c "$show_dir" \
    "stty -g > $work/before; env -u DISPLAY -u WAYLAND_DISPLAY -u COLORTERM CELLRUNE_SILENT=1 $bin 2>$work/stderr; echo \$? > $work/status; stty -g > $work/after; sleep 600"
  wait_for 10 title_is "-[ CELLRUNE ]-" || fail "no caption at $1 x $2; title is '$(pane_title)'"
}
# ends the show with Escape; its shell has written the status and the modes after.
escape_show() {
  t send-keys Escape
  wait_for 5 file_exists "$work/after" || fail "Escape did not end the show"
  [ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status")"
}
half_blocks_at_least() { [ "$(t capture-pane -p | grep -o '▀' | wc -l)" -ge "$1" ]; }
no_half_blocks() { ! t capture-pane -p | grep -q '▀'; }
in_24_bit() { t capture-pane -e -p | grep -q '38;2;'; }

sized_show 160 50
wait_for 10 extent_is "0 159" || fail "at 160 x 50 the picture spans columns $(extent), not 0-159"
wait_for 5 doubled || fail "at 160 x 50 the cells are not two columns each"
t send-keys 6
wait_for 5 title_is "G D I - powa" || fail "'6' did not switch: title '$(pane_title)'"
wait_for 10 half_blocks_at_least 7000 || fail "mode 5 without a display shows no half blocks"
wait_for 5 in_24_bit || fail "the half blocks are not in 24-bit colour"
t send-keys 1
wait_for 5 title_is "-[ CELLRUNE ]-" || fail "'1' did not return to the text style"
wait_for 10 no_half_blocks || fail "half blocks left after '1'"
wait_for 5 doubled || fail "after '1' the cells are not two columns each"
t send-keys 0
wait_for 5 title_is "the famous.." || fail "'0' did not switch: title '$(pane_title)'"
escape_show
cmp -s "$work/before" "$work/after" || fail "terminal modes not restored"
[ "$(t display -p '#{alternate_on} #{cursor_flag}')" = "0 1" ] || fail "screen or cursor not restored"
grep -q "the pixel styles are shown in the terminal" "$work/stderr" || fail "no word that the pixels went to the terminal"
echo "160 x 50: two columns a cell, half blocks in mode 5, back with '1', restored"

sized_show 120 50
wait_for 10 extent_is "20 99" || fail "at 120 x 50 the picture spans columns $(extent), not 20-99 (one column a cell)"
escape_show
echo "120 x 50: one column a cell"

# The terminal answers the cell-size question: 10 x 10 pixels, square cells.
sized_show 160 50
wait_for 10 extent_is "0 159" || fail "at 160 x 50 the picture spans columns $(extent), not 0-159"
t send-keys -H 1b 5b 36 3b 31 30 3b 31 30 74 # ESC [ 6 ; 10 ; 10 t
wait_for 10 extent_is "40 119" || fail "with square cells reported the picture spans columns $(extent), not 40-119"
t send-keys -H 1b 5b 36 3b 32 30 3b 31 30 74 # 10 wide, 20 tall again
wait_for 10 extent_is "0 159" || fail "with 10 x 20 cells reported the picture spans $(extent), not 0-159"
escape_show
echo "reported 10 x 10 cells: one column a cell; 10 x 20: two"
echo "PASS"
