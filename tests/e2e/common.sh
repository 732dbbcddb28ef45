# Shared by the end-to-end scripts: a private tmux server and small waits.
# Exit status 77 tells CTest the test was skipped.

skip() {
  echo "SKIP: $*"
  exit 77
}

need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/setup installs it)"
  done
}

work=$(mktemp -d)
socket="cellrune-e2e-$$"
t() { tmux -L "$socket" -f /dev/null "$@"; }

# Every program this script starts (the show, tmux and its server, Xvfb)
# carries this mark in its environment, so all of them are found and killed
# by process id however the script ends.
export CELLRUNE_E2E_MARK="e2e-$$-$RANDOM"
marked_pids() {
  local p pid
  for p in /proc/[0-9]*; do
    pid=${p#/proc/}
    [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ] && continue
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qx "CELLRUNE_E2E_MARK=$CELLRUNE_E2E_MARK" && echo "$pid"
  done
}
cleanup_hooks=()
busy_pids=() # subshells of this script (not exec'd, so without the mark)
cleanup() {
  for hook in "${cleanup_hooks[@]}"; do eval "$hook" || true; done
  t kill-server 2>/dev/null || true
  local pids
  pids=$(marked_pids)
  [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
  [ ${#busy_pids[@]} -gt 0 ] && kill -KILL "${busy_pids[@]}" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP

# CELLRUNE_E2E_BUSY=N keeps N cores busy for the whole test, to show it does
# not need an idle machine.
for ((busy = 0; busy < ${CELLRUNE_E2E_BUSY:-0}; busy++)); do
  (while :; do :; done) &
  busy_pids+=($!)
  disown $!
done

# start_xvfb SIZE: a private X server (killed on exit with the rest); sets
# $xvfb to its process id and $display to its name.
start_xvfb() {
  rm -f "$work/display"
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  exec 3>&-
  wait_for 10 file_exists "$work/display" || skip "Xvfb did not start: $(cat "$work/xvfb.log")"
  display=":$(cat "$work/display")"
}

# wait_for SECONDS COMMAND...: retries the command every 0.1 s.
wait_for() {
  local tries=$(($1 * 10))
  shift
  for ((i = 0; i < tries; i++)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

fail() {
  echo "FAIL: $*"
  if [ -s "$work/stderr" ]; then
    echo "--- the program's stderr:"
    cat "$work/stderr"
  fi
  exit 1
}

pane_title() { t display -p '#{pane_title}'; }
title_is() { [ "$(pane_title)" = "$1" ]; }
file_exists() { [ -s "$1" ]; }

# Starts the program in an 80 x 50 session; records the terminal modes
# before and after, and the exit status.
# The show's process id is in $work/pid.
start_show() {
  t new-session -d -x 80 -y 50 -c "${show_dir:-$PWD}" \
    "stty -g > $work/before; sh -c 'echo \$\$ > $work/pid; exec env -u COLORTERM CELLRUNE_SILENT=1 \"\$@\"' show $* 2>$work/stderr; echo \$? > $work/status; stty -g > $work/after; sleep 600"
}

# gone SECONDS PID: true once the process has ended (a zombie counts as ended).
gone() {
  local tries=$(($1 * 10)) i state
  for ((i = 0; i < tries; i++)); do
    state=$(awk '{print $3}' "/proc/$2/stat" 2>/dev/null) || return 0
    [ -z "$state" ] || [ "$state" = Z ] && return 0
    sleep 0.1
  done
  return 1
}
