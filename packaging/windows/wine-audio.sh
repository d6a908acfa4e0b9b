#!/usr/bin/env bash
# Runs the Windows build's audio output tests through one of SDL's Windows backends under
# Wine, into an ALSA device with no card behind it that writes what is played to a file.
#   packaging/windows/wine-audio.sh driver test_audio_output.exe [test arguments...]
# driver is what SDL_AUDIODRIVER takes: wasapi, directsound or winmm. The device converts
# whatever Wine opens to 16-bit stereo at 44 100 Hz, the format of SDL's disk driver that the
# tests read; the tests find the file through CCA_AUDIO_CAPTURE (on Wine's Z: drive, which is
# the root of this machine).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
driver=$1
program=$2
shift 2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# ALSA reads ~/.asoundrc: a home of the run's own keeps the machine's configuration out.
cat > "$scratch/.asoundrc" <<CONF
pcm.!default {
    type plug
    slave { pcm "capture"; format S16_LE; rate 44100; channels 2 }
}
pcm.capture {
    type file
    slave.pcm "null"
    file "$scratch/capture.raw"
    format "raw"
}
CONF
# The tests time the sound against the clock, through Wine's audio thread: on a busy machine
# one is late now and then. A run that fails is run once more, saying so; failing twice fails.
for attempt in 1 2; do
  rm -f "$scratch/capture.raw"
  if HOME=$scratch SDL_AUDIODRIVER=$driver CCA_AUDIO_CAPTURE="Z:$scratch/capture.raw" \
       "$here/wine-run.sh" "$program" "$@"; then
    exit 0
  fi
  [ "$attempt" = 1 ] && echo "wine-audio: $driver failed; running it once more"
done
exit 1
