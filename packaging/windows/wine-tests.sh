#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: CTest in the build folder, its arguments passed
# on, with one Wine server kept running for the whole run.
#   packaging/windows/wine-tests.sh build-dir [ctest arguments...]
# Without a persistent server, every test program starts and stops Wine's server and its
# services again.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1
shift
export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine}

server=$("$here/wine-run.sh" --server)
# A server an interrupted run left behind would never end by itself.
"$server" -k 2> /dev/null || true
# The prefix is made once, before tests start side by side, and Wine is let to finish what
# a new prefix starts in the background (until then, programs start slowly): the server
# ends when the last of it has. Then one server serves the whole run.
"$here/wine-run.sh" cmd /c exit
"$server" -w
"$server" -p
trap '"$server" -k 2> /dev/null || true' EXIT
# Now and then a Wine process stalls for minutes, in whichever test it happens to run (seen in
# about one full run in two, never when one test program is run alone many times); the test
# times out and gets one more run. A test that really fails fails twice.
cd "$build"
ctest --repeat until-pass:2 "$@"
