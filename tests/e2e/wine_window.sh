#!/usr/bin/env bash
# The Windows program's pixel styles under wine and Xvfb: from the console in
# a terminal, '6' opens a 320 x 200 "GIframe" window with a picture in it;
# '2' in the window brings the show back to the console; Escape ends it with
# status 0. Full screen on a display without a 320 x 200 mode (Xvfb's): the
# whole screen, the picture enlarged three times on black.
# usage: wine_window.sh WINE_LOADER CELLRUNE.EXE SHOW_DIR [SCREENSHOT.png]
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux Xvfb xdotool xwininfo convert import
use_wine "$1"
exe=$(realpath "$2") show_dir=$3 shot=${4:-}
[ -n "$shot" ] || shot=$work/window.png

start_xvfb 1024x768x24
cleanup_hooks+=("kill $xvfb")
export DISPLAY=$display
wait_for 10 xdotool getdisplaygeometry || fail "cannot reach Xvfb on $DISPLAY"

find_window() { # TITLE: sets $window to the visible window with this title
  window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
  [ -n "$window" ]
}

new_server
new_session -x 80 -y 50 -c "$show_dir" "DISPLAY=$DISPLAY $wine $exe 2>$work/stderr; echo \$? > $work/status; sleep 600"
wait_for 30 title_is "-[ CELLRUNE ]-" || fail "the show did not start in the console"
t send-keys 6
wait_for 20 find_window "G D I - powa" || fail "'6' opened no window"
picture_in_window 20 "$window" "$shot"

timeout 10 xdotool windowfocus --sync "$window" key 2 || fail "could not focus the window"
wait_for 15 title_is "New Text Document.txt - Notepad" || fail "'2' in the window did not return to the console"
no_window_named() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
wait_for 10 no_window_named "G D I - powa" || fail "the window stayed open"

t send-keys Escape
wait_for 15 file_exists "$work/status" || fail "Escape did not end the show"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status")"

new_session -s full -x 80 -y 50 -c "$show_dir" \
  "DISPLAY=$DISPLAY $wine $exe mode 5 full 1 2>$work/stderr; echo \$? > $work/status-full; sleep 600"
wait_for 30 find_window "G D I - powa" || fail "no full-screen window"
geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry:/ {print $2}')
[ "$geometry" = 1024x768 ] || fail "the full-screen window is $geometry, not the whole 1024 x 768 screen"
enlarged_picture() {
  timeout 20 import -window root "$work/full.png" || return 1
  # 960 x 600 in the middle; the 32-pixel band above it black.
  [ "$(convert "$work/full.png" -crop 960x600+32+84 +repage -format '%k' info:)" -gt 16 ] &&
    [ "$(convert "$work/full.png" -crop 1024x32+0+0 +repage -format '%[fx:maxima]' info:)" = 0 ]
}
wait_for 20 enlarged_picture || fail "no enlarged picture on black in the full-screen window"
timeout 10 xdotool windowfocus --sync "$window" key Escape || fail "could not focus the full-screen window"
wait_for 15 file_exists "$work/status-full" || fail "Escape did not end the full-screen show"
[ "$(cat "$work/status-full")" = 0 ] || fail "full screen: exit status $(cat "$work/status-full")"
echo "PASS: wine window ($colours colours, screenshot $shot), and full screen"
