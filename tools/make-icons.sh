#!/usr/bin/env bash
# Draws the application icon from the player's candy cane (assets/src/sprites/candycane.svg):
# the cane turned 30 degrees to the left, which makes its outline nearly square, centred on a
# transparent square.
#   packaging/icons/candycane-arena-N.png  N = 16 32 48 64 128 256, 8-bit RGBA, each drawn
#                                          at its own size (not scaled down from a big one)
#   packaging/icons/candycane-arena.ico    all of the above in one file, for the Windows build
#   packaging/icons/candycane-arena-192.png, -512.png  the web page's app icons, transparent
#   packaging/icons/candycane-arena-maskable-512.png   the same on an opaque square of the
#                                          page's colour, the cane inside the middle circle of
#                                          four fifths of the side that every mask shape keeps
#   packaging/icons/candycane-arena-touch-180.png      opaque too, for phones' home screens,
#                                          which fill a transparent icon with black
#   packaging/icons/favicon.ico            16, 32 and 48 in one file (as PNG), the web page's
#                                          tab icon
# At 16 px the stripes are drawn twice as wide, or they blur into pink. The outputs are kept in
# the repository, so building and packaging need no SVG rasteriser; a remake on the same
# Debian release gives byte-identical files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cane=$root/assets/src/sprites/candycane.svg
out=$root/packaging/icons
"$root/tools/install-deps.sh" assets

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

g++ -std=c++20 -O2 -Wall -Wextra -o "$work/png_finish" "$root/tools/png_finish.cpp" -lpng

# size : padding on each side in pixels : stripe scale
sizes=("16:0.5:2" "32:1:1" "48:1.5:1" "64:2:1" "128:6:1" "256:12:1")
angle=-30

# The sprite's drawing without its own <svg> element, so it can be placed in ours.
if [ "$(head -c 5 "$cane")" != "<svg " ] || [ "$(tail -n 1 "$cane")" != "</svg>" ]; then
  echo "make-icons: $cane no longer starts with <svg and ends with </svg>" >&2
  exit 1
fi
body=$(sed -e '1d' -e '$d' "$cane")
stripes='patternTransform="rotate(40)"'
if ! grep -qF "$stripes" <<<"$body"; then
  echo "make-icons: the stripe pattern in $cane has changed; update make-icons.sh" >&2
  exit 1
fi

# The opaque icons' square: the web page's own background.
page_colour="#16202b"

# turned VIEWBOX SIZE STRIPE-SCALE FILE [BACKGROUND]: the turned cane, centred on the origin
# of the sprite's own 38 x 48 box, seen through VIEWBOX and drawn SIZE pixels square, on a
# transparent square or one of colour BACKGROUND.
turned() {
  local drawing=${body//"$stripes"/"patternTransform=\"rotate(40) scale($3)\""}
  local square=""
  if [ -n "${5:-}" ]; then
    read -r vx vy vw vh <<<"$1"
    square="<rect x=\"$vx\" y=\"$vy\" width=\"$vw\" height=\"$vh\" fill=\"$5\"/>"
  fi
  cat >"$4" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
     width="$2" height="$2" viewBox="$1">
$square
<g transform="rotate($angle) translate(-19 -24)">
$drawing
</g>
</svg>
EOF
}

# Measure the turned cane: 20 pixels a unit over a 100-unit square around it, then trim.
turned "-50 -50 100 100" 2000 1 "$work/measure.svg"
rsvg-convert "$work/measure.svg" -o "$work/measure.png"
read -r w h x y < <(convert "$work/measure.png" -format '%@\n' info: | tr 'x+' '  ')
box=$(awk -v w="$w" -v h="$h" -v x="$x" -v y="$y" \
  'BEGIN { printf "%.3f %.3f %.3f", (x + w / 2) / 20 - 50, (y + h / 2) / 20 - 50,
           (w > h ? w : h) / 20 }')
read -r cx cy side <<<"$box"
echo "make-icons: the turned cane is ${w}x${h} at 20 px a unit, centred on ($cx, $cy)"

# draw N PAD STRIPE-SCALE NAME [BACKGROUND]: packaging/icons/candycane-arena-NAME.png, N
# pixels square, the visible side of the cane filling N - 2 * PAD of them.
draw() {
  local n=$1 pad=$2 scale=$3 name=$4 background=${5:-} view
  view=$(awk -v n="$n" -v p="$pad" -v s="$side" -v cx="$cx" -v cy="$cy" \
    'BEGIN { u = s * n / (n - 2 * p); printf "%.4f %.4f %.4f %.4f", cx - u / 2, cy - u / 2, u, u }')
  turned "$view" "$n" "$scale" "$work/icon-$name.svg" "$background"
  rsvg-convert "$work/icon-$name.svg" -o "$work/icon-$name.png"
  "$work/png_finish" "$([ -n "$background" ] && echo rgb || echo rgba)" \
    "$work/icon-$name.png" "$out/candycane-arena-$name.png"
}

mkdir -p "$out"
pngs=()
for entry in "${sizes[@]}"; do
  IFS=: read -r n pad scale <<<"$entry"
  draw "$n" "$pad" "$scale" "$n"
  pngs+=("$out/candycane-arena-$n.png")
done
# The web page's icons; the Windows icon stops at 256.
draw 192 9 1 192
draw 512 24 1 512
# The cane's square is 0.58 of the side, so its corners stay inside the circle of 0.8.
draw 512 107.5 1 maskable-512 "$page_colour"
draw 180 22 1 touch-180 "$page_colour"

# Largest first, as Windows' own icons list them.
ico_order=()
for ((i = ${#pngs[@]} - 1; i >= 0; i--)); do ico_order+=("${pngs[i]}"); done
convert "${ico_order[@]}" "$out/candycane-arena.ico"
# The tab icon keeps its sizes as PNG, which every browser reads inside an icon file: half
# the bytes of the uncompressed bitmaps convert writes, and the page fetches it at load.
python3 - "$out/favicon.ico" "$out/candycane-arena-48.png" "$out/candycane-arena-32.png" \
  "$out/candycane-arena-16.png" <<'ICO'
import struct, sys
pngs = [open(name, "rb").read() for name in sys.argv[2:]]
icon = struct.pack("<HHH", 0, 1, len(pngs))
offset = 6 + 16 * len(pngs)
for png in pngs:
    width, height = struct.unpack(">II", png[16:24])
    icon += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(png), offset)
    offset += len(png)
open(sys.argv[1], "wb").write(icon + b"".join(pngs))
ICO

echo "Done: $(printf '%s ' "${pngs[@]##*/}")candycane-arena.ico and the web page's" \
  "192, 512, maskable-512, touch-180 and favicon.ico in packaging/icons/"
