// Sounds, channels and the audio driver: the audio interface the game programs against.
//
// The base classes are quiet: their sounds and channels do nothing and no channel ever
// plays. The current driver is the mixer-backed one once InitAudio has opened the output,
// and the quiet base driver when it could not (or before it ran), so the game runs silent
// without a sound device. Depends on the samples and the mixer.
#pragma once

#include <memory>
#include <string>

#include "audio/sample.h"
#include "runtime/object.h"

namespace vdl {

// A channel a sound plays on.
class TChannel : public Object {
public:
    virtual void Stop() {}
    virtual void SetPaused(int) {}
    virtual void SetVolume(float) {}
    virtual void SetPan(float) {}
    virtual void SetDepth(float) {}
    virtual void SetRate(float) {}
    // 1 while the channel's sound is playing (or paused), else 0.
    virtual int Playing() { return 0; }
};

using ChannelRef = std::shared_ptr<TChannel>;

// A loaded sound.
class TSound : public Object {
public:
    // Plays the sound on channel (null: a fresh channel); returns the channel it plays on.
    virtual ChannelRef Play(const ChannelRef& channel);
    // Like Play, but the new voice starts paused.
    virtual ChannelRef Cue(const ChannelRef& channel);

    // A sound from url through the current driver, or null when it does not load. Non-zero
    // flags make it loop.
    static std::shared_ptr<TSound> Load(const std::string& url, int flags);
    // A sound from a sample already in memory; null when sample is null.
    static std::shared_ptr<TSound> Load(const std::shared_ptr<TAudioSample>& sample, int flags);
};

using SoundRef = std::shared_ptr<TSound>;

// Makes sounds and channels.
class TAudioDriver : public Object {
public:
    virtual SoundRef CreateSound(const std::shared_ptr<TAudioSample>& sample, int flags);
    virtual ChannelRef AllocChannel();
};

// The driver Load and NewChannel use: never null (the quiet base driver by default).
TAudioDriver& CurrentAudioDriver();
// Makes driver current; null restores the quiet driver.
void SetAudioDriver(std::shared_ptr<TAudioDriver> driver);

// Opens the mixer once; on success closes it again at program exit and makes the
// mixer-backed driver current. Without an output the quiet driver stays current. True when
// the mixer plays (later calls report the first call's outcome). After BeginInitAudio it
// takes the output opened there, waiting for it while it is still being opened.
bool InitAudio();

// Starts opening the installed output on a thread of its own, so that the caller goes on
// while the platform looks for a device (a tenth of a second and more); the output is only
// held there until InitAudio takes it, and nothing else of the audio layer changes on that
// thread. Once only, before InitAudio; without threads (a page) it does nothing and InitAudio
// opens the output itself. The program ending waits for the thread.
void BeginInitAudio();

// False while the output BeginInitAudio started opening is still being opened, so that
// InitAudio would wait; true otherwise.
bool AudioOutputSettled();

// Closes what InitAudio (or BeginInitAudio) opened, waiting for an output still being opened,
// and makes the quiet driver current: InitAudio may then open the output again. Sounds and
// channels of the closed mixer play nothing.
void CloseAudio();

// TSound::Load(url, flags).
SoundRef LoadSoundFrom(const std::string& url, int flags);
SoundRef LoadSoundFrom(const std::shared_ptr<TAudioSample>& sample, int flags);
// sound.Play(channel); channel may be null.
ChannelRef PlaySoundOn(const SoundRef& sound, const ChannelRef& channel);
// sound.Cue(channel): plays paused.
ChannelRef CueSoundOn(const SoundRef& sound, const ChannelRef& channel);
// A new channel from the current driver.
ChannelRef NewChannel();
// Channel operations; each forwards to the channel.
void StopChannel(const ChannelRef& channel);
int IsChannelPlaying(const ChannelRef& channel);
void SuspendChannel(const ChannelRef& channel);
void ContinueChannel(const ChannelRef& channel);
void SetChannelVolume(const ChannelRef& channel, float volume);
void SetChannelPan(const ChannelRef& channel, float pan);
void SetChannelDepth(const ChannelRef& channel, float depth);
void SetChannelRate(const ChannelRef& channel, float rate);

}  // namespace vdl
