#!/usr/bin/env bash
# The window styles under Xvfb: from the terminal, '6' opens a 320 x 200
# window with a picture in it; '2' in the window brings the show back to the
# terminal; Escape ends it.
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux Xvfb xdotool xwininfo convert import
bin=$1
show_dir="$(dirname "$bin")/show" # where the build put the show's data
shot=${2:-}
[ -n "$shot" ] || shot=$work/window.png

start_xvfb 1024x768x24
cleanup_hooks+=("kill $xvfb")
export DISPLAY=$display
wait_for 10 xdotool getdisplaygeometry || fail "cannot reach Xvfb on $DISPLAY"

# Sets $window to the visible window with this title.
find_window() {
  window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
  [ -n "$window" ]
}

# One switch maps one window, once: every window id seen over the first second.
one_window_over_a_second() {
  for ((i = 0; i < 20; i++)); do
    xdotool search --class cellrune 2>/dev/null
    sleep 0.05
  done >"$work/window-ids"
  wait_for 10 find_window "G D I - powa" || fail "$1: no window: $(cat "$work/stderr")"
  xdotool search --class cellrune 2>/dev/null >>"$work/window-ids"
  [ "$(sort -u "$work/window-ids" | wc -l)" = 1 ] || fail "$1 made $(sort -u "$work/window-ids" | wc -l) windows"
}

start_show "DISPLAY=$DISPLAY $bin mode 5"
one_window_over_a_second "starting in mode 5"
kill -TERM "$(cat "$work/pid")"
wait_for 5 file_exists "$work/after" || fail "SIGTERM did not end the show in a window"

start_show "DISPLAY=$DISPLAY $bin"
wait_for 10 title_is "-[ CELLRUNE ]-" || fail "the show did not start in the terminal"
t send-keys 6
one_window_over_a_second "'6'"
picture_in_window 10 "$window" "$shot"
[ "$(t display -p '#{alternate_on}')" = 0 ] || fail "the terminal was not handed back"

timeout 10 xdotool windowfocus --sync "$window" key 2 || fail "could not focus the window"
wait_for 10 title_is "New Text Document.txt - Notepad" || fail "'2' in the window did not return to the terminal"
no_window_named() { ! xdotool search --name "$1" >/dev/null 2>&1; }
wait_for 10 no_window_named "G D I - powa" || fail "the window stayed open"

# Back and forth: text -> window -> text -> window -> text -> another pixel style. After each step
# exactly one viewable 320 x 200 window with a picture while a pixel style is on, none while text is.
viewable_windows() { # the ids of the show's viewable windows, one a line
  for id in $(xdotool search --class cellrune 2>/dev/null); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id"
  done
}
viewable_count() { [ "$(viewable_windows | wc -l)" = "$1" ]; } # counted afresh at each try
not_black() {
  timeout 20 import -window "$window" "$work/step.png" && [ "$(convert "$work/step.png" -format '%[fx:maxima]' info:)" != 0 ]
}
one_picture_window() { # step
  local ids
  wait_for 20 viewable_count 1 || fail "$1: $(viewable_windows | wc -l) viewable windows, not 1"
  ids=$(viewable_windows)
  window=$ids
  size=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  [ "$size" = 320x200 ] || fail "$1: the window is $size"
  wait_for 10 not_black || fail "$1: the window's picture is all black"
}
no_window() { # step
  wait_for 10 viewable_count 0 || fail "$1: $(viewable_windows | wc -l) windows left open"
}
for round in 1 2; do
  t send-keys 7
  wait_for 20 find_window "blur" || fail "round $round: no window after '7'"
  one_picture_window "round $round, '7' in the terminal"
  timeout 10 xdotool windowfocus --sync "$window" key 4 || fail "round $round: could not focus the window"
  wait_for 10 title_is "gray greys" || fail "round $round: '4' did not return to the terminal"
  no_window "round $round, '4' in the window"
done
t send-keys 9
wait_for 20 find_window "the_Zo-Ra" || fail "no window after '9'"
one_picture_window "'9' in the terminal"
timeout 10 xdotool windowfocus --sync "$window" key 8 || fail "could not focus the window"
wait_for 10 find_window "graphical grays" || fail "'8' in the window did not switch to the other pixel style"
one_picture_window "'8' in the window"
timeout 10 xdotool windowfocus --sync "$window" key 1 || fail "could not focus the window"
wait_for 10 title_is "-[ CELLRUNE ]-" || fail "'1' did not return to the terminal"
no_window "'1' in the window"

t send-keys Escape
wait_for 5 file_exists "$work/after" || fail "Escape did not end the show"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status")"
cmp -s "$work/before" "$work/after" || fail "terminal modes not restored"
echo "PASS: window show ($colours colours, screenshot $shot)"
