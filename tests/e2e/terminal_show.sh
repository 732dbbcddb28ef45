#!/usr/bin/env bash
# The show in a real terminal (tmux): coloured cells, a style switch with its
# caption as the title, and Escape ending it with the terminal restored, also
# when the terminal was grown meanwhile (nothing of the picture left behind).
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux
bin=$1
show_dir="$(dirname "$bin")/show" # where the build put the show's data

colour_codes() { t capture-pane -e -p | grep -o $'\e\\[[0-9;]*m' | sort -u | wc -l; }
coloured_blocks() { [ "$(colour_codes)" -ge 4 ] && t capture-pane -p | grep -q '█'; }
ramp_shown() { t capture-pane -p | grep -q '[$@B%8&WMo#*]'; }

start_show "$bin"
wait_for 10 title_is "-[ CELLRUNE ]-" || fail "no caption; title is '$(pane_title)'"
wait_for 10 coloured_blocks || fail "expected coloured block cells, saw $(colour_codes) colour codes"
[ "$(t display -p '#{alternate_on}')" = 1 ] || fail "not on the alternate screen"

t send-keys 2
wait_for 5 title_is "New Text Document.txt - Notepad" || fail "'2' did not switch: title '$(pane_title)'"
wait_for 10 ramp_shown || fail "no ASCII ramp characters after '2'"

t send-keys Escape
wait_for 5 file_exists "$work/after" || fail "Escape did not end the show"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status")"
cmp -s "$work/before" "$work/after" || fail "terminal modes not restored"
[ "$(t display -p '#{alternate_on} #{cursor_flag}')" = "0 1" ] || fail "screen or cursor not restored"
# Told it shows 24-bit colour, the show lends the terminal its palette and, once tmux confirms
# it, sends short 16-colour codes; when it ends, the pane's colours are what they were.
here=$(cd "$(dirname "$0")" && pwd)
new_session -s fresh "python3 $here/replay_cast.py /dev/null $work/fresh; sleep 600"
new_session -s lend -x 80 -y 50 -c "$show_dir" \
  "env COLORTERM=truecolor CELLRUNE_SILENT=1 CELLRUNE_DEBUG=$work/trace $bin; python3 $here/replay_cast.py /dev/null $work/answers; sleep 600"
palette_taken() { grep -q "the terminal took the lent palette" "$work/trace"; }
wait_for 10 palette_taken || fail "the terminal never confirmed the lent palette"
# Once it did, the next frame is in 16-colour codes alone; only changed cells are sent, so wait for
# the picture to have changed throughout.
sixteen_only() {
  t capture-pane -t lend -e -p >"$work/screen"
  grep -q $'\e\\[[0-9;]*4[0-7]m' "$work/screen" && ! grep -q '38;2;' "$work/screen"
}
wait_for 10 sixteen_only || {
  grep -q $'\e\\[[0-9;]*4[0-7]m' "$work/screen" || fail "no 16-colour codes once the palette was lent"
  fail "24-bit codes still sent after the terminal took the palette"
}
t send-keys -t lend Escape
wait_for 5 file_exists "$work/answers" || fail "Escape did not end the show that lent its palette"
wait_for 5 file_exists "$work/fresh" || fail "a fresh pane did not answer"
[ "$(cat "$work/answers")" = "$(cat "$work/fresh")" ] ||
  fail "the pane's colours after the show $(cat "$work/answers"), not a fresh pane's $(cat "$work/fresh")"

# Grown while the show runs, the terminal still shows only what was there before it once it ends.
new_session -s grow -x 80 -y 50 -c "$show_dir" "bash --norc --noprofile"
t send-keys -t grow "clear; echo before-the-show; env CELLRUNE_SILENT=1 $bin; echo after-the-show" Enter
grow_showing() { [ "$(t display -p -t grow '#{alternate_on}')" = 1 ]; }
grow_ended() { t capture-pane -p -t grow | grep -q after-the-show; }
wait_for 10 grow_showing || fail "the show did not start in the pane to grow"
wait_for 10 extent_is "0 79" grow || fail "the show did not draw across the pane to grow: columns $(extent grow)"
t resize-window -t grow -x 120 -y 60
# Drawn again in the middle of the grown pane: 80 columns of 120.
wait_for 10 extent_is "20 99" grow || fail "the show did not redraw in the grown pane: columns $(extent grow)"
t send-keys -t grow Escape
wait_for 5 grow_ended || fail "Escape did not end the show in the grown pane"
left=$(t capture-pane -p -t grow | grep -v '^ *$' | grep -v -e before-the-show -e after-the-show -e '^bash' || true)
[ -z "$left" ] || fail "after a resize the screen keeps: $(echo "$left" | head -3)"
echo "PASS: terminal show"
