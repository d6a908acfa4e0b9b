#!/usr/bin/env bash
# Remakes graphics/vardofont.bin, the engine's built-in 8 x 16 font, from Terminus Font
# (Debian package xfonts-terminus, SIL Open Font License 1.1; the licence is kept beside the
# output as graphics/vardofont.LICENSE).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source_font=/usr/share/fonts/X11/misc/ter-u16n_iso-8859-1.pcf.gz
[ -f "$source_font" ] || { echo "missing $source_font: install xfonts-terminus" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -Wall -Wextra -o "$work/make-vardofont" "$root/tools/make-vardofont.cpp" \
    $(pkg-config --cflags --libs freetype2)
"$work/make-vardofont" "$source_font" "$root/graphics/vardofont.bin"
{
    echo "graphics/vardofont.bin is made by tools/make-vardofont.sh from Terminus Font"
    echo "(ter-u16n, Debian package xfonts-terminus). Its licence follows."
    echo
    cat /usr/share/doc/xfonts-terminus/copyright
} >"$root/graphics/vardofont.LICENSE"
