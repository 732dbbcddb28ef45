#!/usr/bin/env bash
# The show's module in two real players: openmpt123 reports no warnings and
# the expected length; xmp loads it and plays it through (to a null device).
set -uo pipefail
. "$(dirname "$0")/common.sh"
need openmpt123 xmp sox
module=$1

info=$(openmpt123 --info "$module" 2>&1) || fail "openmpt123 cannot load it: $info"
echo "$info" | grep -qi 'warning' && fail "openmpt123 warns: $info"
echo "$info" | grep -q 'Orders.....: 43' || fail "expected 43 orders: $info"
echo "$info" | grep -q 'Duration...: 04:54' || fail "expected about 4:55: $info"

timeout 60 xmp --driver=null --time=2 "$module" >"$work/xmp" 2>&1 || fail "xmp failed: $(cat "$work/xmp")"
grep -q 'Impulse Tracker' "$work/xmp" || fail "xmp did not recognise it: $(cat "$work/xmp")"

cp "$module" "$work/track.it"
openmpt123 --quiet --render --force "$work/track.it" >/dev/null 2>&1 || fail "openmpt123 cannot render it"
peak=$(sox "$work/track.it.wav" -n stats 2>&1 | awk '/Pk lev dB/ {print $4}')
awk -v p="$peak" 'BEGIN { exit !(p < -0.3) }' || fail "peak $peak dBFS"
echo "PASS: music players (peak $peak dBFS)"
