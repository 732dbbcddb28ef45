#!/usr/bin/env bash
# Installed the way a user would: cmake --install into a scratch prefix, and
# the Debian package unpacked; each copy run from a folder that holds no data
# finds its own and draws the very frame of the build, the manual page renders
# without warnings and lists exactly the options --help prints.
set -uo pipefail
. "$(dirname "$0")/common.sh"
need man cpack dpkg-deb lintian
bin=$1
build=$(cd "$(dirname "$bin")" && pwd)
position=0x2C000

# The frame the build draws from its own show folder: each installed copy must draw the same.
(cd "$build/show" && "$bin" --snapshot $position --out "$work/reference" 2>"$work/reference.err") ||
  fail "the build's own snapshot failed: $(cat "$work/reference.err")"

# Runs a copy from an unrelated folder; its frame must be the build's.
snapshot_from_elsewhere() { # program label
  mkdir -p "$work/elsewhere"
  (cd "$work/elsewhere" && "$1" --snapshot $position --out "$work/$2" 2>"$work/$2.err") ||
    fail "$2: the snapshot failed: $(cat "$work/$2.err")"
  grep -q "show's data" "$work/$2.err" && fail "$2: the data was not found: $(cat "$work/$2.err")"
  cmp -s "$work/reference/$position.fb" "$work/$2/$position.fb" || fail "$2: the frame differs from the build's"
  echo "$2: found its data, same frame"
}

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install: $(cat "$work/install.log")"
for f in bin/cellrune share/cellrune/blob.rar share/man/man6/cellrune.6 share/doc/cellrune/README.md; do
  [ -s "$prefix/$f" ] || fail "cmake --install did not install $f"
done
snapshot_from_elsewhere "$prefix/bin/cellrune" installed

# The manual page: no warnings, and the same options as --help, both ways.
manual="$prefix/share/man/man6/cellrune.6"
LC_ALL=C MANWIDTH=100 man --warnings -l "$manual" >"$work/manual.txt" 2>"$work/manual.err"
[ -s "$work/manual.err" ] && fail "man reports: $(cat "$work/manual.err")"
grep -q "EXIT STATUS" "$work/manual.txt" || fail "the manual page did not render"
options() { grep -o -- '--[a-z][a-z-]*' "$1" | sort -u; }
"$bin" --help >"$work/help.txt"
diff <(options "$work/help.txt") <(options "$work/manual.txt") >"$work/options.diff" ||
  fail "--help (<) and the manual page (>) list different options: $(cat "$work/options.diff")"
echo "manual page: $(options "$work/manual.txt" | wc -l) options, as --help"

# The package, unpacked (not installed) and run from elsewhere: the data is found beside the program.
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || fail "cpack: $(tail -20 "$work/cpack.log")"
deb=$(ls "$work/package"/cellrune_*_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "cpack made no cellrune_<version>_<arch>.deb: $(ls "$work/package")"
depends=$(dpkg-deb -f "$deb" Depends)
echo "package $(basename "$deb"), depends: $depends"
case "$depends" in *libunrar5*) ;; *) fail "the package does not depend on libunrar5" ;; esac
dpkg-deb -c "$deb" | grep -q "usr/share/man/man6/cellrune.6.gz" || fail "the manual page is not in the package, compressed"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1
grep '^E:' "$work/lintian.txt" && fail "lintian reports errors"
echo "lintian: $(grep -c '^[WI]:' "$work/lintian.txt") warnings and notes, no errors"
dpkg-deb -x "$deb" "$work/unpacked" || fail "dpkg-deb -x failed"
snapshot_from_elsewhere "$work/unpacked/usr/bin/cellrune" unpacked
echo "PASS"
