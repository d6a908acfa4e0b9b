#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: CTest in the build folder, its arguments passed
# on, with one Wine server kept running for the whole run.
#   packaging/windows/wine-tests.sh build-dir [ctest arguments...]
# Without a persistent server, every test program starts and stops Wine's server and its
# services again. Every test runs once: a stall or a failure is a failure. Each program run
# through packaging/windows/wine-run.sh that printed its whole result and then had to be
# ended is listed in build-dir/wine-ended.log, and counted at the end.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
shift
export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine}
export WINE_RUN_ENDED_LOG=$build/wine-ended.log
rm -f "$WINE_RUN_ENDED_LOG"

server=$("$here/wine-run.sh" --server)
# A server an interrupted run left behind would never end by itself.
"$server" -k 2> /dev/null || true
# The server needs the prefix's folder, so the prefix comes first (made once, before tests
# start side by side; wine-run.sh waits until Wine has finished setting it up).
"$here/wine-run.sh" --prefix
"$server" -p
trap '"$server" -k 2> /dev/null || true' EXIT
# Wine's services start now, with nothing of a test's to hold on to.
"$here/wine-run.sh" cmd /c exit > /dev/null 2>&1
status=0
(cd "$build" && ctest "$@") || status=$?
ended=0
[ -f "$WINE_RUN_ENDED_LOG" ] && ended=$(wc -l < "$WINE_RUN_ENDED_LOG")
if [ "$ended" -gt 0 ]; then
  echo "wine-tests: $ended program(s) ended after printing their whole result, listed in $WINE_RUN_ENDED_LOG"
else
  echo "wine-tests: every program exited by itself"
fi
exit "$status"
