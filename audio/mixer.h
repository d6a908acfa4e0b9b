// The software mixer's call interface.
//
// Opens the mixer with its output device, makes mixer sounds, hands out channel handles and
// starts, stops, pauses and adjusts voices through them. A handle is a table index (1-4095)
// OR'd with the entry's generation, which grows each time the index is handed out, so a
// stale handle reaches nothing. Every operation runs on the game thread; mixing runs on the
// device's tick thread. Depends on the mixer core, the output device and the clock; the
// platform's output is installed at start-up.
#pragma once

#include <memory>

#include "audio/mix.h"
#include "audio/wave_device.h"

namespace vdl {

// Samples per fragment (512 stereo frames, 11.6 ms).
constexpr int kFragmentLength = 1024;
// Entries in the channel table; entry 0 heads the free list.
constexpr int kChannelEntries = 4096;

// Opens the platform's audio output; null when there is no device.
using WaveOutOpener = std::unique_ptr<TWaveOut> (*)();
// Installs the opener OpenMixer uses (start-up installs the platform's; null removes it).
void SetWaveOutOpener(WaveOutOpener opener);
// The installed opener, or null.
WaveOutOpener InstalledWaveOutOpener();
// Opens the mixer on the installed audio output: 0, or -1 when none is installed or it
// cannot be opened. The device ticks on a thread of its own unless the output ticks it.
int OpenMixer();
// Opens the mixer on the given output. With tickThread the device ticks every 5 ms on a
// thread of its own; without, nothing mixes until MixerTick is called.
int OpenMixerOn(std::unique_ptr<TWaveOut> waveOut, bool tickThread);
// Stops the tick, recycles every voice, frees the channel table and closes the device.
void CloseMixer();
// Runs one device tick on the calling thread (for a mixer opened without a tick thread).
void MixerTick();
// The open device, or null.
TWaveOutDevice* MixerDevice();

// A mixer sound holding a copy of length frames, or null when the mixer is not open or the
// data has a shape the mixer cannot play. loop non-zero makes it loop.
TMixerSound* MixerCreateSound(int length, int bits, int channels, int hertz, const void* data,
                              int loop);
// Copies frames more frames into sound at its write position, wrapping at its length.
void MixerWriteSound(TMixerSound* sound, const void* data, int frames);
// Drops one reference to sound; the last frees it.
void MixerReleaseSound(TMixerSound* sound);

// A new channel handle with no voice yet, or 0 when none is left.
int MixerAllocChannel();
// Starts sound on the channel handle (0: a fresh handle), paused when paused is non-zero.
// Returns the handle the voice is bound to (0 when none was left).
int MixerPlay(TMixerSound* sound, int paused, int handle);
// The state of the channel's voice, or 0 for a stale or empty handle.
int MixerChannelState(int handle);
// Stops the channel's voice; it is recycled once the mixer sees it.
void MixerStopChannel(int handle);
// Pauses (non-zero) or resumes the channel's voice.
void MixerPauseChannel(int handle, int paused);
// Volume, pan and depth as 4.12 fixed point, the rate as 16.16.
void MixerSetVolume(int handle, float v);
void MixerSetPan(int handle, float p);
void MixerSetDepth(int handle, float d);
void MixerSetRate(int handle, float r);

}  // namespace vdl
