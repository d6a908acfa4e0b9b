// The SDL2 audio output: the TWaveOut the mixer's device plays through on the desktop.
//
// Opens SDL's default audio device at 44100 Hz, stereo, signed 16-bit little-endian, and
// plays the prepared ring from SDL's audio thread, counting the bytes handed over.
#pragma once

#include <memory>

#include "audio/wave_device.h"

namespace vdl {

// An open SDL audio output, or null when no device can be opened.
std::unique_ptr<TWaveOut> OpenSdlWaveOut();

// Makes SDL's output the one the audio layer opens (SetWaveOutOpener).
void InstallSdlWaveOut();

}  // namespace vdl
