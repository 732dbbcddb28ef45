#!/usr/bin/env bash
# A one-frame recording replayed by the real asciinema client in a terminal
# (tmux) shows the same characters as the snapshot of that position.
set -uo pipefail
. "$(dirname "$0")/common.sh"
need tmux asciinema python3
bin=$1
show_dir="$(dirname "$bin")/show"
position=0x2C000

(cd "$show_dir" && "$bin" --cast "$work/one.cast" --from $position --to $((position + 1)) mode 3 2>"$work/stderr") ||
  fail "the recording failed"
(cd "$show_dir" && "$bin" --snapshot $position --out "$work" mode 3 2>>"$work/stderr") || fail "the snapshot failed"
t new-session -d -x 80 -y 50 "asciinema cat $work/one.cast; sleep 600"
sleep 2
t capture-pane -p >"$work/screen"
python3 - "$work/0x2C000.cells" "$work/screen" <<'PY' || fail "the replayed screen differs from the snapshot"
import struct, sys
cells = open(sys.argv[1], 'rb').read()
rows = open(sys.argv[2], encoding='utf-8').read().split('\n')
glyph = {0x20: ' ', 0x00: ' ', 0xB0: '\u2591', 0xB1: '\u2592', 0xB2: '\u2593', 0xDB: '\u2588'}
bad = 0
for y in range(50):
    row = rows[y] if y < len(rows) else ''
    for x in range(80):
        c = struct.unpack_from('<I', cells, 4 * (y * 80 + x))[0] & 0xFF
        want = glyph.get(c, chr(c))
        got = row[x] if x < len(row) else ' '
        bad += want != got
print('differing cells:', bad)
sys.exit(1 if bad else 0)
PY
echo "PASS: cast replay"
