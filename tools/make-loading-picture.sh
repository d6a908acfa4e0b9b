#!/usr/bin/env bash
# Draws the picture the web page shows while the game loads, where the menu will show the
# title: assets/title.png on the arena's white, as a WebP small enough to travel inside the
# page itself (about 19 kB against the PNG's 147 kB), so it is there at the page's first paint.
#   packaging/web/loading-title.webp
# The output is kept in the repository, so building the page needs no image tools.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh" assets
convert "$root/assets/title.png" -background white -flatten -strip -quality 75 \
    -define webp:method=6 "$root/packaging/web/loading-title.webp"
ls -l "$root/packaging/web/loading-title.webp"
