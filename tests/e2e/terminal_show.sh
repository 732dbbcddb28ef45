#!/usr/bin/env bash
# The show in a real terminal (tmux): coloured cells, a style switch with its
# caption as the title, and Escape ending it with the terminal restored, also
# when the terminal was grown meanwhile (nothing of the picture left behind).
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux
bin=$1
show_dir="$(dirname "$bin")/show" # where the build put the show's data

start_show "$bin"
wait_for 10 title_is "-[ CELLRUNE ]-" || fail "no caption; title is '$(pane_title)'"
sleep 0.5
t capture-pane -e -p >"$work/screen"
colours=$(grep -o $'\e\\[[0-9;]*m' "$work/screen" | sort -u | wc -l)
[ "$colours" -ge 4 ] || fail "expected coloured cells, saw $colours colour codes"
grep -q '█' "$work/screen" || fail "no block characters on the screen"
[ "$(t display -p '#{alternate_on}')" = 1 ] || fail "not on the alternate screen"

# Wait past the program's Escape timeout between keys.
t send-keys 2
wait_for 5 title_is "New Text Document.txt - Notepad" || fail "'2' did not switch: title '$(pane_title)'"
sleep 0.3
t capture-pane -p >"$work/ascii"
grep -q '[$@B%8&WMo#*]' "$work/ascii" || fail "no ASCII ramp characters after '2'"

t send-keys Escape
wait_for 5 file_exists "$work/after" || fail "Escape did not end the show"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status")"
cmp -s "$work/before" "$work/after" || fail "terminal modes not restored"
[ "$(t display -p '#{alternate_on} #{cursor_flag}')" = "0 1" ] || fail "screen or cursor not restored"
# Told it shows 24-bit colour, the show lends the terminal its palette and, once tmux confirms
# it, sends short 16-colour codes; when it ends, the pane's colours are what they were.
here=$(cd "$(dirname "$0")" && pwd)
t new-session -d -s fresh "python3 $here/replay_cast.py /dev/null $work/fresh; sleep 600"
t new-session -d -s lend -x 80 -y 50 -c "$show_dir" \
  "env COLORTERM=truecolor CELLRUNE_SILENT=1 $bin; python3 $here/replay_cast.py /dev/null $work/answers; sleep 600"
sleep 1.5
t capture-pane -t lend -e -p >"$work/screen"
grep -q $'\e\\[[0-9;]*4[0-7]m' "$work/screen" || fail "no 16-colour codes once the palette was lent"
grep -q '38;2;' "$work/screen" && fail "24-bit codes still sent after the terminal took the palette"
t send-keys -t lend Escape
wait_for 5 file_exists "$work/answers" || fail "Escape did not end the show that lent its palette"
wait_for 5 file_exists "$work/fresh" || fail "a fresh pane did not answer"
[ "$(cat "$work/answers")" = "$(cat "$work/fresh")" ] ||
  fail "the pane's colours after the show $(cat "$work/answers"), not a fresh pane's $(cat "$work/fresh")"

# Grown while the show runs, the terminal still shows only what was there before it once it ends.
t new-session -d -s grow -x 80 -y 50 -c "$show_dir" "bash --norc --noprofile"
t send-keys -t grow "clear; echo before-the-show; env CELLRUNE_SILENT=1 $bin; echo after-the-show" Enter
grow_showing() { [ "$(t display -p -t grow '#{alternate_on}')" = 1 ]; }
grow_ended() { t capture-pane -p -t grow | grep -q after-the-show; }
wait_for 10 grow_showing || fail "the show did not start in the pane to grow"
sleep 0.5
t resize-window -t grow -x 120 -y 60
sleep 0.5
t send-keys -t grow Escape
wait_for 5 grow_ended || fail "Escape did not end the show in the grown pane"
left=$(t capture-pane -p -t grow | grep -v '^ *$' | grep -v -e before-the-show -e after-the-show -e '^bash' || true)
[ -z "$left" ] || fail "after a resize the screen keeps: $(echo "$left" | head -3)"
echo "PASS: terminal show"
