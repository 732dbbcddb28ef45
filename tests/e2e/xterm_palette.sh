#!/usr/bin/env bash
# In xterm, which answers for its colours: a colour the user had set before
# the show (as colour themes do) is theirs again after it, not xterm's default.
set -uo pipefail
. "$(dirname "$0")/common.sh"
need Xvfb xterm python3
bin=$1
show_dir="$(dirname "$bin")/show"
here=$(cd "$(dirname "$0")" && pwd)

start_xvfb 1024x768x24
cat >"$work/inside.sh" <<INSIDE
#!/usr/bin/env bash
cd "$show_dir"
printf '\033]4;4;rgb:12/34/56\007'
python3 "$here/replay_cast.py" /dev/null "$work/before"
sh -c 'echo \$\$ > "$work/pid"; exec env CELLRUNE_SILENT=1 CELLRUNE_DEBUG="$work/trace" "$bin"' 2>"$work/stderr"
echo \$? >"$work/status"
python3 "$here/replay_cast.py" /dev/null "$work/after"
INSIDE
chmod +x "$work/inside.sh"
DISPLAY=$display xterm -fa Monospace -geometry 80x50 -e "$work/inside.sh" &
# The show is interrupted only once xterm has confirmed the lent palette: before that there is
# nothing to give back, and the check below would pass without having tested anything.
palette_taken() { grep -q "the terminal took the lent palette" "$work/trace"; }
wait_for 20 palette_taken || fail "xterm never confirmed the lent palette (trace: $(cat "$work/trace" 2>&1))"
kill -INT "$(cat "$work/pid")"
wait_for 20 file_exists "$work/after" || fail "the run in xterm did not finish"
[ "$(cat "$work/status")" = 130 ] || fail "the show ended with status $(cat "$work/status"), not by the interrupt"
python3 - "$work/before" "$work/after" <<'PY' || fail "xterm's colours after the show are not what they were"
import json, sys
before, after = (json.load(open(p))["before"] for p in sys.argv[1:3])
print("before:", before)
print("after: ", after)
sys.exit(0 if before == after and before.get("4") == "rgb:1212/3434/5656" else 1)
PY
echo "PASS: xterm palette"
