#!/usr/bin/env bash
# Runs a Windows program under Wine: the test runner's emulator for the Windows build.
#   packaging/windows/wine-run.sh program.exe [args...]
#   packaging/windows/wine-run.sh --prefix     makes the Wine prefix if it is missing
#   packaging/windows/wine-run.sh --server     prints the path of the matching wineserver
# Debian's wine64 keeps its loader off the PATH. The Wine prefix lives in the build folder
# (WINEPREFIX, default build-windows/wine), made on first use; Wine's own chatter is off.
#
# The program's output goes to a file, copied to our standard output as it grows, and never
# straight to whatever reads us. Wine starts its services (services.exe, winedevice.exe,
# explorer.exe, rpcss.exe...) from the first program that needs them, and they keep that
# program's standard error open for as long as the Wine server runs; a test runner that
# reads the program's output waits for them, which looks like a program that stalls for
# minutes before it exits. Here we return when the program itself has ended.
#
# A program that has printed its whole GoogleTest result (or a fuzz replay its closing line)
# but has not exited WINE_RUN_GRACE seconds later (default 5) is ended, and what it printed
# decides: success only when every test it ran passed and it ran at least one. A program that
# Wine ends with SIGKILL after its whole result counts the same way. A program that exits on
# its own keeps its exit status, whatever it printed before, so a crash at exit is a fault;
# so is any crash Wine reports, whatever status it gives (a crashed program still there four
# grace periods later is ended). A run given --gtest_filter that ran no test fails, so a test
# listed by name cannot pass by running nothing. Each program ended after its result adds a
# line to WINE_RUN_ENDED_LOG when that is set.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
loader=""
for candidate in "${WINE_LOADER:-}" /usr/lib/wine/wine64 "$(command -v wine64 || true)" \
                 "$(command -v wine || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then loader=$candidate; break; fi
done
[ -n "$loader" ] || { echo "wine-run: no Wine loader; tools/install-deps.sh windows installs wine64" >&2; exit 1; }

server=""
for candidate in "$(dirname "$loader")/wineserver" "$(command -v wineserver || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then server=$candidate; break; fi
done
if [ "${1:-}" = "--server" ]; then
  [ -n "$server" ] || { echo "wine-run: no wineserver beside $loader" >&2; exit 1; }
  echo "$server"
  exit 0
fi

export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts when the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$loader" wineboot --init < /dev/null > /dev/null 2>&1 || true
  # Until the server made for the new prefix has ended, Wine is still setting it up.
  "$server" -w 2> /dev/null || true
fi
[ "${1:-}" = "--prefix" ] && exit 0

grace=${WINE_RUN_GRACE:-5}
filtered=0
for arg in "$@"; do
  case "$arg" in --gtest_filter=*) filtered=1 ;; esac
done

log=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2> /dev/null
  rm -f "$log"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# The program dies with us, even when we are killed outright (as a test ends a game it
# started): nothing of it is left to run on, or to hold our output open.
setpriv --pdeathsig KILL "$loader" "$@" < /dev/null > "$log" 2>&1 &
pid=$!

# Copies what the program has written since the last call to our standard output.
copied=0
copy_output() {
  local size
  size=$(stat -c %s "$log")
  if (( size > copied )); then
    # One reader, no pipe: a pipe's writer could meet a closed reader under pipefail.
    dd if="$log" iflag=skip_bytes,count_bytes skip="$copied" count=$((size - copied)) \
      status=none
    copied=$size
  fi
}

# The output so far, its lines ended as on Linux (a Windows program ends them with CR LF).
output() { tr -d '\r' < "$log"; }

# Whether the output holds a whole result: GoogleTest's closing summary (the count of tests
# that ran, then the passed line, and the failed list when there is one), or the fuzz
# replay's last line.
complete() {
  local text
  text=$(output)
  # A crash after the result is no stall: it fails (below).
  crashed <<< "$text" && return 1
  grep -qE '^replay: [0-9]+ inputs, all clean$' <<< "$text" && return 0
  grep -qE '^\[==========\] [0-9]+ tests? from [0-9]+ test suites? ran\.' <<< "$text" || return 1
  grep -qE '^\[  PASSED  \] [0-9]+ tests?\.$' <<< "$text" || return 1
  ! grep -qE '^\[  FAILED  \] [0-9]+ tests?, listed below:$' <<< "$text" ||
    grep -qE '^ ?[0-9]+ FAILED TESTS?$' <<< "$text"
}

# Whether the whole result printed is a success.
passed() {
  local text
  text=$(output)
  grep -qE '^replay: [0-9]+ inputs, all clean$' <<< "$text" && return 0
  ! grep -qE '^\[  FAILED  \]' <<< "$text" && ran_some
}

# Whether Wine has said the program crashed (its debugger's report follows).
crashed() { grep -qE '^wine: Unhandled '; }

ran_some() {
  local text
  text=$(output)
  grep -qE '^\[==========\] [1-9][0-9]* tests? from [0-9]+ test suites? ran\.' <<< "$text"
}

# The watch: the program is ended once its whole result has stood for the grace period, or
# four times that after Wine said it crashed (its debugger now and then never finishes).
complete_at=""
crashed_at=""
ended=0
while kill -0 "$pid" 2> /dev/null; do
  copy_output
  if [ -z "$complete_at" ] && complete; then complete_at=$SECONDS; fi
  if [ -z "$crashed_at" ] && crashed < "$log"; then crashed_at=$SECONDS; fi
  if [ -n "$crashed_at" ] && (( SECONDS - crashed_at >= 4 * grace )); then
    kill -KILL "$pid" 2> /dev/null || true
    break
  elif [ -n "$complete_at" ] && (( SECONDS - complete_at >= grace )); then
    kill -KILL "$pid" 2> /dev/null || true
    ended=1
    break
  fi
  sleep 0.2
done
status=0
wait "$pid" || status=$?
pid=""
copy_output

name=$(basename "$1")
if [ "$ended" = 0 ] && [ "$status" = 137 ] && complete; then
  ended=2
fi
if [ "$ended" != 0 ]; then
  how="not exited ${grace} s after printing its whole result; ended it"
  [ "$ended" = 2 ] && how="killed by Wine after printing its whole result"
  echo "wine-run: $name $how, and its result counts" >&2
  [ -n "${WINE_RUN_ENDED_LOG:-}" ] && echo "$name $*: $how" >> "$WINE_RUN_ENDED_LOG"
  passed && exit 0
  exit 1
fi
# Wine reports the exit status of a program its debugger saw crash as 0 about as often as
# not; its notice of the crash is what tells.
text=$(output)
if crashed <<< "$text"; then
  echo "wine-run: $name crashed (exit status $status; Wine's report is above)" >&2
  [ "$status" = 0 ] && status=1
  exit "$status"
fi
if [ "$status" = 0 ] && [ "$filtered" = 1 ] && ! ran_some; then
  echo "wine-run: $name ran no test for its --gtest_filter" >&2
  exit 1
fi
exit "$status"
