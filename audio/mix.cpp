// The fixed-point voice mixer: mixer sounds, voices, the two rings and fragment mixing.
#include "audio/mix.h"

#include <algorithm>
#include <cstring>

#include "system/clock.h"

namespace vdl {

namespace {

// Rates above this would let 32.32 positions overflow within one fragment.
constexpr int kMaxSoundHertz = 1000000;

struct TGains {
    int left;
    int right;
};

// Left and right gains for volume g: pan attenuates the far side, a negative depth inverts
// the right channel.
TGains GainsFor(int g, int pan, int depth) {
    TGains gains{g, g};
    if (pan > 0) gains.left = g * (4096 - pan) >> 12;
    if (pan < 0) gains.right = g * (4096 + pan) >> 12;
    if (depth < 0) gains.right = -gains.right;
    return gains;
}

// Sample i of the interleaved data, widened to 16 bits, and the difference to sample i + gap
// scaled the same way.
template <int Bits>
inline void SamplePair(const std::uint8_t* data, std::int64_t i, int gap, int& x, int& dx) {
    if constexpr (Bits == 8) {
        // NOTE: 8-bit data is widened as byte * 256 - 32768 and its difference is formed from
        // the bytes before scaling, which is the same number.
        const int b0 = data[i];
        const int b1 = data[i + gap];
        x = b0 * 256 - 32768;
        dx = (b1 - b0) * 256;
    } else {
        const std::uint8_t* p = data + i * 2;
        const std::uint8_t* q = p + gap * 2;
        x = static_cast<std::int16_t>(p[0] | (p[1] << 8));
        dx = static_cast<std::int16_t>(q[0] | (q[1] << 8)) - x;
    }
}

// Linear interpolation: x + dx * f16 / 65536, shifting arithmetically.
inline int Lerp(int x, int dx, int f16) {
    return x + static_cast<int>((static_cast<std::int64_t>(dx) * f16) >> 16);
}

inline void Accumulate(std::int32_t& entry, int value, int gain) {
    const std::int64_t add = (static_cast<std::int64_t>(value) * gain) >> 8;
    // Adds with wrap-around rather than overflow; the headroom makes this unreachable in use.
    entry = static_cast<std::int32_t>(static_cast<std::uint32_t>(entry) +
                                      static_cast<std::uint32_t>(add));
}

// Parameters of one fragment's walk over a voice's source.
struct TWalk {
    std::int64_t step;   // 32.32 source frames per output frame
    std::int64_t dstep;  // added to step after each frame (ramp only)
    int volume256;       // volume << 8
    int dvolume256;      // added after each frame (ramp only)
    int pan;
    int depth;
    bool loops;
};

// Mixes frames output frames of the voice into acc; 1 when a one-shot ended on the way.
template <int Bits, int Channels, bool Ramp>
int WalkFrames(TVoice& voice, const TMixerSound& sound, std::int32_t* acc, int frames, TWalk walk) {
    const std::uint8_t* data = sound.data.data();
    const std::int64_t total = static_cast<std::int64_t>(sound.channels) * sound.length;
    const std::int64_t total32 = total << 32;
    std::int64_t position = voice.position;
    TGains gains = GainsFor(walk.volume256 >> 8, walk.pan, walk.depth);

    for (int k = 0; k < frames; ++k) {
        if constexpr (Ramp) gains = GainsFor(walk.volume256 >> 8, walk.pan, walk.depth);
        int left;
        int right;
        if constexpr (Channels == 1) {
            const int f16 = static_cast<int>((position & 0xFFFFFFFF) >> 16);
            int x;
            int dx;
            SamplePair<Bits>(data, position >> 32, 1, x, dx);
            left = right = Lerp(x, dx, f16);
        } else {
            const std::int64_t i = (position >> 32) & ~std::int64_t{1};
            const int f16 = static_cast<int>(((position >> 1) & 0xFFFFFFFF) >> 16);
            int x;
            int dx;
            SamplePair<Bits>(data, i, 2, x, dx);
            left = Lerp(x, dx, f16);
            SamplePair<Bits>(data, i + 1, 2, x, dx);
            right = Lerp(x, dx, f16);
        }
        Accumulate(acc[2 * k], left, gains.left);
        Accumulate(acc[2 * k + 1], right, gains.right);

        position += walk.step * Channels;
        if (position >= total32) {
            if (!walk.loops) {
                voice.position = position;
                return 1;
            }
            position %= total32;
        }
        if constexpr (Ramp) {
            walk.step += walk.dstep;
            walk.volume256 += walk.dvolume256;
        }
    }
    voice.position = position;
    return 0;
}

template <bool Ramp>
int Walk(TVoice& voice, const TMixerSound& sound, std::int32_t* acc, int frames, TWalk walk) {
    if (sound.bits == 8) {
        return sound.channels == 1 ? WalkFrames<8, 1, Ramp>(voice, sound, acc, frames, walk)
                                   : WalkFrames<8, 2, Ramp>(voice, sound, acc, frames, walk);
    }
    return sound.channels == 1 ? WalkFrames<16, 1, Ramp>(voice, sound, acc, frames, walk)
                               : WalkFrames<16, 2, Ramp>(voice, sound, acc, frames, walk);
}

}  // namespace

TMixerSound* TMixerSound::Create(int length, int bits, int channels, int hertz, const void* data,
                                 int loop) {
    if (length < 1 || (bits != 8 && bits != 16) || channels < 1 || channels > 2 || hertz < 1 ||
        hertz > kMaxSoundHertz || !data) {
        return nullptr;
    }
    const int bytesPerFrame = channels * bits / 8;
    if (length > (1 << 30) / bytesPerFrame) return nullptr;

    auto* sound = new TMixerSound;
    sound->hertz = hertz;
    sound->channels = channels;
    sound->bits = bits;
    sound->length = length;
    sound->bytesPerFrame = bytesPerFrame;
    sound->size = length * bytesPerFrame;
    sound->data.resize(static_cast<std::size_t>(sound->size + bytesPerFrame));
    sound->Write(data, length);
    sound->loop = loop;
    sound->FillGuard();
    return sound;
}

void TMixerSound::Write(const void* frames, int count) {
    const auto* from = static_cast<const std::uint8_t*>(frames);
    while (count > 0) {
        const int run = std::min(count, length - writePos);
        std::memcpy(data.data() + writePos * bytesPerFrame, from,
                    static_cast<std::size_t>(run * bytesPerFrame));
        from += run * bytesPerFrame;
        count -= run;
        writePos = (writePos + run) % length;
    }
    FillGuard();
}

void TMixerSound::FillGuard() {
    const int frame = loop ? 0 : length - 1;
    std::memcpy(data.data() + size, data.data() + frame * bytesPerFrame,
                static_cast<std::size_t>(bytesPerFrame));
}

void TMixerSound::Release() {
    if (refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

TVoice::TVoice() {
    ResetParameters(nullptr);
}

void TVoice::SetRate(int v) {
    // NOTE: a negative rate would walk the position below the start of the data; it holds
    // the voice still instead.
    v = std::max(v, 0);
    rateTarget.store(v, std::memory_order_relaxed);
    if (state.load(std::memory_order_relaxed) & VS_PAUSED_BIT) {
        rateCurrent.store(v, std::memory_order_relaxed);
    }
}

void TVoice::SetVolume(int v) {
    volumeTarget.store(static_cast<std::int16_t>(v), std::memory_order_relaxed);
    if (state.load(std::memory_order_relaxed) & VS_PAUSED_BIT) {
        volumeCurrent.store(static_cast<std::int16_t>(v), std::memory_order_relaxed);
    }
}

void TVoice::SetPan(int v) {
    panTarget.store(static_cast<std::int16_t>(v), std::memory_order_relaxed);
    if (state.load(std::memory_order_relaxed) & VS_PAUSED_BIT) {
        panCurrent.store(static_cast<std::int16_t>(v), std::memory_order_relaxed);
    }
}

void TVoice::SetDepth(int v) {
    depthTarget.store(static_cast<std::int16_t>(v), std::memory_order_relaxed);
}

int TVoice::GetRate(int target) {
    return (target ? rateTarget : rateCurrent).load(std::memory_order_relaxed);
}

int TVoice::GetVolume(int target) {
    return (target ? volumeTarget : volumeCurrent).load(std::memory_order_relaxed);
}

int TVoice::GetPan(int target) {
    return (target ? panTarget : panCurrent).load(std::memory_order_relaxed);
}

int TVoice::GetDepth(int target) {
    return (target ? depthTarget : depthCurrent).load(std::memory_order_relaxed);
}

void TVoice::ResetParameters(TVoice* from) {
    const int rate = from ? from->GetRate(1) : 0x10000;
    const int volume = from ? from->GetVolume(1) : 4096;
    const int pan = from ? from->GetPan(1) : 0;
    const int depth = from ? from->GetDepth(1) : 0;
    rateCurrent.store(rate, std::memory_order_relaxed);
    rateTarget.store(rate, std::memory_order_relaxed);
    volumeCurrent.store(static_cast<std::int16_t>(volume), std::memory_order_relaxed);
    volumeTarget.store(static_cast<std::int16_t>(volume), std::memory_order_relaxed);
    panCurrent.store(static_cast<std::int16_t>(pan), std::memory_order_relaxed);
    panTarget.store(static_cast<std::int16_t>(pan), std::memory_order_relaxed);
    depthCurrent.store(static_cast<std::int16_t>(depth), std::memory_order_relaxed);
    depthTarget.store(static_cast<std::int16_t>(depth), std::memory_order_relaxed);
}

int MixVoice(TVoice& voice, std::int32_t* acc, int n) {
    const int state = voice.state.load(std::memory_order_relaxed);
    if (state == VS_STOPPED) return 1;
    if (state & VS_PAUSED_BIT) return -2;
    if (state == VS_DEAD) return -1;

    const int f = n / 2;
    if (voice.delayFrames >= f) {
        voice.delayFrames -= f;
        return 0;
    }
    int frames = f;
    if (voice.delayFrames > 0) {
        acc += 2 * voice.delayFrames;
        frames -= voice.delayFrames;
        voice.delayFrames = 0;
    }

    const TMixerSound& sound = *voice.source;
    const std::int64_t rateCurrent = voice.rateCurrent.load(std::memory_order_relaxed);
    const std::int64_t rateTarget = voice.rateTarget.load(std::memory_order_relaxed);
    const std::int64_t s0 = rateCurrent * sound.hertz / kDeviceHertz;
    const std::int64_t s1 = rateTarget * sound.hertz / kDeviceHertz;
    const int volumeCurrent = voice.volumeCurrent.load(std::memory_order_relaxed);
    const int volumeTarget = voice.volumeTarget.load(std::memory_order_relaxed);

    TWalk walk{};
    walk.step = s0 << 16;
    walk.volume256 = volumeCurrent * 256;
    walk.pan = voice.panTarget.load(std::memory_order_relaxed);
    walk.depth = voice.depthTarget.load(std::memory_order_relaxed);
    walk.loops = (state & VS_LOOPED) != 0;

    if (volumeCurrent == volumeTarget && s0 == s1) {
        if (volumeCurrent != 0) return Walk<false>(voice, sound, acc, frames, walk) ? 1 : 0;

        // A silent voice only moves on.
        const std::int64_t total32 = (static_cast<std::int64_t>(sound.channels) * sound.length)
                                     << 32;
        voice.position += walk.step * sound.channels * frames;
        if (voice.position >= total32) {
            if (!walk.loops) return 1;
            voice.position %= total32;
        }
        return 0;
    }

    // The change is spread over this fragment: from here on the targets are current.
    voice.rateCurrent.store(static_cast<std::int32_t>(rateTarget), std::memory_order_relaxed);
    voice.volumeCurrent.store(static_cast<std::int16_t>(volumeTarget), std::memory_order_relaxed);
    voice.panCurrent.store(static_cast<std::int16_t>(walk.pan), std::memory_order_relaxed);
    voice.depthCurrent.store(static_cast<std::int16_t>(walk.depth), std::memory_order_relaxed);
    walk.dstep = ((s1 << 16) - (s0 << 16)) / frames;
    walk.dvolume256 = (volumeTarget * 256 - volumeCurrent * 256) / frames;
    return Walk<true>(voice, sound, acc, frames, walk) ? 1 : 0;
}

bool TVoiceRing::Push(TVoice* voice) {
    const std::uint32_t write = write_.load(std::memory_order_relaxed);
    if (write - read_.load(std::memory_order_acquire) >= kRingEntries) return false;
    entries_[write % kRingEntries] = voice;
    write_.store(write + 1, std::memory_order_release);
    return true;
}

TVoice* TVoiceRing::Pop() {
    const std::uint32_t read = read_.load(std::memory_order_relaxed);
    if (read == write_.load(std::memory_order_acquire)) return nullptr;
    TVoice* voice = entries_[read % kRingEntries];
    read_.store(read + 1, std::memory_order_release);
    return voice;
}

bool TVoiceRing::Full() const {
    return write_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire) >=
           kRingEntries;
}

TMixer::TMixer(int samplesPerFragment)
    : fragmentLength(samplesPerFragment),
      accumulator(static_cast<std::size_t>(samplesPerFragment), 0) {}

TMixer::~TMixer() {
    RecycleAll();
}

TVoice* TMixer::TakeVoice() {
    if (TVoice* voice = spare.Pop()) return voice;
    if (!retired_.empty()) {
        TVoice* voice = retired_.back();
        retired_.pop_back();
        return voice;
    }
    voices_.push_back(std::make_unique<TVoice>());
    return voices_.back().get();
}

void TMixer::Retire(TVoice* voice) {
    voice->placeholder = false;
    retired_.push_back(voice);
}

void TMixer::MixVoices(int n) {
    const int now = Millis();
    while (TVoice* voice = incoming.Pop()) {
        voice->next = active;
        active = voice;
        // The wait is measured from the queueing, in wrapping 32-bit milliseconds.
        const int wait = static_cast<int>(static_cast<std::uint32_t>(voice->startTime) +
                                          kStartDelayMs - static_cast<std::uint32_t>(now));
        voice->delayFrames =
            static_cast<int>(static_cast<std::int64_t>(std::max(0, wait)) * hertz / 1000);
    }

    TVoice** link = &active;
    while (TVoice* voice = *link) {
        const int r = MixVoice(*voice, accumulator.data(), n);
        if (r == -1 && !spare.Full()) {
            *link = voice->next;
            Recycle(voice);
            continue;
        }
        if (r == 1) {
            voice->state.store(
                voice->autoRelease.load(std::memory_order_relaxed) ? VS_DEAD : VS_STOPPED,
                std::memory_order_relaxed);
        }
        link = &voice->next;
    }
}

void TMixer::MixFragment(std::int16_t* out) {
    MixVoices(fragmentLength);
    for (int i = 0; i < fragmentLength; ++i) {
        // NOTE: the accumulator holds 16 times full scale; the shift undoes that and the
        // clamp turns overload into clipping instead of wrap-around.
        const int value = accumulator[i] >> 4;
        out[i] = static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
        accumulator[i] = 0;
    }
}

void TMixer::Recycle(TVoice* voice) {
    voice->next = nullptr;
    if (voice->source) voice->source->Release();
    voice->source = nullptr;
    spare.Push(voice);
}

void TMixer::RecycleAll() {
    while (TVoice* voice = incoming.Pop()) {
        voice->next = active;
        active = voice;
    }
    while (TVoice* voice = active) {
        active = voice->next;
        voice->next = nullptr;
        if (voice->source) voice->source->Release();
        voice->source = nullptr;
        voice->state.store(VS_DEAD, std::memory_order_relaxed);
    }
}

}  // namespace vdl
