#!/usr/bin/env bash
# Runs a Windows program under Wine: the test runner's emulator for the Windows build.
#   packaging/windows/wine-run.sh program.exe [args...]
#   packaging/windows/wine-run.sh --server     prints the path of the matching wineserver
# Debian's wine64 keeps its loader off the PATH. The Wine prefix lives in the build folder
# (WINEPREFIX, default build-windows/wine), made on first use; Wine's own chatter is off.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
loader=""
for candidate in "${WINE_LOADER:-}" /usr/lib/wine/wine64 "$(command -v wine64 || true)" \
                 "$(command -v wine || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then loader=$candidate; break; fi
done
[ -n "$loader" ] || { echo "wine-run: no Wine loader; tools/install-deps.sh windows installs wine64" >&2; exit 1; }

if [ "${1:-}" = "--server" ]; then
  for server in "$(dirname "$loader")/wineserver" "$(command -v wineserver || true)"; do
    [ -x "$server" ] && { echo "$server"; exit 0; }
  done
  echo "wine-run: no wineserver beside $loader" >&2
  exit 1
fi

export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts when the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$loader" wineboot --init > /dev/null 2>&1 || true
  "$(dirname "$loader")/wineserver" -w 2> /dev/null || wineserver -w 2> /dev/null || true
fi
exec "$loader" "$@"
