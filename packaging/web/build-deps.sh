#!/usr/bin/env bash
# Builds the game's libraries for the web from Debian's own source packages, with Debian's
# Emscripten, into one prefix of static WebAssembly libraries:
#   packaging/web/build-deps.sh [deps-dir]   (default ~/.cache/candycane-arena/web)
# Emscripten's ports (-sUSE_SDL=2 and the like) would download their sources, so SDL2, zlib,
# libpng, FreeType and the Vorbis libraries are built here like the Windows ones; GoogleTest
# too, so the tests can be built for the web and run under node. Nothing uses threads: no
# -pthread, which would need cross-origin isolation in the browser. A library whose stamp
# matches is not built again (packaging/deps-common.sh).
# A CMake project finds the libraries with
#   PKG_CONFIG_LIBDIR=<prefix>/lib/pkgconfig emcmake cmake \
#     -DCMAKE_PREFIX_PATH=<prefix> -DCMAKE_FIND_ROOT_PATH=<prefix>
# Emscripten's toolchain file searches only below its root paths, and its sysroot has a
# stand-in SDL2 package file for the SDL port; with the prefix as the first root path ours is
# found first. Without PKG_CONFIG_LIBDIR pkg-config falls back to the machine's own .pc files.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
target=web
host=wasm32-unknown-emscripten
packages=(zlib libpng1.6 freetype libogg libvorbis libsdl2 googletest)
recipe_helpers=(cmake_build autotools_build)
# shellcheck source=../deps-common.sh
source "$root/packaging/deps-common.sh"

# Debian's Emscripten runs its JavaScript optimiser with node, which finds acorn only in
# Debian's own node module folder.
export NODE_PATH=/usr/share/nodejs
# emconfigure points pkg-config at Emscripten's sysroot; this is searched before it.
export EM_PKG_CONFIG_PATH=$prefix/lib/pkgconfig
cmake_common=(-G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
              -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix"
              -DBUILD_SHARED_LIBS=OFF)

build_zlib() {
  local dir=$1
  (cd "$dir" && { make distclean > /dev/null 2>&1 || true; } &&
   CC=emcc AR=emar RANLIB=emranlib CFLAGS="-O2" \
     emconfigure ./configure --static --prefix="$prefix" > "$work/zlib.configure.log" &&
   emmake make -j "$jobs" libz.a && make install-libs install-headers 2>/dev/null || make install)
}

cmake_build() {
  local name=$1 dir=$2
  shift 2
  rm -rf "${work:?}/$name"
  emcmake cmake -S "$dir" -B "$work/$name" "${cmake_common[@]}" "$@" > "$work/$name.configure.log" &&
    cmake --build "$work/$name" -j "$jobs" &&
    cmake --install "$work/$name"
}

# The config.sub and config.guess these tarballs carry predate Emscripten; autotools-dev's
# know it.
autotools_build() {
  local name=$1 dir=$2 f
  shift 2
  for f in $(find "$dir" -name config.sub -o -name config.guess); do
    cp "/usr/share/misc/$(basename "$f")" "$f"
  done
  rm -rf "${work:?}/$name"
  mkdir -p "$work/$name"
  (cd "$work/$name" &&
   emconfigure "$dir/configure" --host=$host --prefix="$prefix" --disable-shared --enable-static \
       CFLAGS="-O2" "$@" > "$work/$name.configure.log" &&
   emmake make -j "$jobs" && make install)
}

build_libpng1.6() {
  cmake_build libpng "$1" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
      -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DZLIB_ROOT="$prefix" -DCMAKE_C_FLAGS_RELEASE="-Os -DNDEBUG"
}

build_freetype() {
  # No optional codec at all (the game's font is plain TrueType). Not even zlib: without a
  # zlib of its own to find, FreeType compiles its bundled copy into ftgzip, whose symbols
  # clash with libz's in the one program, so gzip support is switched off in ftoption.h.
  local opt=$1/include/freetype/config/ftoption.h
  sed -i 's|^#define FT_CONFIG_OPTION_USE_ZLIB$|/* #undef FT_CONFIG_OPTION_USE_ZLIB */|' "$opt"
  grep -q '^#define FT_CONFIG_OPTION_USE_ZLIB' "$opt" && return 1
  # Nor what only other kinds of TrueType font use, which the game's has none of (its tables
  # are checked in tests/page_freetype): Mac resource forks, variations, colour layers and
  # SVG glyphs, embedded bitmaps and their BDF properties.
  local option
  for option in FT_CONFIG_OPTION_MAC_FONTS FT_CONFIG_OPTION_GUESSING_EMBEDDED_RFORK \
                TT_CONFIG_OPTION_GX_VAR_SUPPORT TT_CONFIG_OPTION_COLOR_LAYERS FT_CONFIG_OPTION_SVG \
                TT_CONFIG_OPTION_EMBEDDED_BITMAPS TT_CONFIG_OPTION_BDF; do
    sed -i "s|^#define $option\$|/* #undef $option */|" "$opt"
    grep -q "^#define $option\$" "$opt" && return 1
  done
  # It runs only while the fonts are rendered at start-up: compiled for size.
  cmake_build freetype "$1" -DCMAKE_C_FLAGS_RELEASE="-Oz -DNDEBUG" -DFT_DISABLE_ZLIB=ON \
      -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_PNG=ON
}

build_libogg() { autotools_build libogg "$1"; }

build_libvorbis() { autotools_build libvorbis "$1" --with-ogg="$prefix" --disable-docs --disable-examples; }

build_libsdl2() {
  # SDL's Emscripten backend, without pthreads: SDL's threads become its generic ones.
  # Lean and mean (src/SDL_internal.h): no optimised surface blitters, RLE, YUV or software
  # renderer, which the page reaches only through the cursor's one conversion, which SDL's
  # generic blitter does. Nor the drivers the page never starts: the dummy and offscreen
  # video drivers (platform/gl_context.cpp passes over them) and the dummy and disk audio
  # drivers, which SDL starts only when SDL_AUDIODRIVER names them.
  cmake_build sdl2 "$1" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_TESTS=OFF \
      -DSDL_PTHREADS=OFF -DCMAKE_C_FLAGS=-DSDL_LEAN_AND_MEAN=1 -DCMAKE_C_FLAGS_RELEASE="-Oz -DNDEBUG" \
      -DSDL_DUMMYVIDEO=OFF -DSDL_OFFSCREEN=OFF -DSDL_DUMMYAUDIO=OFF -DSDL_DISKAUDIO=OFF
}

# Only the tests link these.
build_googletest() {
  cmake_build googletest "$1" -DINSTALL_GTEST=ON -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=ON
}

command -v emcc > /dev/null || fail "emcc not found; tools/install-deps.sh web installs it"
[ -f /usr/share/misc/config.sub ] || fail "autotools-dev is missing; tools/install-deps.sh web installs it"

build_deps
