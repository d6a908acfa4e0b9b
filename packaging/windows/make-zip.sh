#!/usr/bin/env bash
# Packs the Windows build for players: candycane-arena-windows-x86_64.zip holds the game's
# executable, a short read-me and the licences of everything linked or embedded into it (the
# libraries' from their Debian source packages, the fonts' from the repository).
#   packaging/windows/make-zip.sh [build-dir [deps-dir]]
# (default build-windows, and the libraries' folder build-deps.sh uses by default)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build-windows}")
exe=$build/candycane-arena.exe
src=$(realpath -m "${2:-${XDG_CACHE_HOME:-$HOME/.cache}/candycane-arena/windows}")/src
[ -f "$exe" ] || { echo "make-zip: $exe is missing; make windows builds it" >&2; exit 1; }

stage=$build/dist/candycane-arena
rm -rf "$build/dist"
mkdir -p "$stage/licences"
cp "$exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/candycane-arena.exe"

for pkg in zlib libpng1.6 freetype libogg libvorbis libsdl2; do
  dir=$(find "$src" -maxdepth 1 -type d -name "$pkg-*" | head -1)
  [ -n "$dir" ] && [ -f "$dir/debian/copyright" ] ||
    { echo "make-zip: no debian/copyright for $pkg under $src" >&2; exit 1; }
  version=$(basename "$dir")
  cp "$dir/debian/copyright" "$stage/licences/$version.txt"
done
# The game's own terms: the code's zlib licence, the CC BY 4.0 notice of the drawings, music
# and sounds, and the map of which licence covers which file, with every licence in full.
cp "$root/LICENSE" "$stage/licences/candycane-arena-code.txt"
cp "$root/assets/LICENSE" "$stage/licences/candycane-arena-assets.txt"
cp "$root/packaging/debian/copyright" "$stage/licences/candycane-arena.txt"
cp "$root/assets/src/font/LICENSE-Blankenburg.txt" "$stage/licences/font-Blankenburg.txt"
cp "$root/assets/src/font/LICENSE-LeckerliOne.txt" "$stage/licences/font-LeckerliOne.txt"
cp "$root/graphics/vardofont.LICENSE" "$stage/licences/font-Terminus.txt"
# The MinGW-w64 run-time and winpthreads are linked in statically as well.
for f in /usr/share/doc/mingw-w64-common/copyright /usr/share/doc/gcc-mingw-w64-base/copyright; do
  [ -f "$f" ] && cp "$f" "$stage/licences/$(basename "$(dirname "$f")").txt"
done

cat > "$stage/README.txt" <<'TEXT'
Candy Cane Arena

Double-click candycane-arena.exe to play. Steer the candy cane with W, A, S and D, aim with
the mouse, fire straight shots with the left button and homing shots with the right button.
P pauses; Escape leaves play for the title menu, and quits from there.

The game needs OpenGL (any graphics driver from the last twenty years has it) and plays its
music through the default sound device. It writes no files.

The game's code is under the zlib licence (licences\candycane-arena-code.txt), its drawings,
music and sounds under Creative Commons Attribution 4.0 (licences\candycane-arena-assets.txt);
licences\candycane-arena.txt says which file is under which, with each licence in full. The
licences of the libraries and fonts built into the executable are beside them.
TEXT
sed -i 's/$/\r/' "$stage/README.txt"

zip=$build/candycane-arena-windows-x86_64.zip
rm -f "$zip"
(cd "$build/dist" && zip -q -r -X "$zip" candycane-arena)
echo "$zip: $(stat -c %s "$zip") bytes"
unzip -l "$zip"
