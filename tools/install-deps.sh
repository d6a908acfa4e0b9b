#!/usr/bin/env bash
# Installs the Debian packages the project needs, skipping those already present.
#   tools/install-deps.sh run    libraries to build and start the game
#   tools/install-deps.sh test   the above plus compilers, test, display and asset tools
#   tools/install-deps.sh bench  the test set plus heaptrack, for bench/memory_owners.sh
#   tools/install-deps.sh fuzz   the test set plus clang and libFuzzer, for tools/run-fuzzers.sh
#   tools/install-deps.sh windows the test set plus the mingw-w64 cross compilers, the tools that
#                                fetch and unpack Debian source packages, Wine and zip
#   tools/install-deps.sh web    the test set plus Debian's Emscripten, the tools that fetch,
#                                unpack and configure Debian source packages for it, and
#                                Chromium to run the page in
#   tools/install-deps.sh assets the run libraries plus what tools/make-assets.sh draws,
#                                encodes and copies with (SVG rasteriser, Vorbis encoder, fonts)
#   tools/install-deps.sh package the run libraries plus what `make deb` packs and checks with
set -euo pipefail

# libgles-dev: libGLESv2 and its headers, for the OpenGL ES 2 renderer.
run_pkgs=(build-essential cmake pkg-config libsdl2-dev libgl-dev libgles-dev libgl1-mesa-dri
          libfreetype-dev libpng-dev zlib1g-dev libogg-dev libvorbis-dev)
test_pkgs=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool imagemagick
           vorbis-tools
           xfonts-terminus fonts-dejavu-core
           libstb-dev libsdl2-mixer-dev clang-format)
bench_pkgs=(heaptrack)
fuzz_pkgs=(clang libclang-rt-dev)
# The posix flavour of the cross compilers: std::thread and std::mutex need it.
# Wine opens its X11 and GL libraries at run time, so the ones it recommends are named here
# (recommends are not installed); fonts-wine gives its dialogs their fonts.
windows_pkgs=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
              dpkg-dev wine64 zip libgl1 libgl1-mesa-dri libxcursor1 libxrandr2 libxi6
              libxrender1 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1 fonts-wine)
# Emscripten's own ports download their sources, so packaging/web/build-deps.sh builds the
# libraries from Debian's source packages (dpkg-dev); the config.sub and config.guess of
# autotools-dev know the wasm32 host that libogg's and libvorbis's own predate. Emscripten
# runs its optimiser with node and acorn.
web_pkgs=(emscripten binaryen nodejs node-acorn autotools-dev dpkg-dev chromium)
# fonts-blankenburg is the game's font; the title and directions drawings are lettered in
# Leckerli One and DejaVu Sans.
asset_pkgs=(librsvg2-bin imagemagick vorbis-tools fonts-blankenburg fonts-leckerli-one
            fonts-dejavu-core)
# dpkg-shlibdeps (in dpkg-dev) finds the package's library dependencies, and file is what
# CPack tells executables by; hardening-check (in devscripts) looks at the packaged binary's
# hardening; packaging/debian/test-install.sh makes its Debian with debootstrap and looks at
# the game under Xvfb.
package_pkgs=(dpkg-dev file lintian devscripts debootstrap xvfb xauth imagemagick)

case "${1:-run}" in
  run) wanted=("${run_pkgs[@]}") ;;
  test) wanted=("${run_pkgs[@]}" "${test_pkgs[@]}") ;;
  bench) wanted=("${run_pkgs[@]}" "${test_pkgs[@]}" "${bench_pkgs[@]}") ;;
  fuzz) wanted=("${run_pkgs[@]}" "${test_pkgs[@]}" "${fuzz_pkgs[@]}") ;;
  windows) wanted=("${run_pkgs[@]}" "${test_pkgs[@]}" "${windows_pkgs[@]}") ;;
  web) wanted=("${run_pkgs[@]}" "${test_pkgs[@]}" "${web_pkgs[@]}") ;;
  assets) wanted=("${run_pkgs[@]}" "${asset_pkgs[@]}") ;;
  package) wanted=("${run_pkgs[@]}" "${package_pkgs[@]}") ;;
  *) echo "usage: $0 run|test|bench|fuzz|windows|web|assets|package" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
