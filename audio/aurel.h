// The mixer-backed audio driver: sounds and channels that forward to the software mixer.
//
// A TAurelSound holds one reference to a mixer sound; a TAurelChannel is only a handle, so
// destroying it stops nothing. Depends on the mixer's call interface.
#pragma once

#include "audio/mix.h"
#include "audio/sound.h"

namespace vdl {

// A channel handle of the mixer.
class TAurelChannel : public TChannel {
public:
    explicit TAurelChannel(int channelHandle) : handle(channelHandle) {}

    void Stop() override;
    void SetPaused(int paused) override;
    void SetVolume(float volume) override;
    void SetPan(float pan) override;
    void SetDepth(float depth) override;
    void SetRate(float rate) override;
    // 1 when the channel's voice plays or is paused.
    int Playing() override;

    // A channel object for handle.
    static std::shared_ptr<TAurelChannel> WrapChannelHandle(int handle);

    const int handle;
};

// A sound held by the mixer.
class TAurelSound : public TSound {
public:
    explicit TAurelSound(TMixerSound* sound) : mixerSound(sound) {}
    // Drops the reference to the mixer sound; a voice still playing it keeps it alive.
    ~TAurelSound() override;
    TAurelSound(const TAurelSound&) = delete;
    TAurelSound& operator=(const TAurelSound&) = delete;

    ChannelRef Play(const ChannelRef& channel) override;
    ChannelRef Cue(const ChannelRef& channel) override;

    // A sound object owning one reference to mixerSound.
    static std::shared_ptr<TAurelSound> WrapMixerSound(TMixerSound* mixerSound);

    TMixerSound* const mixerSound;

private:
    ChannelRef Start(const ChannelRef& channel, int paused);
};

// Makes mixer sounds and channel handles.
class TAurelAudioDriver : public TAudioDriver {
public:
    // Null for a sample with no channels or one the mixer cannot take.
    SoundRef CreateSound(const std::shared_ptr<TAudioSample>& sample, int flags) override;
    // Null when no channel handle is left.
    ChannelRef AllocChannel() override;
};

}  // namespace vdl
