#!/usr/bin/env bash
# Draws docs/contact-sheet.png from the files in assets/: every sprite as the game draws it when
# facing right (candy cane turned by aim - 90, tree, hat, bell and gingerbread man by facing + 90,
# the homing shots by their heading), at 1:1 and enlarged 3x without smoothing, on the white
# the game clears to; then the particle star in its two tints, the lives icon, the title and the
# directions picture at 1:1.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
assets=$root/assets
sheet=$root/docs/contact-sheet.png
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
mkdir -p "$root/docs"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name : rotation in degrees as drawn facing right
sprites=(
  "candycane.png:-90" "target.png:0" "snowman.png:0" "tree.png:90" "hat.png:90"
  "whitestar.png:0" "present.png:0" "ball.png:0" "port.png:0" "bell.png:90"
  "gingerbread.png:90" "homing.png:0" "red ball.png:0" "ornament.png:0" "wreath.png:0"
  "enemyhoming.png:0" "spawn.png:0"
)

tiles=()
tile() {  # tile CAPTION IMAGE-OPTIONS...: the image at 1:1 beside it enlarged 3x, captioned
  local caption=$1 out
  shift
  out="$work/tile-$(printf %02d ${#tiles[@]}).png"
  convert \( "$@" +repage \) \( +clone -filter point -resize 300% \) \
    -bordercolor none -border 6 -background white -gravity center +append -flatten +repage \
    \( -font "$font" -pointsize 12 -fill '#333333' label:"$caption" \) \
    -gravity center -append -bordercolor white -border 8 "$out"
  tiles+=("$out")
}

for entry in "${sprites[@]}"; do
  name=${entry%:*}
  angle=${entry##*:}
  caption=$name
  [ "$angle" != 0 ] && caption="$name, turned $angle"
  tile "$caption" "$assets/$name" -background none -rotate "$angle"
done
tile "whitestar.png, red particle" "$assets/whitestar.png" \
  -channel G,B -evaluate multiply 0 +channel
tile "whitestar.png, green particle" "$assets/whitestar.png" \
  -channel R,B -evaluate multiply 0.047 -channel G -evaluate multiply 0.47 +channel
tile "candycane.png, lives icon" "$assets/candycane.png" \
  -resize 50% -channel A -evaluate multiply 0.5 +channel

# Four tiles to a row, each row centred.
rows=()
for ((n = 0; n < ${#tiles[@]}; n += 4)); do
  convert "${tiles[@]:n:4}" -background white -gravity center +append "$work/row-$n.png"
  rows+=("$work/row-$n.png")
done
convert "${rows[@]}" -background white -gravity center -append "$work/sprites.png"
convert "$work/sprites.png" \
  \( "$assets/title.png" -background white -flatten -bordercolor '#dddddd' -border 1 \) \
  \( -size 10x20 xc:white \) \
  \( "$assets/directions.png" -bordercolor '#dddddd' -border 1 \) \
  -background white -gravity center -append -bordercolor white -border 10 \
  -strip -define png:exclude-chunks=date,time "PNG24:$sheet"
echo "Contact sheet: docs/contact-sheet.png"
