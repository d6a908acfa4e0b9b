#!/usr/bin/env bash
# Who holds the game's heap after a minute of play: the real program under heaptrack on the
# current X display, played with xdotool as bench_startup plays it, then every allocation
# still live sorted by owner:
#   sounds      the decoded music and bell (what the sound loaders made)
#   gl-driver   what the OpenGL driver allocated for itself: allocations made inside its
#               libraries, which Debian ships without symbols (Mesa's llvmpipe and LLVM)
#   ours        everything else our code allocated, directly or through a library it called
#               (SDL, X, FreeType, libpng, libvorbis)
# and the process's resident set beside it.
#   bench/memory_owners.sh [game] [seconds of play]   (default build-bench's game, 60 s)
# Wants heaptrack and xdotool (tools/install-deps.sh bench installs them) and a display
# where the window lands at (32, 32), as on a bare Xvfb.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
game=${1:-$root/build-bench/game/candycane-arena}
seconds=${2:-60}
[ -x "$game" ] || { echo "memory_owners: no program at $game" >&2; exit 1; }
for tool in heaptrack heaptrack_print xdotool; do
  command -v "$tool" > /dev/null || { echo "memory_owners: $tool is missing" >&2; exit 1; }
done

scratch=$(mktemp -d)
trap 'kill -9 "${pid:-}" 2> /dev/null || true; rm -rf "$scratch"' EXIT
# A sound device, so that the music is decoded as when a player has one.
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-disk} SDL_DISKAUDIOFILE=${SDL_DISKAUDIOFILE:-/dev/null} \
  heaptrack -o "$scratch/trace" "$game" > "$scratch/heaptrack.log" 2>&1 &
wrapper=$!
pid=""
for _ in $(seq 1 100); do
  # By its name: heaptrack's own subshells carry the game's path in their command lines.
  pid=$(pgrep -P "$wrapper" -x "$(basename "$game" | cut -c1-15)" || true)
  [ -n "$pid" ] && break
  sleep 0.1
done
[ -n "$pid" ] || { echo "memory_owners: the game did not start" >&2; cat "$scratch/heaptrack.log" >&2; exit 1; }
sleep 6  # the menu is up and the sound decoded

at() { echo $((32 + $1)) $((32 + $2)); }
xdotool mousemove $(at 70 215) sleep 0.3 click 1 sleep 1 click 1 sleep 0.5
keys=(d s a w)
for second in $(seq 0 $((seconds - 1))); do
  x=$((second % 2 ? 700 : 100))
  button=$((second % 3 ? 1 : 3))
  xdotool mousemove $(at $x 300) keydown ${keys[second % 4]} mousedown $button sleep 0.9 \
    mouseup $button keyup ${keys[second % 4]}
done
resident=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
kill -9 "$pid"
wait "$wrapper" 2> /dev/null || true

heaptrack_print -f "$scratch/trace.zst" --flamegraph-cost-type leaked -F "$scratch/stacks" \
  > /dev/null 2>&1
echo "after $seconds s of play: $resident KiB resident; the heap still allocated, by owner:"
# A collapsed stack is its frames from the root to the allocation, then the bytes.
awk '{
  bytes = $NF; line = $0; sub(/ [0-9]+$/, "", line)
  n = split(line, frame, ";"); leaf = frame[n] != "" ? frame[n] : frame[n - 1]
  if (line ~ /LoadSoundFrom/) owner = "sounds"
  else if (leaf ~ /^0x/) owner = "gl-driver"
  else owner = "ours"
  total[owner] += bytes
} END {
  for (owner in total) printf "%10.0f KiB  %s\n", total[owner] / 1024, owner
}' "$scratch/stacks" | sort -rn
