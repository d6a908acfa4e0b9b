// The mixer-backed audio driver, its sounds and its channels.
#include "audio/aurel.h"

#include "audio/mixer.h"

namespace vdl {

void TAurelChannel::Stop() {
    MixerStopChannel(handle);
}

void TAurelChannel::SetPaused(int paused) {
    MixerPauseChannel(handle, paused);
}

void TAurelChannel::SetVolume(float volume) {
    MixerSetVolume(handle, volume);
}

void TAurelChannel::SetPan(float pan) {
    MixerSetPan(handle, pan);
}

void TAurelChannel::SetDepth(float depth) {
    MixerSetDepth(handle, depth);
}

void TAurelChannel::SetRate(float rate) {
    MixerSetRate(handle, rate);
}

int TAurelChannel::Playing() {
    return MixerChannelState(handle) > 1 ? 1 : 0;
}

std::shared_ptr<TAurelChannel> TAurelChannel::WrapChannelHandle(int handle) {
    return std::make_shared<TAurelChannel>(handle);
}

TAurelSound::~TAurelSound() {
    MixerReleaseSound(mixerSound);
}

ChannelRef TAurelSound::Play(const ChannelRef& channel) {
    return Start(channel, 0);
}

ChannelRef TAurelSound::Cue(const ChannelRef& channel) {
    return Start(channel, 1);
}

ChannelRef TAurelSound::Start(const ChannelRef& channel, int paused) {
    int handle = 0;
    if (channel) {
        auto aurel = std::dynamic_pointer_cast<TAurelChannel>(channel);
        if (!aurel) return nullptr;
        handle = aurel->handle;
    }
    const int h = MixerPlay(mixerSound, paused, handle);
    if (h == 0) return nullptr;
    if (channel && h == handle) return channel;
    return TAurelChannel::WrapChannelHandle(h);
}

std::shared_ptr<TAurelSound> TAurelSound::WrapMixerSound(TMixerSound* mixerSound) {
    return std::make_shared<TAurelSound>(mixerSound);
}

SoundRef TAurelAudioDriver::CreateSound(const std::shared_ptr<TAudioSample>& sample, int flags) {
    if (!sample) return nullptr;
    std::shared_ptr<TAudioSample> data = sample;
    // The mixer takes little-endian data only.
    if (data->format == SF_MONO16BE) data = data->Convert(SF_MONO16LE);
    if (data->format == SF_STEREO16BE) data = data->Convert(SF_STEREO16LE);

    if (data->format < 0 || data->format > SF_STEREO16BE) return nullptr;
    const int channels = formatChannels[data->format];
    if (channels == 0) return nullptr;
    const int bits = formatBytes[data->format] * 8 / channels;
    TMixerSound* mixerSound = MixerCreateSound(data->length, bits, channels, data->hertz,
                                               data->samples, flags != 0 ? -1 : 0);
    if (!mixerSound) return nullptr;
    return TAurelSound::WrapMixerSound(mixerSound);
}

ChannelRef TAurelAudioDriver::AllocChannel() {
    const int handle = MixerAllocChannel();
    if (handle == 0) return nullptr;
    return TAurelChannel::WrapChannelHandle(handle);
}

}  // namespace vdl
