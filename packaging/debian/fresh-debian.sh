# Sourced by the scripts that try the project on a fresh Debian (test-install.sh,
# tools/test-on-debian.sh): a clean minbase Debian per release, made once with debootstrap and
# kept in the cache the cross-builds use, and throw-away copies of it to work in.
#   fresh_debian RELEASE   makes a copy of the clean RELEASE (bookworm, trixie, ...) in
#                          $work, with /proc, /sys, /dev and the host's X sockets mounted in
#                          it; the EXIT trap unmounts them and deletes the copy
#   in_debian CMD...       runs CMD as root in the copy, with a clean environment (but for
#                          DISPLAY, whose X socket the copy shares)
# The archive is the one the machine's own apt sources name, as apt itself would use it.

debian_cache=${XDG_CACHE_HOME:-$HOME/.cache}/candycane-arena/debian

# The first Debian archive the machine's apt sources name (one-line or deb822 format), not
# its security archive.
debian_mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    awk '$1 == "deb" { for (i = 2; i <= NF; ++i) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }' |
    grep -i debian | grep -v -- '-security' | head -n 1 || true)
  if [ -z "$uri" ]; then
    uri=$(awk '/^Types:/ { deb = ($0 ~ /[[:space:]]deb([[:space:]]|$)/) }
               /^URIs:/ && deb { print $2 }' /etc/apt/sources.list.d/*.sources 2>/dev/null |
      grep -i debian | grep -v -- '-security' | head -n 1 || true)
  fi
  [ -n "$uri" ] || { echo "fresh-debian: no Debian archive in the machine's apt sources" >&2; return 1; }
  echo "$uri"
}

# The clean RELEASE, made once. debootstrap works in a side folder, so a run cut short never
# leaves a half-made one where a finished one is expected.
debian_base() {
  local release=$1 base=$debian_cache/$1 mirror start
  if [ ! -x "$base/usr/bin/apt-get" ]; then
    command -v debootstrap >/dev/null || { echo "fresh-debian: debootstrap is missing" >&2; return 1; }
    mirror=$(debian_mirror) || return 1
    echo "Making a minbase Debian $release in $base" >&2
    start=$SECONDS
    mkdir -p "$debian_cache"
    rm -rf --one-file-system "$base.partial"
    debootstrap --variant=minbase "$release" "$base.partial" "$mirror" >"$base.log" 2>&1 ||
      { tail -n 20 "$base.log" >&2; return 1; }
    mv "$base.partial" "$base"
    echo "debootstrap took $((SECONDS - start)) s" >&2
  fi
  echo "$base"
}

work=""
mounted=()
fresh_debian_cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" || echo "fresh-debian: could not unmount ${mounted[i]}" >&2
  done
  mounted=()
  [ -n "$work" ] || return 0
  # Deleting the copy with the host's /dev or /tmp/.X11-unix still mounted in it would
  # delete those: keep it instead.
  if grep -qF " $work/" /proc/mounts; then
    echo "fresh-debian: something is still mounted under $work; left it in place" >&2
  else
    rm -rf --one-file-system "$work"
  fi
  work=""
}

mount_in() {  # mount_in TARGET MOUNT-ARGUMENTS...: mounts inside the copy and remembers it
  local target=$work$1
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounted+=("$target")
}

fresh_debian() {
  local base
  base=$(debian_base "$1") || return 1
  work=$(mktemp -d "$debian_cache/$1-run.XXXXXX")
  echo "Copying the clean Debian $1 to $work" >&2
  cp -a "$base/." "$work/"
  cp --remove-destination /etc/resolv.conf "$work/etc/resolv.conf"
  # No service a package might pull in is started inside the chroot.
  printf '#!/bin/sh\nexit 101\n' >"$work/usr/sbin/policy-rc.d"
  chmod 0755 "$work/usr/sbin/policy-rc.d"
  [ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
  mount_in /proc -t proc proc
  mount_in /sys -t sysfs sysfs
  mount_in /dev --bind /dev
  mount_in /dev/pts --bind /dev/pts
  mount_in /dev/shm -t tmpfs tmpfs
  mount_in /tmp/.X11-unix --bind /tmp/.X11-unix
}

in_debian() {
  chroot "$work" /usr/bin/env -i DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 HOME=/root \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    ${DISPLAY:+DISPLAY=$DISPLAY} "$@"
}
