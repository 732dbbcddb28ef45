#!/usr/bin/env bash
# The show in a real terminal (tmux): coloured cells, a style switch with its
# caption as the title, and Escape ending it with the terminal restored.
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
echo "PASS: terminal show"
