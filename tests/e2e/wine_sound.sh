#!/usr/bin/env bash
# The Windows program's sound under wine: through the wave-out API to a
# sound server of the script's own (PulseAudio with a null sink, whose
# monitor is recorded). The music is heard, and Escape still ends the show
# at once with status 0 while the device plays (closing it does not hang).
# usage: wine_sound.sh WINE_LOADER CELLRUNE.EXE SHOW_DIR
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux pulseaudio parec sox
use_wine "$1"
exe=$(realpath "$2") show_dir=$3

start_sound_server

parec --device=show.monitor --format=s16le --rate=44100 --channels=2 >"$work/heard.raw" 2>"$work/parec.log" &
recorder=$!
disown $recorder
new_server
new_session -x 80 -y 50 -c "$show_dir" "$wine $exe pos 6 2>$work/stderr; echo \$? > $work/status; sleep 600"
wait_for 30 title_is "-[ CELLRUNE ]-" || fail "the show did not start in the console"
# Four seconds of music: 44100 frames of 4 bytes a second.
heard_for() { [ "$(stat -c %s "$work/heard.raw")" -ge $(($1 * 176400)) ]; }
wait_for 30 heard_for 4 || fail "the sound server took in less than 4 s of sound"
grep -q "sound is off" "$work/stderr" && fail "the show found no sound device: $(cat "$work/stderr")"
t send-keys Escape
wait_for 10 file_exists "$work/status" || fail "Escape did not end the show while it played"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status")"
kill "$recorder" 2>/dev/null

peak=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/heard.raw" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
awk -v p="$peak" 'BEGIN { exit !(p > 0.05) }' || fail "the recording is silent or nearly so (peak $peak)"
echo "PASS: wine sound (peak $peak over $(($(stat -c %s "$work/heard.raw") / 176400)) s)"
