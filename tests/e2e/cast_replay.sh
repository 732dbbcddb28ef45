#!/usr/bin/env bash
# A one-frame recording replayed in a real terminal (tmux) shows the snapshot
# of that position: the same characters and, for every colour choice, the same
# colours (24: the exact RGB; 16: the ANSI number of each console colour;
# palette: that number, with the terminal's palette holding the show's colour
# while the recording runs and its own again after the recording ends).
# The replay through the real asciinema client is checked for its characters.
# So are square cells (each cell twice) and the pixel styles in half blocks
# (each the upper and lower pixel of the window picture halved).
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux asciinema python3
bin=$1
show_dir="$(dirname "$bin")/show"
here=$(cd "$(dirname "$0")" && pwd)
position=0x2C000
new_session -s keep "sleep 600" # the server stays up while replays come and go
run=0

# replay CAST REFERENCE COLOURS CELL-WIDTH COLUMNS ANSWERS WHAT: the recording replayed in a fresh
# COLUMNS x 50 pane, whose screen must be the reference's (ANSWERS: the palette answers to check,
# or /dev/null).
replay() {
  rm -f "$work/answers"
  run=$((run + 1))
  new_session -s "r$run" -x "$5" -y 50 "python3 $here/replay_cast.py $1 $work/answers; sleep 600"
  wait_for 10 file_exists "$work/answers" || fail "$7: the replay did not finish"
  t capture-pane -t "r$run" -e -N -p >"$work/screen"
  t kill-session -t "r$run"
  python3 "$here/compare_screen.py" "$2" "$work/screen" "$3" "$6" "$4" ||
    fail "$7: the terminal shows something else than the snapshot"
}

for mode in 0 3; do
  (cd "$show_dir" && "$bin" --snapshot $position --out "$work/m$mode" mode $mode 2>>"$work/stderr") ||
    fail "the snapshot failed"
  for colours in 16 24 palette; do
    what="mode $mode, --colors $colours"
    cast="$work/m$mode-$colours.cast"
    (cd "$show_dir" && "$bin" --cast "$cast" --colors $colours --from $position --to $((position + 1)) \
      mode $mode 2>>"$work/stderr") || fail "$what: the recording failed"
    replay "$cast" "$work/m$mode/$position.cells" "$colours" 1 80 "$work/answers" "$what"
  done
done

# Square cells (each cell two columns) and the pixel styles as half blocks, in a 160 x 50 terminal.
replay_wide() { # cast reference colours width what
  replay "$1" "$2" "$3" "$4" 160 /dev/null "$5"
}
for colours in 24 16; do
  cast="$work/m0-cells2-$colours.cast"
  (cd "$show_dir" && "$bin" --cast "$cast" --cells 2 --colors $colours --from $position --to $((position + 1)) \
    mode 0 2>>"$work/stderr") || fail "the recording with --cells 2 failed"
  replay_wide "$cast" "$work/m0/$position.cells" $colours 2 "mode 0, --cells 2, --colors $colours"
done
for mode in 5 9; do
  (cd "$show_dir" && "$bin" --snapshot $position --out "$work/m$mode" mode $mode 2>>"$work/stderr") ||
    fail "the snapshot failed"
  for colours in 24 16; do
    cast="$work/m$mode-$colours.cast"
    (cd "$show_dir" && "$bin" --cast "$cast" --colors $colours --from $position --to $((position + 1)) \
      mode $mode 2>>"$work/stderr") || fail "the half-block recording failed"
    replay_wide "$cast" "$work/m$mode/$position.win" $colours 1 "mode $mode in half blocks, --colors $colours"
  done
done

# The same recording through asciinema's own client.
new_session -s cat -x 80 -y 50 "asciinema cat $work/m3-24.cast; echo \$? > $work/cat-status; sleep 600"
wait_for 20 file_exists "$work/cat-status" || fail "asciinema cat did not finish"
[ "$(cat "$work/cat-status")" = 0 ] || fail "asciinema cat failed with status $(cat "$work/cat-status")"
t capture-pane -t cat -e -N -p >"$work/screen"
python3 "$here/compare_screen.py" "$work/m3/$position.cells" "$work/screen" 24 /dev/null ||
  fail "asciinema cat: the terminal shows something else than the snapshot"
# A recording ends as the live show does: the cursor shown, line wrap on, attributes reset.
case "$(tail -n 1 "$work/m3-24.cast")" in
*'\u001b[?25h'*) ;;
*) fail "the recording's last event does not show the cursor: $(tail -n 1 "$work/m3-24.cast" | cut -c1-80)" ;;
esac
head -n 1 "$work/m3-24.cast" | grep -q '"COLORTERM": "truecolor"' || fail "a 24-bit recording does not say so in its header"
[ "$(t display -p -t cat '#{cursor_flag}')" = 1 ] || fail "asciinema cat left the terminal without a cursor"
echo "PASS: cast replay"
