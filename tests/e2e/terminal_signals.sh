#!/usr/bin/env bash
# Signals and job control in a real terminal (tmux) with a real shell: SIGTERM,
# SIGHUP and SIGINT end the show, Ctrl-C too; Ctrl-Z suspends it and fg (SIGCONT)
# brings it back; a stray SIGCONT changes nothing; a crash signal (SIGSEGV)
# restores what it can and dumps. After each, `stty -a` reads the same as
# before the show, the screen and cursor are back, and so are the pane's
# colours (the show lends its palette to the terminal while it runs).
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux
bin=$1
show_dir="$(dirname "$bin")/show"
here=$(cd "$(dirname "$0")" && pwd)


prompt_shown() { t capture-pane -p | grep -q '^\$'; }
on_alternate() { [ "$(t display -p '#{alternate_on}')" = 1 ]; }
on_main() { [ "$(t display -p '#{alternate_on} #{cursor_flag}')" = "0 1" ]; }
show_pid() { cat "$work/pid"; }
drawn() { t capture-pane -p | grep -q '[█▓▒░]'; }

new_session -x 80 -y 50 -c "$show_dir" "env -u COLORTERM PS1='$ ' bash --norc --noprofile -i"
wait_for 5 prompt_shown || fail "the shell did not start"
colours() { t send-keys "python3 $here/replay_cast.py /dev/null $work/colours.$1" Enter; }
colours fresh
wait_for 5 file_exists "$work/colours.fresh" || fail "the pane did not answer for its colours"

# run NAME: the show, with the modes recorded before and after and the status.
run() {
  rm -f "$work/status" "$work/pid"
  # One job for the whole line, so a stop suspends it all and fg resumes it all.
  t send-keys "(ulimit -c 0; stty -a > $work/before.$1; sh -c 'echo \$\$ > $work/pid; exec env CELLRUNE_SILENT=1 $bin mode 0' 2>$work/stderr; echo \$? > $work/status; stty -a > $work/after.$1)" Enter
  wait_for 10 on_alternate || fail "$1: the show did not start"
  wait_for 10 drawn || fail "$1: nothing drawn"
}
# ended NAME: the show is over and the terminal is as it was.
ended() {
  wait_for 10 file_exists "$work/status" || fail "$1: the show did not end"
  wait_for 5 file_exists "$work/after.$1" || fail "$1: no modes after"
  wait_for 5 on_main || fail "$1: screen or cursor not restored"
  cmp -s "$work/before.$1" "$work/after.$1" || {
    diff "$work/before.$1" "$work/after.$1"
    fail "$1: terminal modes differ after the show"
  }
  colours "$1"
  wait_for 5 file_exists "$work/colours.$1" || fail "$1: the pane did not answer for its colours"
  cmp -s "$work/colours.fresh" "$work/colours.$1" || fail "$1: the pane's colours are not its own: $(cat "$work/colours.$1")"
  echo "ok: $1 (exit status $(cat "$work/status"))"
}

for signal in TERM HUP INT SEGV; do
  run "SIG$signal"
  kill -"$signal" "$(show_pid)" || fail "SIG$signal: no show to signal"
  ended "SIG$signal"
done

run "Ctrl-C"
t send-keys C-c
ended "Ctrl-C"

run "Ctrl-Z"
# A stray continue while running: nothing happens. The picture moves with the music: once it has
# changed twice since the signal, a whole frame was begun after it, so the signal was seen.
redrawn() { ! t capture-pane -p | cmp -s - "$work/seen"; }
t capture-pane -p >"$work/seen"
kill -CONT "$(show_pid)"
for frame in 1 2; do
  wait_for 10 redrawn || fail "the show stopped drawing after a stray SIGCONT"
  t capture-pane -p >"$work/seen"
done
on_alternate || fail "a stray SIGCONT left the show"
t send-keys C-z
wait_for 5 on_main || fail "Ctrl-Z: the screen was not handed back"
wait_for 5 prompt_shown || fail "Ctrl-Z: the shell did not get the terminal"
t send-keys "stty -a > $work/suspended" Enter
wait_for 5 file_exists "$work/suspended" || fail "Ctrl-Z: no modes while suspended"
cmp -s "$work/before.Ctrl-Z" "$work/suspended" || fail "Ctrl-Z: terminal modes differ while suspended"
[ ! -e "$work/status" ] || fail "Ctrl-Z: the show ended instead of stopping"
t send-keys clear Enter
t send-keys fg Enter
wait_for 10 on_alternate || fail "fg: the show did not come back"
wait_for 10 drawn || fail "fg: the show did not redraw"
t send-keys Escape
ended "Ctrl-Z"
echo "PASS: terminal signals"
