#!/usr/bin/env bash
# Runs a make command in a fresh clone of this repository on a fresh Debian, as a newcomer
# with a new machine would:
#   tools/test-on-debian.sh RELEASE [MAKE-ARGUMENTS...]    default: make test
# e.g. tools/test-on-debian.sh trixie, or DISPLAY=:1 tools/test-on-debian.sh trixie run to
# watch the game start on an X display of the host.
# The Debian is a copy of a clean minbase one (packaging/debian/fresh-debian.sh) with git and
# make added, nothing else: the make command installs what it needs itself. The clone is of
# the committed HEAD, not of the work tree. The copy is deleted afterwards; its log is
# build-debian/RELEASE.log. Needs root (debootstrap, chroot, mount).
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 RELEASE [MAKE-ARGUMENTS...]" >&2
  exit 2
fi
release=$1
shift
[ $# -gt 0 ] || set -- test
if [ "$(id -u)" -ne 0 ]; then
  echo "test-on-debian: needs root (debootstrap, chroot, mount)" >&2
  exit 2
fi

root=$(cd "$(dirname "$0")/.." && pwd)
command -v debootstrap >/dev/null || "$root/tools/install-deps.sh" package
# shellcheck source=../packaging/debian/fresh-debian.sh
source "$root/packaging/debian/fresh-debian.sh"
trap fresh_debian_cleanup EXIT

mkdir -p "$root/build-debian"
log=$root/build-debian/$release.log
start=$SECONDS
fresh_debian "$release"
in_debian apt-get update -qq
in_debian apt-get install -y -qq --no-install-recommends git make ca-certificates >"$log" 2>&1 ||
  { tail -n 20 "$log" >&2; exit 1; }
git clone -q --no-hardlinks "$root" "$work/root/candycane-arena"
echo "Debian $release ready in $((SECONDS - start)) s; running make $* in a fresh clone" \
  "(log: $log)"
status=0
in_debian sh -c 'cd /root/candycane-arena && exec make "$@"' make "$@" >>"$log" 2>&1 ||
  status=$?
# The closing lines say how it went (CTest's summary, or the error).
tail -n 25 "$log"
echo "test-on-debian: make $* on Debian $release ended with status $status after" \
  "$((SECONDS - start)) s"
exit "$status"
