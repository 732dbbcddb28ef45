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
cleanup_hooks=()
cleanup() {
  for hook in "${cleanup_hooks[@]}"; do eval "$hook" || true; done
  t kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP

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
start_show() {
  t new-session -d -x 80 -y 50 -c "${show_dir:-$PWD}" \
    "stty -g > $work/before; env -u COLORTERM CELLRUNE_SILENT=1 $* 2>$work/stderr; echo \$? > $work/status; stty -g > $work/after; sleep 600"
}
