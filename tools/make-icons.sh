#!/usr/bin/env bash
# Draws the application icon from the player's candy cane (assets/src/sprites/candycane.svg):
# the cane turned 30 degrees to the left, which makes its outline nearly square, centred on a
# transparent square.
#   packaging/icons/candycane-arena-N.png  N = 16 32 48 64 128 256, 8-bit RGBA, each drawn
#                                          at its own size (not scaled down from a big one)
#   packaging/icons/candycane-arena.ico    all of the above in one file, for the Windows build
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

# turned VIEWBOX SIZE STRIPE-SCALE FILE: the turned cane, centred on the origin of the
# sprite's own 38 x 48 box, seen through VIEWBOX and drawn SIZE pixels square.
turned() {
  local drawing=${body//"$stripes"/"patternTransform=\"rotate(40) scale($3)\""}
  cat >"$4" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
     width="$2" height="$2" viewBox="$1">
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

mkdir -p "$out"
pngs=()
for entry in "${sizes[@]}"; do
  IFS=: read -r n pad scale <<<"$entry"
  # The visible side fills N - 2 * pad pixels.
  view=$(awk -v n="$n" -v p="$pad" -v s="$side" -v cx="$cx" -v cy="$cy" \
    'BEGIN { u = s * n / (n - 2 * p); printf "%.4f %.4f %.4f %.4f", cx - u / 2, cy - u / 2, u, u }')
  turned "$view" "$n" "$scale" "$work/icon-$n.svg"
  rsvg-convert "$work/icon-$n.svg" -o "$work/icon-$n.png"
  "$work/png_finish" rgba "$work/icon-$n.png" "$out/candycane-arena-$n.png"
  pngs+=("$out/candycane-arena-$n.png")
done

# Largest first, as Windows' own icons list them.
ico_order=()
for ((i = ${#pngs[@]} - 1; i >= 0; i--)); do ico_order+=("${pngs[i]}"); done
convert "${ico_order[@]}" "$out/candycane-arena.ico"

echo "Done: $(printf '%s ' "${pngs[@]##*/}")candycane-arena.ico in packaging/icons/"
