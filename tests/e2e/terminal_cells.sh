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

# The picture's columns: the first and last column drawn (a character or a colour; the screen
# around the picture is blank in the default colours).
extent() {
  t capture-pane -e -p >"$work/coloured"
  python3 - "$work/coloured" <<'PY'
import re, sys
xs = []
for row in open(sys.argv[1], encoding="utf-8").read().split("\n")[:50]:
    x, fg, bg = 0, False, False
    for m in re.finditer(r"\x1b\[([0-9;]*)m|(.)", row):
        if m.group(2) is None:
            for code in (m.group(1) or "0").split(";"):
                if code in ("0", ""):
                    fg = bg = False
                elif code == "39":
                    fg = False
                elif code == "49":
                    bg = False
                else:  # 24-bit colours set both flags through their parts; enough to say "coloured"
                    fg = bg = True
            continue
        if fg or bg or m.group(2) != " ":
            xs.append(x)
        x += 1
print(min(xs), max(xs)) if xs else print("empty")
PY
}
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
  t kill-server 2>/dev/null
  rm -f "$work/after" "$work/status"
  t new-session -d -x "$1" -y "$2" -c "$show_dir" \
    "stty -g > $work/before; env -u DISPLAY -u WAYLAND_DISPLAY -u COLORTERM CELLRUNE_SILENT=1 $bin 2>$work/stderr; echo \$? > $work/status; stty -g > $work/after; sleep 600"
  wait_for 10 title_is "-[ CELLRUNE ]-" || fail "no caption at $1 x $2; title is '$(pane_title)'"
  sleep 0.5
}

sized_show 160 50
[ "$(extent)" = "0 159" ] || fail "at 160 x 50 the picture spans columns $(extent), not 0-159"
doubled || fail "at 160 x 50 the cells are not two columns each"
t send-keys 6
wait_for 5 title_is "G D I - powa" || fail "'6' did not switch: title '$(pane_title)'"
sleep 0.5
t capture-pane -p >"$work/blocks"
[ "$(grep -o '▀' "$work/blocks" | wc -l)" -ge 7000 ] || fail "mode 5 without a display shows no half blocks"
t capture-pane -e -p | grep -q '38;2;' || fail "the half blocks are not in 24-bit colour"
t send-keys 1
wait_for 5 title_is "-[ CELLRUNE ]-" || fail "'1' did not return to the text style"
sleep 0.5
grep -q '▀' <(t capture-pane -p) && fail "half blocks left after '1'"
doubled || fail "after '1' the cells are not two columns each"
t send-keys 0
wait_for 5 title_is "the famous.." || fail "'0' did not switch: title '$(pane_title)'"
t send-keys Escape
wait_for 5 file_exists "$work/after" || fail "Escape did not end the show"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status")"
cmp -s "$work/before" "$work/after" || fail "terminal modes not restored"
[ "$(t display -p '#{alternate_on} #{cursor_flag}')" = "0 1" ] || fail "screen or cursor not restored"
grep -q "the pixel styles are shown in the terminal" "$work/stderr" || fail "no word that the pixels went to the terminal"
echo "160 x 50: two columns a cell, half blocks in mode 5, back with '1', restored"

sized_show 120 50
[ "$(extent)" = "20 99" ] || fail "at 120 x 50 the picture spans columns $(extent), not 20-99 (one column a cell)"
echo "120 x 50: one column a cell"

# The terminal answers the cell-size question: 10 x 10 pixels, square cells.
sized_show 160 50
t send-keys -H 1b 5b 36 3b 31 30 3b 31 30 74 # ESC [ 6 ; 10 ; 10 t
sleep 0.5
[ "$(extent)" = "40 119" ] || fail "with square cells reported the picture spans columns $(extent), not 40-119"
t send-keys -H 1b 5b 36 3b 32 30 3b 31 30 74 # 10 wide, 20 tall again
sleep 0.5
[ "$(extent)" = "0 159" ] || fail "with 10 x 20 cells reported the picture spans $(extent), not 0-159"
t send-keys Escape
wait_for 5 file_exists "$work/after" || fail "Escape did not end the show"
echo "reported 10 x 10 cells: one column a cell; 10 x 20: two"
echo "PASS"
