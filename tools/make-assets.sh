#!/usr/bin/env bash
# Remakes every file in assets/ from its source in assets/src/, then the contact sheet in docs/.
#   sprites/*.svg, title.svg   rasterised with rsvg-convert, finished as 8-bit RGBA PNGs
#   directions.svg             rasterised with the finished sprites beside it, flattened to RGB
#   sound/christmas.score      rendered by tools/synth.cpp, encoded with oggenc
#   sound/bell.bell            the same
#   santbsb_.ttf               Blankenburg from Debian's fonts-blankenburg, unchanged
# Everything is deterministic (the Ogg serial numbers are fixed), so a remake on the same
# Debian release gives byte-identical files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
src=$root/assets/src
out=$root/assets
"$root/tools/install-deps.sh" assets

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The drawings name their fonts; a missing one would silently fall back to another face.
for family in "Leckerli One" "DejaVu Sans"; do
  if [ "$(fc-match -f '%{family}' "$family")" != "$family" ]; then
    echo "make-assets: the font \"$family\" is not installed" >&2
    exit 1
  fi
done

echo "Building the asset tools"
g++ -std=c++20 -O2 -Wall -Wextra -o "$work/png_finish" "$root/tools/png_finish.cpp" -lpng
g++ -std=c++20 -O2 -Wall -Wextra -o "$work/synth" "$root/tools/synth.cpp"

echo "Drawing the sprites and the title"
mkdir -p "$work/raw" "$work/directions"
for svg in "$src"/sprites/*.svg "$src/title.svg"; do
  name=$(basename "$svg" .svg)
  rsvg-convert "$svg" -o "$work/raw/$name.png"
  "$work/png_finish" rgba "$work/raw/$name.png" "$out/$name.png"
  cp "$out/$name.png" "$work/directions/"
done

echo "Drawing the directions"
cp "$src/directions.svg" "$work/directions/"
rsvg-convert "$work/directions/directions.svg" -o "$work/raw/directions.png"
"$work/png_finish" rgb "$work/raw/directions.png" "$out/directions.png"

echo "Copying the font"
font=/usr/share/fonts/truetype/blankenburg/Blankenburg_UNZ1A.ttf
(cd "$(dirname "$font")" && sha256sum --quiet -c "$src/font/Blankenburg_UNZ1A.ttf.sha256")
cp "$font" "$out/santbsb_.ttf"

echo "Rendering the music and the bell"
"$work/synth" score "$src/sound/christmas.score" "$work/christmas.wav"
oggenc -Q -q 4 -s 1225 -o "$out/christmas.ogg" "$work/christmas.wav"
"$work/synth" bell "$src/sound/bell.bell" "$work/bell.wav"
oggenc -Q -q 4 -s 1226 -o "$out/bell.ogg" "$work/bell.wav"

"$root/tools/make-contact-sheet.sh"
echo "Done: $(ls "$out" | grep -vcE '^(src|LICENSE)$') files in assets/"
