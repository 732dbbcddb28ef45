#!/usr/bin/env bash
# A one-frame recording replayed in a real terminal (tmux) shows the snapshot
# of that position: the same characters and, for every colour choice, the same
# colours (24: the exact RGB; 16: the ANSI number of each console colour;
# palette: that number, with the terminal's palette holding the show's colour
# while the recording runs and its own again after the recording ends).
# The replay through the real asciinema client is checked for its characters.
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux asciinema python3
bin=$1
show_dir="$(dirname "$bin")/show"
here=$(cd "$(dirname "$0")" && pwd)
position=0x2C000
t new-session -d -s keep "sleep 600" # the server stays up while replays come and go
run=0

for mode in 0 3; do
  (cd "$show_dir" && "$bin" --snapshot $position --out "$work/m$mode" mode $mode 2>>"$work/stderr") ||
    fail "the snapshot failed"
  for colours in 16 24 palette; do
    what="mode $mode, --colors $colours"
    cast="$work/m$mode-$colours.cast"
    (cd "$show_dir" && "$bin" --cast "$cast" --colors $colours --from $position --to $((position + 1)) \
      mode $mode 2>>"$work/stderr") || fail "$what: the recording failed"
    rm -f "$work/answers"
    run=$((run + 1))
    t new-session -d -s "r$run" -x 80 -y 50 "python3 $here/replay_cast.py $cast $work/answers; sleep 600"
    wait_for 10 file_exists "$work/answers" || fail "$what: the replay did not finish"
    t capture-pane -t "r$run" -e -N -p >"$work/screen"
    t kill-session -t "r$run"
    python3 "$here/compare_screen.py" "$work/m$mode/$position.cells" "$work/screen" "$colours" "$work/answers" ||
      fail "$what: the terminal shows something else than the snapshot"
  done
done

# The same recording through asciinema's own client.
t new-session -d -s cat -x 80 -y 50 "asciinema cat $work/m3-24.cast; sleep 600"
sleep 2
t capture-pane -t cat -e -N -p >"$work/screen"
python3 "$here/compare_screen.py" "$work/m3/$position.cells" "$work/screen" 24 /dev/null ||
  fail "asciinema cat: the terminal shows something else than the snapshot"
echo "PASS: cast replay"
