#!/usr/bin/env bash
# The show never outlives its display or its terminal.
# - The X server killed at fixed moments over the show's first second (the very
#   first moment included, densely while the display is being opened), each
#   moment several times: the show is gone within 2 s with status 1, one line
#   on stderr, the terminal's modes as before; or, when the display was gone before the window was made, the show
#   runs in the terminal and Escape ends it as usual.
# - The tmux server killed (gently and with SIGKILL) under a window style and a
#   text style, and SIGHUP under a text style: gone within 2 s.
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux Xvfb xdotool
bin=$1
show_dir="$(dirname "$bin")/show"
repeats=${CELLRUNE_LOSS_REPEATS:-2}

start_x() { start_xvfb 640x480x24; }

# fresh_show ARGS...: a new tmux server running the show; sets $pid.
fresh_show() {
  start_show "$@"
  # Polled finely: the delays below count from the show's start, and its display
  # set-up is over within some 50 ms of it.
  local i
  for ((i = 0; i < 2000; i++)); do
    [ -s "$work/pid" ] && break
    sleep 0.005
  done
  [ -s "$work/pid" ] || fail "the show did not start"
  pid=$(cat "$work/pid")
}

# The show is drawing: its window is up (a pixel style), or its cells are on the pane.
window_up() { [ -n "$(DISPLAY=$display xdotool search --onlyvisible --pid "$pid" 2>/dev/null)" ]; }
cells_drawn() { t capture-pane -p | grep -q '[█▓▒░]'; }
drawing() { # mode
  if [ "$1" -ge 5 ]; then wait_for 10 window_up; else wait_for 10 cells_drawn; fi || fail "mode $1: the show did not start drawing"
}

# display_lost WHAT: the show was gone within 2 s of the display: status 1, one message, modes restored.
display_lost() {
  wait_for 5 file_exists "$work/after" || fail "$1: the shell did not finish"
  [ "$(cat "$work/status")" = 1 ] || fail "$1: exit status $(cat "$work/status")"
  grep -q 'cellrune: the display went away' "$work/stderr" || fail "$1: no message"
  cmp -s "$work/before" "$work/after" || fail "$1: terminal modes not restored"
}

fell_back() { grep -q 'no display\|cannot create the window\|no window can be opened' "$work/stderr"; }
in_terminal() { fell_back && ! ended "$pid"; }
settled() { ended "$pid" || fell_back; }

lost=0 kept=0
# Dense over the first 0.1 s, where the show opens its display and makes the window
# (a loss there once met Xlib's own handler, which ends the process without restoring).
delays=${CELLRUNE_LOSS_DELAYS:-"0 0.01 0.02 0.03 0.04 0.05 0.06 0.08 0.1 0.15 0.2 0.3 0.5 0.7 1.0"}
for delay in $delays; do
  for ((r = 1; r <= repeats; r++)); do
    start_x
    fresh_show "DISPLAY=$display $bin mode 5"
    sleep "$delay"
    kill -KILL "$xvfb"
    wait "$xvfb" 2>/dev/null
    what="display stopped after ${delay}s (try $r)"
    # Within 2 s the show is gone, or it has said it shows the pixel styles in the terminal
    # (stderr is a file here, so that line comes at once) and is still running.
    wait_for 2 settled || fail "$what: still running after 2 s, and not in the terminal"
    if ! in_terminal; then
      display_lost "$what"
      lost=$((lost + 1))
    else
      # The display was gone before the window: the show stays in the terminal.
      t send-keys Escape
      gone 2 "$pid" || fail "$what: Escape did not end the show in the terminal"
      wait_for 5 file_exists "$work/after" || fail "$what: the shell did not finish"
      [ "$(cat "$work/status")" = 0 ] || fail "$what: exit status $(cat "$work/status")"
      cmp -s "$work/before" "$work/after" || fail "$what: terminal modes not restored"
      kept=$((kept + 1))
    fi
  done
done
# The delays must have reached the window: a run where every kill came before it tested nothing of the loss.
[ "$lost" -gt 0 ] || fail "the display was gone before the window every time ($kept times): the loss path never ran"

# And the plain case: the window is up and showing when the display goes.
for ((r = 1; r <= repeats; r++)); do
  start_x
  fresh_show "DISPLAY=$display $bin mode 5"
  drawing 5
  kill -KILL "$xvfb"
  wait "$xvfb" 2>/dev/null
  gone 2 "$pid" || fail "display stopped under the window (try $r): the show outlived it by 2 s"
  display_lost "display stopped under the window (try $r)"
done

# The terminal goes away: its tmux server ended, or killed outright; the show must follow.
start_x
for mode in 5 0; do
  for how in kill-server SIGKILL; do
    fresh_show "DISPLAY=$display $bin mode $mode"
    drawing "$mode"
    server=$(t display -p '#{pid}')
    if [ "$how" = kill-server ]; then t kill-server; else kill -KILL "$server"; fi
    gone 2 "$pid" || fail "mode $mode: the show outlived its terminal ($how) by 2 s"
  done
done
fresh_show "DISPLAY=$display $bin mode 0"
drawing 0
kill -HUP "$pid"
gone 2 "$pid" || fail "mode 0: the show outlived SIGHUP by 2 s"
wait_for 5 file_exists "$work/after" || fail "SIGHUP: the shell did not finish"
cmp -s "$work/before" "$work/after" || fail "SIGHUP: terminal modes not restored"
kill "$xvfb"
echo "PASS: losses (display lost $lost times over the delays and $repeats times under the window, gone before the window $kept times; terminal lost 5 ways)"
