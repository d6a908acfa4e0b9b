#!/usr/bin/env bash
# Installs the Debian package on a fresh Debian and starts the game from its menu entry:
#   packaging/debian/test-install.sh build-release/candycane-arena_1.0.0_amd64.deb [RELEASE]
# RELEASE is bookworm (Debian 12, the default) or trixie (Debian 13). The fresh Debian is a
# minbase one made once with debootstrap (fresh-debian.sh) and kept clean: every run works in
# a copy of it, which is deleted afterwards.
# In the copy: apt installs the package without Recommends, so its Depends alone must bring
# everything the game needs, software GL included; the files a desktop looks for must be
# there; then a plain user runs the Exec line of the installed .desktop entry on an Xvfb
# display of the host (:77, or $CCA_TEST_DISPLAY). After 5 s the game must still be running
# and the screen must show a picture; the screenshot and the game's output are left beside
# the package (test-install-RELEASE.png, test-install-RELEASE.log). Prints PASS or FAIL and
# exits 0 or 1.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -f "$1" ]; then
  echo "usage: $0 PACKAGE.deb [RELEASE]" >&2
  exit 2
fi
release=${2:-bookworm}
if [ "$(id -u)" -ne 0 ]; then
  echo "test-install: needs root (debootstrap, chroot, mount)" >&2
  exit 2
fi

deb=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
display=:${CCA_TEST_DISPLAY:-77}
shot=$(dirname "$deb")/test-install-$release.png
log=$(dirname "$deb")/test-install-$release.log
"$root/tools/install-deps.sh" package
# shellcheck source=fresh-debian.sh
source "$root/packaging/debian/fresh-debian.sh"

fail() {
  echo "test-install: $*" >&2
  echo "FAIL on Debian $release"
  exit 1
}

game_pid=""
xvfb_pid=""
cleanup() {
  if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then kill -KILL "$game_pid"; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  fresh_debian_cleanup
}
trap cleanup EXIT

fresh_debian "$release" || fail "could not make a fresh Debian $release"

echo "Installing $(basename "$deb")"
start=$SECONDS
cp "$deb" "$work/tmp/"
in_debian apt-get update -qq
in_debian apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" >"$log" 2>&1 ||
  { tail -n 30 "$log" >&2; fail "apt could not install the package"; }
# shellcheck disable=SC2016 # dpkg-query's own ${field} syntax
installed=$(in_debian dpkg-query -W -f='${db:Status-Abbrev}\n' | grep -c '^ii')
echo "apt install took $((SECONDS - start)) s; $installed packages installed in all"

package=$(dpkg-deb -f "$deb" Package)
desktop=/usr/share/applications/$package.desktop
for file in /usr/games/$package "$desktop" /usr/share/man/man6/$package.6.gz \
  /usr/share/doc/$package/copyright \
  /usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/$package.png; do
  [ -f "$work$file" ] || fail "$file is not installed"
done
# shellcheck disable=SC2016
in_debian dpkg-query -W -f='${db:Status-Abbrev}' libgl1-mesa-dri | grep -q '^ii' ||
  fail "the package's Depends do not bring in Mesa's drivers (libgl1-mesa-dri)"

exec_line=$(sed -n 's/^Exec=//p' "$work$desktop" | sed 's/ %[a-zA-Z]//g')
[ -n "$exec_line" ] || fail "$desktop has no Exec line"

in_debian useradd --create-home player
uid=$(in_debian id -u player)
gid=$(in_debian id -g player)

[ ! -e "/tmp/.X11-unix/X${display#:}" ] || fail "display $display is taken; set CCA_TEST_DISPLAY"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.2
done
[ -e "/tmp/.X11-unix/X${display#:}" ] || fail "Xvfb did not start on $display"

echo "Starting \"$exec_line\" as a plain user on $display"
chroot "$work" /usr/bin/setpriv --reuid="$uid" --regid="$gid" --init-groups \
  /usr/bin/env -i HOME=/home/player USER=player LOGNAME=player \
  PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games \
  DISPLAY="$display" /bin/sh -c "cd && exec $exec_line" >>"$log" 2>&1 &
game_pid=$!
sleep 5
if ! kill -0 "$game_pid" 2>/dev/null; then
  wait "$game_pid" && status=0 || status=$?
  game_pid=""
  tail -n 20 "$log" >&2
  fail "the game ended within 5 s (exit status $status)"
fi

import -display "$display" -window root "$shot"
# An empty Xvfb screen is one colour; the title menu has its picture and buttons.
colours=$(convert "$shot" -format '%k' info:)
echo "Screenshot: $shot ($colours colours)"
[ "$colours" -ge 100 ] || fail "the screen shows no picture"

# A desktop session ends programs with SIGTERM; the game takes it as closing its window.
kill -TERM "$game_pid"
status=""
for _ in $(seq 50); do
  if ! kill -0 "$game_pid" 2>/dev/null; then
    wait "$game_pid" && status=0 || status=$?
    break
  fi
  sleep 0.1
done
[ -n "$status" ] || fail "the game did not end within 5 s of SIGTERM"
game_pid=""
[ "$status" -eq 0 ] || fail "the game ended with status $status on SIGTERM"

echo "PASS on Debian $release"
