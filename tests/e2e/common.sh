# Shared by the end-to-end scripts: private tmux servers and waits for conditions.
# Exit status 77 tells CTest the test was skipped; scripts/test fails the run on
# any skip but one marked as a property of the machine (skip_machine).

skip() {
  echo "SKIP: $*"
  exit 77
}
skip_machine() {
  echo "SKIP (this machine): $*"
  exit 77
}

need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/setup installs it)"
  done
}

work=$(mktemp -d)

# Each tmux server gets a socket of its own. A client started right after
# kill-server on the same socket can reach the old server while it is still
# going away ("server exited unexpectedly"), so a socket is never reused:
# new_server ends the current server and moves on to a fresh socket.
servers=0
socket="$work/tmux-0"
t() { tmux -S "$socket" -f /dev/null "$@"; }
new_server() {
  t kill-server 2>/dev/null
  servers=$((servers + 1))
  socket="$work/tmux-$servers"
}

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
  for socket in "$work"/tmux-*; do [ -S "$socket" ] && t kill-server 2>/dev/null; done
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

# wait_for SECONDS COMMAND...: retries the command every 0.1 s.
wait_for() {
  local tries=$(($1 * 10)) i
  shift
  for ((i = 0; i < tries; i++)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

# fail MESSAGE: says what went wrong and what there was to see: every pane of
# the current tmux server, the program's stderr and Xvfb's messages.
fail() {
  echo "FAIL: $*"
  local session panes
  if [ ! -S "$socket" ]; then
    :
  elif panes=$(t list-sessions -F '#{session_name}' 2>&1); then
    for session in $panes; do
      echo "--- pane '$session' (title '$(t display -p -t "$session" '#{pane_title}' 2>&1)'):"
      t capture-pane -p -t "$session" 2>&1 | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
    done
  else
    echo "--- no tmux server: $panes"
  fi
  if [ -s "$work/stderr" ]; then
    echo "--- the program's stderr:"
    cat "$work/stderr"
  fi
  if [ -s "$work/xvfb.log" ]; then
    echo "--- Xvfb's messages:"
    tail -n 20 "$work/xvfb.log"
  fi
  exit 1
}

# start_xvfb SIZE: a private X server (killed on exit with the rest); sets
# $xvfb to its process id and $display to its name. Without -noreset the
# server resets whenever its last client leaves (each xdotool the scripts
# run), and a reset drops a client that is connecting meanwhile: the show
# then finds no display.
start_xvfb() {
  rm -f "$work/display"
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  exec 3>&-
  wait_for 10 file_exists "$work/display" || fail "Xvfb did not start"
  display=":$(cat "$work/display")"
}

# picture_in_window SECONDS WINDOW SHOT: waits for a screenshot of the window with more than
# the 16 colours of a blank or text-like window; fails unless it shows 320 x 200. Sets $colours.
picture_in_window() {
  colours=0
  drawn() {
    timeout 20 import -window "$1" "$2" || return 1
    colours=$(convert "$2" -format '%k' info:)
    [ "$colours" -gt 16 ]
  }
  wait_for "$1" drawn "$2" "$3" || fail "the window's picture looks blank ($colours colours)"
  local size
  size=$(identify -format '%wx%h' "$3")
  [ "$size" = 320x200 ] || fail "the window's client area is $size"
}

# start_sound_server: a private PulseAudio server with a null sink "show",
# whose monitor can be recorded; its runtime folder, socket and cookie are
# this script's, and PULSE_SERVER points every client at it.
start_sound_server() {
  export XDG_RUNTIME_DIR="$work/pulse" PULSE_SERVER="unix:$work/pulse/native"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  HOME="$work" pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
    --load="module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1" \
    --load="module-null-sink sink_name=show" >"$work/pulse.log" 2>&1 &
  disown $! # killed with the rest at the end, without a word from the shell
  wait_for 10 pactl info || fail "the sound server did not start: $(tail -n 5 "$work/pulse.log")"
}

pane_title() { t display -p '#{pane_title}'; }
title_is() { [ "$(pane_title)" = "$1" ]; }
file_exists() { [ -s "$1" ]; }

# new_session ARGS...: tmux new-session -d ARGS, failing with tmux's own message.
new_session() {
  t new-session -d "$@" 2>"$work/tmux.err" || fail "tmux could not start a session: $(cat "$work/tmux.err")"
}

# Starts the program in an 80 x 50 session of a fresh tmux server; records the
# terminal modes before and after, and the exit status. The show's process id
# is in $work/pid.
start_show() {
  new_server
  rm -f "$work/pid" "$work/status" "$work/before" "$work/after" "$work/stderr"
  new_session -x 80 -y 50 -c "${show_dir:-$PWD}" \
    "stty -g > $work/before; sh -c 'echo \$\$ > $work/pid; exec env -u COLORTERM CELLRUNE_SILENT=1 \"\$@\"' show $* 2>$work/stderr; echo \$? > $work/status; stty -g > $work/after; sleep 600"
}

# extent [SESSION]: the picture's first and last column drawn (a character or a
# colour; the screen around the picture is blank in the default colours), or "empty".
extent() {
  t capture-pane -e -p ${1:+-t "$1"} >"$work/coloured"
  python3 - "$work/coloured" <<'PY'
import re, sys
xs = []
for row in open(sys.argv[1], encoding="utf-8").read().split("\n"):
    x, fg, bg = 0, False, False
    for m in re.finditer(r"\x1b\[([0-9;]*)m|(.)", row):
        if m.group(2) is None:
            for code in (m.group(1) or "0").split(";"):
                if code in ("0", ""):
                    fg = bg = False
                elif code == "39":
                    fg = False
                elif code == "49":
                    bg = False
                else:  # 24-bit colours set both flags through their parts; enough to say "coloured"
                    fg = bg = True
            continue
        if fg or bg or m.group(2) != " ":
            xs.append(x)
        x += 1
print(min(xs), max(xs)) if xs else print("empty")
PY
}
extent_is() { [ "$(extent "${2:-}")" = "$1" ]; } # "FIRST LAST" [SESSION]

# gone SECONDS PID: true once the process has ended (a zombie counts as ended).
gone() { wait_for "$1" ended "$2"; }
ended() { # PID: true when the process has ended (or is a zombie)
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 0
  [ -z "$state" ] || [ "$state" = Z ]
}

# use_wine LOADER: the Windows program's scripts run it under wine in a prefix
# of their own (a copy of CELLRUNE_WINE_TEMPLATE, which scripts/windows makes
# once a run, else a fresh one: about 10 s), so its wine server is this
# script's and goes with the rest. Sets $wine.
use_wine() {
  wine=$1
  [ -x "$wine" ] || fail "no wine loader $wine (scripts/windows installs it)"
  export WINEDEBUG=${CELLRUNE_WINEDEBUG:--all} WINEPREFIX="$work/wine" # CELLRUNE_WINEDEBUG: wine's traces, to look into a failure
  # No Mono, Gecko or menu entries: nothing the show needs, and no dialog asking for them. No
  # ALSA either: the test machines have no sound card, and ALSA's complaints would fill stderr.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winealsa.drv=d"
  if [ -n "${CELLRUNE_WINE_TEMPLATE:-}" ] && [ -d "$CELLRUNE_WINE_TEMPLATE" ]; then
    cp -a "$CELLRUNE_WINE_TEMPLATE" "$WINEPREFIX" || fail "cannot copy the wine prefix $CELLRUNE_WINE_TEMPLATE"
  else
    DISPLAY= "$wine" wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot failed: $(tail -n 5 "$work/wineboot.log")"
  fi
  # A wine server still up from making the prefix keeps its desktop, made without a display.
  "$(dirname "$wine")/wineserver" -w
}
