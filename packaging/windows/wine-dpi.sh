#!/usr/bin/env bash
# Runs a Windows program under Wine on a desktop scaled to dpi/96 (144 is 150 %), in a Wine
# prefix of its own beside the build's, since the scale is a setting of the prefix. The
# program finds the scale in CCA_DESKTOP_SCALE.
#   packaging/windows/wine-dpi.sh dpi program.exe [args...]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dpi=$1
shift
export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine}-dpi$dpi
"$here/wine-run.sh" --prefix
# Windows reads the scale when a program starts.
"$here/wine-run.sh" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
  > /dev/null
CCA_DESKTOP_SCALE=$(awk -v dpi="$dpi" 'BEGIN { print dpi / 96 }') "$here/wine-run.sh" "$@"
