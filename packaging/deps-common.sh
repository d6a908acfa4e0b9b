# Sourced by packaging/<target>/build-deps.sh: what building the game's libraries from
# Debian's own source packages has in common, whatever the target. The caller sets
#   target           the folder's name in the cache (windows, web)
#   host             the target's triplet, for the messages
#   packages         the source packages, in build order
#   recipe_helpers   the functions besides build_<pkg> whose text goes into a library's stamp
# and the cache's folder for the target is its first argument, or else
#   ${XDG_CACHE_HOME:-$HOME/.cache}/candycane-arena/<target>
# with src/ (the source packages, unpacked with Debian's patches), build/ (build trees and
# logs), prefix/ (the installed libraries) and stamps/ (one file a library: the version and a
# digest of its recipe). The cache lies outside every work tree, so a fresh clone on the same
# machine, and CI, find the libraries built already.
# It then defines build_<pkg> for each package and calls build_deps.

deps_cache=${XDG_CACHE_HOME:-$HOME/.cache}/candycane-arena
deps=$(realpath -m "${1:-$deps_cache/$target}")
src=$deps/src
prefix=$deps/prefix
work=$deps/build
jobs=${JOBS:-$(nproc)}
mkdir -p "$src" "$prefix" "$work" "$deps/stamps"

say() { printf 'build-deps: %s\n' "$*"; }
fail() { printf 'build-deps: %s\n' "$*" >&2; exit 1; }

# Two runs at once (two clones, or a developer and CI) would build into the same prefix: the
# second waits for the first, then finds its stamps.
exec 9> "$deps/.lock"
if ! flock -n 9; then
  say "waiting for the other build in $deps"
  flock 9
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

srclist=/etc/apt/sources.list.d/candycane-arena-deb-src.sources
added_src=0
remove_src() {
  if [ "$added_src" = 1 ]; then
    say "removing the deb-src entry again"
    $sudo rm -f "$srclist"
    $sudo apt-get update -qq || true
    added_src=0
  fi
}
trap remove_src EXIT

# A deb-src stanza for every deb entry the machine has, in either sources format.
add_src() {
  [ "$added_src" = 1 ] && return
  say "adding a deb-src entry for the machine's own Debian suites"
  local tmp
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -q '^URIs:.*debian' "$f" || continue
    sed -e '/^#/d' -e 's/^Types:.*/Types: deb-src/' "$f" >> "$tmp"
    echo >> "$tmp"
  done
  if [ -f /etc/apt/sources.list ]; then
    awk '$1 == "deb" && $2 ~ /debian/ {
           printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $2, $3
           for (i = 4; i <= NF; i++) printf " %s", $i
           printf "\n\n" }' /etc/apt/sources.list >> "$tmp"
  fi
  [ -s "$tmp" ] || { rm -f "$tmp"; fail "no Debian entries in the apt sources to add deb-src for"; }
  $sudo install -m 644 "$tmp" "$srclist"
  rm -f "$tmp"
  added_src=1
  $sudo apt-get update -qq
}

# The -dev package whose version the Linux build links against, for each source package:
# the other targets take the same version.
declare -A dev_of=([zlib]=zlib1g-dev [libpng1.6]=libpng-dev [freetype]=libfreetype-dev
                   [libogg]=libogg-dev [libvorbis]=libvorbis-dev [libsdl2]=libsdl2-dev
                   [googletest]=libgtest-dev [benchmark]=libbenchmark-dev)

# Fetches a source package once and unpacks it with Debian's patches into $dir; sets $version
# to the version fetched. The version the machine's -dev package has comes first; then every version apt knows, newest first
# (a mirror may lack the security suite's sources).
fetch() {
  local pkg=$1 dsc upstream candidates candidate
  dsc=$(ls "$src"/"${pkg}"_*.dsc 2>/dev/null | head -1 || true)
  if [ -z "$dsc" ]; then
    apt-cache showsrc "$pkg" 2>/dev/null | grep -q '^Version:' || add_src
    candidates=$(dpkg-query -W -f='${source:Version}' "${dev_of[$pkg]}" 2>/dev/null || true)
    candidates="$candidates $(apt-cache showsrc "$pkg" | awk '/^Version:/ {print $2}' | sort -urV)"
    for candidate in $candidates; do
      say "fetching the source package $pkg $candidate"
      if (cd "$src" && apt-get source -qq --download-only "$pkg=$candidate" > /dev/null 2>&1); then
        dsc=$(ls "$src"/"${pkg}"_*.dsc | head -1)
        break
      fi
      rm -f "$src"/"${pkg}"_*
    done
    [ -n "$dsc" ] || fail "no version of the source package $pkg could be fetched"
  fi
  version=$(awk '/^Version:/ {print $2; exit}' "$dsc")
  upstream=${version#*:}
  upstream=${upstream%-*}
  dir=$src/$pkg-$upstream
  # apt checked the files against the signed Sources index; dpkg-source's own look for the
  # uploader's key (not installed here) only makes noise, so its output goes to a log.
  if [ ! -d "$dir" ]; then
    (cd "$src" && dpkg-source -x "$(basename "$dsc")" > "$work/$pkg.unpack.log" 2>&1) ||
      { cat "$work/$pkg.unpack.log" >&2; fail "the source package $pkg did not unpack"; }
  fi
}

# Builds every package whose stamp does not match, then prints the versions and the prefix.
build_deps() {
  local pkg stamp recipe start
  for pkg in "${packages[@]}"; do
    fetch "$pkg"
    stamp=$deps/stamps/$pkg
    # The stamp holds the version and a digest of how it is built, so a changed recipe builds
    # the library again.
    recipe=$(declare -f "build_$pkg" "${recipe_helpers[@]}" | md5sum | cut -c1-12)
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version $recipe" ]; then
      continue
    fi
    say "building $pkg $version for $host"
    start=$(date +%s)
    "build_$pkg" "$dir" > "$work/$pkg.log" 2>&1 || { tail -30 "$work/$pkg.log" >&2; fail "$pkg failed to build; the whole log is $work/$pkg.log"; }
    echo "$version $recipe" > "$stamp"
    say "built $pkg in $(( $(date +%s) - start )) s"
  done

  remove_src
  for pkg in "${packages[@]}"; do
    printf '  %-10s %s\n' "$pkg" "$(cut -d' ' -f1 "$deps/stamps/$pkg")"
  done
  say "the libraries are in $prefix"
}
