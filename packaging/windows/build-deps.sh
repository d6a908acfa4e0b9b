#!/usr/bin/env bash
# Builds the game's libraries for 64-bit Windows from Debian's own source packages, with the
# mingw-w64 cross compilers, into one prefix of static libraries:
#   packaging/windows/build-deps.sh [deps-dir]   (default ~/.cache/candycane-arena/windows)
# The sources, build trees, libraries and stamps live in the cache that
# packaging/deps-common.sh describes. A library whose stamp names the version being built is
# not built again, so a second run takes seconds. When apt knows no source package, a deb-src
# twin of the machine's own Debian sources is added for the length of the download and removed
# again.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
target=windows
host=x86_64-w64-mingw32
packages=(zlib libpng1.6 freetype libogg libvorbis libsdl2 googletest benchmark)
recipe_helpers=(cmake_build autotools_build)
toolchain=$root/packaging/windows/mingw-toolchain.cmake
# shellcheck source=../deps-common.sh
source "$root/packaging/deps-common.sh"

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

build_deps
