#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: CTest in the build folder, its arguments passed
# on, with one Wine server kept running for the whole run.
#   packaging/windows/wine-tests.sh build-dir [ctest arguments...]
# Without a persistent server, every test program starts and stops Wine's server and its
# services again, and now and then one waits about 100 s for a server that is going away.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1
shift
export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine}

server=$("$here/wine-run.sh" --server)
# A server already running for this prefix is left as it is.
"$server" -p 2> /dev/null || true
# The prefix is made once, before tests start side by side.
"$here/wine-run.sh" cmd /c exit
status=0
# Now and then a Wine process stalls for minutes before it ends, whatever it runs; under Wine
# a test gets 120 s, and one that timed out gets one more run.
(cd "$build" && ctest --repeat until-pass:2 "$@") || status=$?
"$server" -k || true
exit "$status"
