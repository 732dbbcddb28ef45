#!/usr/bin/env bash
# The same pictures on Windows: the Windows program under wine and the Linux
# program render two positions of every scene window in a text and a pixel
# style, and every file they write (.fb, .cells, .win) is the same, byte for
# byte.
# usage: wine_pictures.sh WINE_LOADER CELLRUNE.EXE LINUX_CELLRUNE SHOW_DIR
set -uo pipefail
. "$(dirname "$0")/common.sh"
use_wine "$1"
exe=$(realpath "$2") linux=$(realpath "$3") show_dir=$4
[ -x "$linux" ] || fail "no Linux program $linux to compare with"
table="$(dirname "$0")/../scene_pictures.txt"

# The first two positions of each scene, plain settings.
positions=$(awk '!/^#/ && $3 == "-" { if (seen[$1]++ < 2) printf "%s%s", (n++ ? "," : ""), $2 }' "$table")
[ "$(echo "$positions" | tr ',' '\n' | wc -l)" = 30 ] || fail "expected two positions of fifteen scenes: $positions"

cd "$show_dir" || fail "no show folder $show_dir"
for mode in 0 5; do
  "$linux" --snapshot "$positions" --out "$work/linux-$mode" mode $mode >"$work/linux.log" 2>&1 ||
    { cat "$work/linux.log"; fail "the Linux program's snapshots in mode $mode failed"; }
  "$wine" "$exe" --snapshot "$positions" --out "$work/windows-$mode" mode $mode >"$work/windows.log" 2>&1 ||
    { cat "$work/windows.log"; fail "the Windows program's snapshots in mode $mode failed"; }
done

compared=0 differing=()
for linux_file in "$work"/linux-*/*.fb "$work"/linux-*/*.cells "$work"/linux-*/*.win; do
  [ -e "$linux_file" ] || continue
  windows_file="$work/windows-${linux_file#"$work/linux-"}"
  compared=$((compared + 1))
  if ! cmp -s "$linux_file" "$windows_file"; then
    differing+=("mode ${linux_file#"$work/linux-"}")
  fi
done
# Modes 0 and 5 each write a frame, and mode 0 its cells, mode 5 its window picture: 4 files a position.
[ "$compared" = 120 ] || fail "compared $compared files, expected 120"
[ ${#differing[@]} = 0 ] || fail "${#differing[@]} of $compared files differ: ${differing[*]}"
echo "PASS: the same $compared files from Windows and Linux at 30 positions"
