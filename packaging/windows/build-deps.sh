#!/usr/bin/env bash
# Builds the game's libraries for 64-bit Windows from Debian's own source packages, with the
# mingw-w64 cross compilers, into one prefix of static libraries:
#   packaging/windows/build-deps.sh [build-dir]      (default build-windows)
# Sources land in <build-dir>/deps/src, the libraries in <build-dir>/deps/prefix. A library
# whose stamp names the version being built is not built again, so a second run takes
# seconds. When apt knows no source package, a deb-src twin of the machine's own Debian
# sources is added for the length of the download and removed again.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build-windows}")
deps=$build/deps
src=$deps/src
prefix=$deps/prefix
work=$deps/build
host=x86_64-w64-mingw32
jobs=${JOBS:-$(nproc)}
toolchain=$root/packaging/windows/mingw-toolchain.cmake
mkdir -p "$src" "$prefix" "$work" "$deps/stamps"

packages=(zlib libpng1.6 freetype libogg libvorbis libsdl2 googletest benchmark)

say() { printf 'build-deps: %s\n' "$*"; }
fail() { printf 'build-deps: %s\n' "$*" >&2; exit 1; }

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
# the Windows build takes the same version.
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

export PATH="$prefix/bin:$PATH"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
export CCA_WINDOWS_PREFIX=$prefix
cc=$host-gcc-posix
cmake_common=(-G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
              -DCMAKE_INSTALL_PREFIX="$prefix" -DCCA_WINDOWS_PREFIX="$prefix"
              -DBUILD_SHARED_LIBS=OFF)

build_zlib() {
  # Debian's zlib source has no win32/ folder; its configure knows a mingw host.
  local dir=$1
  (cd "$dir" && { make distclean > /dev/null 2>&1 || true; } &&
   CHOST=$host CC=$cc AR=$host-ar RANLIB=$host-ranlib CFLAGS="-O2" \
     ./configure --static --prefix="$prefix" > "$work/zlib.configure.log" &&
   make -j "$jobs" libz.a && make install-libs install-headers 2>/dev/null || make install)
}

cmake_build() {
  local name=$1 dir=$2
  shift 2
  rm -rf "${work:?}/$name"
  cmake -S "$dir" -B "$work/$name" "${cmake_common[@]}" "$@" > "$work/$name.configure.log"
  cmake --build "$work/$name" -j "$jobs"
  cmake --install "$work/$name"
}

autotools_build() {
  local name=$1 dir=$2
  shift 2
  rm -rf "${work:?}/$name"
  mkdir -p "$work/$name"
  (cd "$work/$name" &&
   "$dir/configure" --host=$host --prefix="$prefix" --disable-shared --enable-static \
       CC=$cc CFLAGS="-O2" "$@" > "$work/$name.configure.log" &&
   make -j "$jobs" && make install)
}

build_libpng1.6() {
  cmake_build libpng "$1" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
      -DZLIB_ROOT="$prefix"
}

build_freetype() {
  # The optional codecs (bzip2, Brotli, HarfBuzz, PNG glyphs) are left out. zlib is ours:
  # FreeType's own copy would define zlib's symbols a second time in the one executable.
  cmake_build freetype "$1" -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_HARFBUZZ=ON \
      -DFT_DISABLE_PNG=ON -DFT_REQUIRE_ZLIB=ON -DZLIB_ROOT="$prefix"
}

build_libogg() { autotools_build libogg "$1"; }

build_libvorbis() { autotools_build libvorbis "$1" --with-ogg="$prefix" --disable-docs --disable-examples; }

build_libsdl2() {
  cmake_build sdl2 "$1" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_TESTS=OFF \
      -DSDL_STATIC_PIC=OFF
}

# Only the tests and the benchmarks link these two.
build_googletest() { cmake_build googletest "$1" -DINSTALL_GTEST=ON -DBUILD_GMOCK=ON; }

build_benchmark() {
  cmake_build benchmark "$1" -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF \
      -DBENCHMARK_ENABLE_WERROR=OFF -DBENCHMARK_ENABLE_INSTALL=ON -DBENCHMARK_INSTALL_DOCS=OFF \
      -DGIT_VERSION="${version%-*}" -DHAVE_STD_REGEX=1 -DHAVE_STEADY_CLOCK=1
}

command -v $cc > /dev/null || fail "$cc not found; tools/install-deps.sh windows installs it"

for pkg in "${packages[@]}"; do
  fetch "$pkg"
  stamp=$deps/stamps/$pkg
  # The stamp holds the version and a digest of how it is built, so a changed recipe builds
  # the library again.
  recipe=$(declare -f "build_$pkg" cmake_build autotools_build | md5sum | cut -c1-12)
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
