# Sourced by the scripts that build libraries from Debian's source packages
# (windows-deps, web-deps): deb-src lines derived from the system's own
# sources, as the non-free component is, and the sources unpacked once into
# $cache/src-PACKAGE-VERSION. Needs $cache.
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
apt_get() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }

# Source lines derived from the system's own, as the non-free component is.
src_dir=/etc/apt/sources.list.d
sources="$src_dir/cellrune-deb-src.sources"
if [ ! -f "$sources" ] && [ -f "$src_dir/debian.sources" ]; then
  sed 's/^Types: deb$/Types: deb-src/; s/^Components: .*$/Components: main non-free/' "$src_dir/debian.sources" |
    $sudo tee "$sources" >/dev/null
fi
# A list that fails to arrive (a mirror mid-sync) is not fatal by itself:
# a missing source package is, below, with its name.
if [ -z "$(apt-cache showsrc libopenmpt 2>/dev/null)" ]; then
  apt_get update -q >&2 || echo "$(basename "$0"): apt-get update reported a problem; going on" >&2
fi

version_of() { apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1; }

# fetch PACKAGE: unpacks its source into $cache/src-PACKAGE-VERSION; prints the folder. The
# newest version the lists name first; a mirror that lists a version it does not hold yet
# (mid-sync) gets the next one.
fetch() {
  local version folder unpacked
  for version in $(apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -rVu); do
    folder="$cache/src-$1-$version"
    if [ ! -d "$folder" ]; then
      rm -rf "$folder.tmp" && mkdir -p "$folder.tmp"
      if ! (cd "$folder.tmp" && apt-get source -q "$1=$version" >&2); then
        echo "$(basename "$0"): $1 $version could not be fetched; trying an older one" >&2
        rm -rf "$folder.tmp"
        continue
      fi
      unpacked=$(find "$folder.tmp" -mindepth 1 -maxdepth 1 -type d | head -n 1)
      [ -n "$unpacked" ] || { echo "$(basename "$0"): $1 $version unpacked nothing" >&2; exit 1; }
      mv "$unpacked" "$folder"
      rm -rf "$folder.tmp"
    fi
    echo "$folder"
    return 0
  done
  echo "$(basename "$0"): no source package $1 could be fetched" >&2
  exit 1
}
