// The mixer's call interface: bytes become a script of operations (make, write and release
// sounds; allocate channels; play, cue, stop, pause, resume; volume, pan, depth and rate, in
// range or not; channel states; mixing) run against a model of every handle and voice the
// script has made, while the mix runs.
//
// Most inputs drive the device by hand: the script moves the output's play position and
// ticks, so every interleaving of calls and fragments is exact and the output can be read.
// One input in eight opens the mixer with its own tick thread over an output that plays by
// itself, and waits once for a tick to start, so the calls also race a real mixing thread.
//
// What must hold, beyond the absence of sanitizer reports and leaks:
// - a handle is never handed out twice, and its index only once the mixer may have let the
//   earlier handle go (after a stop, or after a one-shot without a channel could end);
// - a stale handle reaches nothing; a live one reports a state a voice can have, the one its
//   last play, pause or stop left it in;
// - a stopped voice reports stopped at once and, once the mixer has seen it, dead; a one-shot
//   reports stopped once its length has been mixed at its slowest rate, after its start delay;
// - while no voice can be sounding (all stopped, paused, ended or of silent data) the output
//   is silence, whatever volume, pan, depth or rate was set;
// - a sound is made exactly when its shape is one the mixer can play.
#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

#include "audio/mix.h"
#include "audio/mixer.h"
#include "audio/wave_device.h"
#include "fuzz/fuzz_support.h"
#include "runtime/math.h"
#include "system/clock.h"

namespace {

using vdl::fuzz::Require;
using vdl::fuzz::TByteReader;

// ---------------------------------------------------------------------------------------
// Constants

constexpr int kFragmentFrames = vdl::kFragmentLength / 2;
// The longest start delay, in output frames (20 ms at 44 100 Hz).
constexpr int kMaxDelayFrames = vdl::kStartDelayMs * vdl::kDeviceHertz / 1000;
// Milliseconds of virtual time per mixed fragment (512 frames are 11.6 ms).
constexpr int kFragmentMs = 12;

constexpr int kMaxSounds = 32;
constexpr int kMaxSoundFrames = 8192;
// Plays per input. The ring that carries new voices to the mixer holds 4096, so only the
// hand-driven device, which knows how many wait, may fill it.
constexpr int kMaxPlays = 6000;
constexpr int kMaxThreadedPlays = vdl::kRingEntries - 96;
// Per input: fragments mixed (each costs a pass over the accumulator and the ring whatever
// plays), voices taken through a fragment (paused and ended ones too), voice frames mixed
// (each an interpolation and two accumulations) and device ticks. Keeps an input to a few
// milliseconds; the ticks leave room for three restarts.
constexpr int kMaxFragments = 160;
constexpr long long kMaxVoiceFragments = 100000;
constexpr long long kMixBudget = 400000;
constexpr int kMaxTicks = 1000;
// The most fragments one tick mixes: the device's widest lead after underruns.
constexpr int kMaxFragmentsPerTick = 10;

// Handle values the script may use that no allocation gave it; 0 asks a play for a fresh
// handle.
constexpr int kForgedHandles[] = {0,
                                  -1,
                                  INT_MIN,
                                  INT_MAX,
                                  vdl::kChannelEntries,
                                  2 * vdl::kChannelEntries,
                                  1 | 2 * vdl::kChannelEntries,
                                  (vdl::kChannelEntries - 1) | vdl::kChannelEntries,
                                  vdl::kChannelEntries - 1,
                                  1};

// Volumes, pans, depths and rates: ordinary ones, the edges of 4.12 and 16.16, and values no
// caller should pass.
constexpr float kValues[] = {0.0f,
                             1.0f,
                             0.5f,
                             0.25f,
                             2.0f,
                             -1.0f,
                             -0.5f,
                             7.9997f,
                             8.0f,
                             16.0f,
                             -8.0f,
                             1e-40f,
                             1e9f,
                             -1e9f,
                             3e38f,
                             -3e38f,
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN(),
                             1e-4f,
                             32767.5f,
                             32768.0f,
                             -32768.0f,
                             1.0f / 65536,
                             4.0f,
                             0.9999f,
                             100.0f,
                             1.5f};

constexpr int kHertz[] = {44100, 22050,   11025,   8000, 48000, 96000,   1,       2,
                          100,   1000000, 1000001, 0,    -1,    INT_MAX, INT_MIN, 441000};

// Clock starts: an ordinary one, and ones that wrap within the input.
constexpr int kClockStarts[] = {5000, INT_MAX - 40, -30, 0};

// ---------------------------------------------------------------------------------------
// The output

// A wave-out whose play position the script sets between hand-driven ticks, or which plays
// on by step bytes after every query from the tick thread (the first query, right after the
// output starts, finds it at 0).
class TScriptedWaveOut : public vdl::TWaveOut {
public:
    void Prepare(const std::atomic<std::int16_t>*, int) override {}
    void Unprepare() override {}
    bool Submit() override { return true; }
    void Reset() override { played.store(0); }
    std::int64_t PlayedBytes() override {
        queries.fetch_add(1);
        return played.fetch_add(step.load());
    }

    std::atomic<std::int64_t> played{0};
    std::atomic<std::int64_t> step{0};
    std::atomic<int> queries{0};
};

// ---------------------------------------------------------------------------------------
// The script's bytes

// A volume, pan, depth or rate: a value from the table, or now and then any 32 bits.
float ReadFloat(TByteReader& in) {
    const int b = in.Byte();
    if (b < 0xF0) return kValues[b % std::size(kValues)];
    return std::bit_cast<float>(in.Long());
}

// ---------------------------------------------------------------------------------------
// The model

struct SoundModel {
    vdl::TMixerSound* sound = nullptr;
    int length = 0;
    int hertz = 0;
    int bytesPerFrame = 0;
    bool loops = false;
    bool silent = false;    // every sample is the format's zero
    bool released = false;  // the script dropped its reference
};

struct VoiceModel {
    int sound = 0;
    bool loops = false;
    int minRate = 0;  // the slowest 16.16 rate it was ever set to
    bool paused = false;
    bool stopped = false;  // stopped, replaced on its channel, or known dead
    bool autoRelease = false;
    long long framesPlayed = 0;  // output frames mixed while it was not paused
    long long quietSince = -1;   // the fragment count when it stopped or ended for good
    int handle = -1;             // the model handle it is bound to, or -1
};

struct HandleModel {
    int value = 0;
    bool stale = false;       // known to reach nothing
    bool releasable = false;  // the mixer may have let it go
    int rate = 0x10000;       // the rate a play on it starts with
    int voice = -1;           // the voice bound to it, or -1
};

bool IsVoiceState(int state) {
    const int playing = state & ~vdl::VS_PAUSED_BIT;
    if (state & vdl::VS_PAUSED_BIT) return playing == vdl::VS_ONCE || playing == vdl::VS_LOOPED;
    return state == vdl::VS_DEAD || state == vdl::VS_STOPPED || state == vdl::VS_ONCE ||
           state == vdl::VS_LOOPED;
}

bool IsQuietState(int state) {
    return state == vdl::VS_DEAD || state == vdl::VS_STOPPED;
}

// The rate the mixer stores for r.
int RateOf(float r) {
    return std::max(vdl::TruncToInt(r * 65536.0f), 0);
}

// Data for frames frames of a sound: silence, full-scale steps, noise or a constant.
std::vector<std::uint8_t> MakeData(int frames, int bytesPerFrame, int bits, int pattern) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(frames) * bytesPerFrame);
    std::uint32_t noise = 0x9E3779B9u * static_cast<std::uint32_t>(pattern + 1);
    const int sampleBytes = bits == 8 ? 1 : 2;
    for (std::size_t i = 0; i < data.size(); i += sampleBytes) {
        int value = 0;  // as a signed 16-bit sample
        switch (pattern & 3) {
            case 0:
                break;
            case 1:
                value = (i / sampleBytes) % 2 ? 32767 : -32768;
                break;
            case 2:
                noise = noise * 1664525u + 1013904223u;
                value = static_cast<std::int16_t>(noise >> 16);
                break;
            default:
                value = (pattern >> 2) * 1000 - 32000;
                break;
        }
        if (sampleBytes == 1) {
            data[i] = static_cast<std::uint8_t>((value + 32768) >> 8);
        } else {
            data[i] = static_cast<std::uint8_t>(value & 0xFF);
            data[i + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
        }
    }
    return data;
}

bool IsSilence(const std::vector<std::uint8_t>& data, int bits) {
    const std::uint8_t zero = bits == 8 ? 128 : 0;
    return std::all_of(data.begin(), data.end(), [&](std::uint8_t b) { return b == zero; });
}

// ---------------------------------------------------------------------------------------
// One input's run

class TMixerRun {
public:
    TMixerRun(bool threaded, int clockStart) : threaded_(threaded), clock_(clockStart) {
        previousClock_ = vdl::SetClock(&clock_);
        auto out = std::make_unique<TScriptedWaveOut>();
        out_ = out.get();
        if (threaded_) out_->step.store(vdl::kFragmentLength * 2);
        Require(vdl::OpenMixerOn(std::move(out), threaded_) == 0, "the mixer opens");
    }

    ~TMixerRun() {
        for (const SoundModel& s : sounds_) {
            if (!s.released) vdl::MixerReleaseSound(s.sound);
        }
        vdl::CloseMixer();
        vdl::SetClock(previousClock_);
    }

    TMixerRun(const TMixerRun&) = delete;
    TMixerRun& operator=(const TMixerRun&) = delete;

    void Step(TByteReader& in) {
        switch (in.Byte() % 20) {
            case 0:
                CreateSound(in);
                break;
            case 1:
                ReleaseSound(in);
                break;
            case 2:
                WriteSound(in);
                break;
            case 3:
                Allocate(1);
                break;
            case 4:
                Allocate(1 + in.Byte() * 17);
                break;
            case 5:
            case 6: {
                const int sound = PickSound(in);
                const int paused = in.Byte() & 1;
                Play(sound, paused, PickHandle(in));
                break;
            }
            case 7:
                Stop(PickHandle(in));
                break;
            case 8:
            case 9: {
                const int h = PickHandle(in);
                Pause(h, in.Byte() & 1);
                break;
            }
            case 10: {
                const int h = PickHandle(in);
                vdl::MixerSetVolume(HandleValue(h), ReadFloat(in));
                break;
            }
            case 11: {
                const int h = PickHandle(in);
                vdl::MixerSetPan(HandleValue(h), ReadFloat(in));
                break;
            }
            case 12: {
                const int h = PickHandle(in);
                vdl::MixerSetDepth(HandleValue(h), ReadFloat(in));
                break;
            }
            case 13: {
                const int h = PickHandle(in);
                SetRate(h, ReadFloat(in));
                break;
            }
            case 14:
                CheckState(PickHandle(in));
                break;
            case 15:
            case 16:
                Mix(1 + in.Byte() % 8);
                break;
            case 17:
                MoveDevice(in);
                break;
            case 18:
                clock_.Advance(in.Word());
                break;
            default:
                Burst(in);
                break;
        }
    }

private:
    // ---- Sounds ----------------------------------------------------------------------

    void CreateSound(TByteReader& in) {
        constexpr int kBits[] = {8, 16, 8, 16, 0, 24, -8, 32};
        constexpr int kChannels[] = {1, 2, 1, 2, 0, 3, -1, 1};
        const int shape = in.Byte();
        const int bits = kBits[shape & 7];
        const int channels = kChannels[shape >> 3 & 7];
        const int loop = (shape >> 6) == 1 ? 1 : (shape >> 6) == 2 ? -1 : 0;
        const int hertzByte = in.Byte();
        const int hertz =
            hertzByte < 0xF0 ? kHertz[hertzByte % std::size(kHertz)] : static_cast<int>(in.Long());
        const int pattern = in.Byte();
        const bool shapeOk = (bits == 8 || bits == 16) && (channels == 1 || channels == 2) &&
                             hertz >= 1 && hertz <= 1000000;
        const int bytesPerFrame = shapeOk ? channels * bits / 8 : 4;

        // Lengths the mixer must refuse come with no more data than a valid one would.
        const int w = in.Word();
        int length = 1 + w % kMaxSoundFrames;
        bool lengthOk = true;
        if (w >= 0xFF00) {
            constexpr int kBadLengths[] = {0, -1, INT_MIN, INT_MAX};
            length = w == 0xFF00 ? (1 << 30) / bytesPerFrame + 1
                                 : kBadLengths[w % std::size(kBadLengths)];
            lengthOk = false;
        }
        const bool withData = pattern != 0xFF;
        const std::vector<std::uint8_t> data =
            MakeData(lengthOk ? length : 1, bytesPerFrame, shapeOk ? bits : 16, pattern);

        vdl::TMixerSound* sound = vdl::MixerCreateSound(length, bits, channels, hertz,
                                                        withData ? data.data() : nullptr, loop);
        const bool expected = shapeOk && lengthOk && withData;
        Require((sound != nullptr) == expected, "a sound is made exactly when its shape is valid");
        if (!sound) return;
        if (static_cast<int>(sounds_.size()) >= kMaxSounds) {
            vdl::MixerReleaseSound(sound);
            return;
        }
        SoundModel model;
        model.sound = sound;
        model.length = length;
        model.hertz = hertz;
        model.bytesPerFrame = bytesPerFrame;
        model.loops = loop != 0;
        model.silent = IsSilence(data, bits);
        sounds_.push_back(model);
    }

    // A live sound of the script's, or -1 (play the null sound).
    int PickSound(TByteReader& in) {
        const int b = in.Byte();
        if (b == 0xFF) return -1;
        std::vector<int> live;
        for (int i = 0; i < static_cast<int>(sounds_.size()); ++i) {
            if (!sounds_[i].released) live.push_back(i);
        }
        return live.empty() ? -1 : live[b % live.size()];
    }

    void ReleaseSound(TByteReader& in) {
        const int i = PickSound(in);
        if (i < 0) return;
        vdl::MixerReleaseSound(sounds_[i].sound);
        sounds_[i].released = true;
    }

    void WriteSound(TByteReader& in) {
        const int i = PickSound(in);
        const int pattern = in.Byte();
        const int w = in.Word();
        if (i < 0) {
            vdl::MixerWriteSound(nullptr, &pattern, 1);
            return;
        }
        SoundModel& s = sounds_[i];
        const int frames = w % (2 * s.length + 1);
        const int bits = s.sound->bits;
        const std::vector<std::uint8_t> data = MakeData(frames, s.bytesPerFrame, bits, pattern);
        vdl::MixerWriteSound(s.sound, data.data(), frames);
        if (frames > 0) s.silent = s.silent && IsSilence(data, bits);
    }

    // ---- Handles ---------------------------------------------------------------------

    // A handle the script was given, as its model index, or kForged for a value kept in
    // forged_ that no allocation gave it.
    int PickHandle(TByteReader& in) {
        const int b = in.Byte();
        if (b < 0xE0 && !handles_.empty()) {
            const int back = (b | in.Byte() << 8) % static_cast<int>(handles_.size());
            return static_cast<int>(handles_.size()) - 1 - back;
        }
        forged_ =
            b == 0xFF ? static_cast<int>(in.Long()) : kForgedHandles[b % std::size(kForgedHandles)];
        // A forged value that was handed out is that handle.
        const auto known = byValue_.find(forged_);
        return known != byValue_.end() ? known->second : kForged;
    }

    int HandleValue(int h) const { return h >= 0 ? handles_[h].value : forged_; }

    // Takes in a handle the mixer has just handed out.
    void Adopt(int value, int voice, bool releasable) {
        Require(byValue_.count(value) == 0, "a handle is never handed out twice");
        const int index = value & (vdl::kChannelEntries - 1);
        Require(index != 0, "a handle's index is never 0");
        const auto previous = byIndex_.find(index);
        if (previous != byIndex_.end()) {
            HandleModel& old = handles_[previous->second];
            if (!old.stale) {
                Require(old.releasable, "an index is handed out again only once let go");
                Forget(previous->second);
            }
        }
        HandleModel model;
        model.value = value;
        model.releasable = releasable;
        model.voice = voice;
        const int h = static_cast<int>(handles_.size());
        handles_.push_back(model);
        byValue_[value] = h;
        byIndex_[index] = h;
        ++live_;
        if (voice >= 0) voices_[voice].handle = h;
    }

    // Marks a handle the mixer has let go of; the voice it held was recycled, so it is dead.
    void Forget(int h) {
        HandleModel& handle = handles_[h];
        handle.stale = true;
        --live_;
        if (handle.voice >= 0) {
            Quiet(voices_[handle.voice]);
            voices_[handle.voice].handle = -1;
            handle.voice = -1;
        }
    }

    void Allocate(int count) {
        for (int i = 0; i < count; ++i) {
            const int value = vdl::MixerAllocChannel();
            if (value == 0) {
                Require(live_ >= vdl::kChannelEntries - 1, "handles run out only when all are out");
                return;
            }
            Adopt(value, -1, false);
        }
    }

    // ---- Voices ----------------------------------------------------------------------

    int NewVoice(int sound, int paused, int rate, bool autoRelease) {
        VoiceModel voice;
        voice.sound = sound;
        voice.loops = sounds_[sound].loops;
        voice.minRate = rate;
        voice.paused = paused != 0;
        voice.autoRelease = autoRelease;
        voices_.push_back(voice);
        ++queued_;
        ++plays_;
        return static_cast<int>(voices_.size()) - 1;
    }

    void Quiet(VoiceModel& voice) {
        voice.stopped = true;
        if (voice.quietSince < 0) voice.quietSince = fragments_;
    }

    bool RingFull() const { return !threaded_ && queued_ >= vdl::kRingEntries; }

    void Play(int sound, int paused, int h) {
        const int maxPlays = threaded_ ? kMaxThreadedPlays : kMaxPlays;
        if (plays_ >= maxPlays) return;
        const int value = HandleValue(h);
        vdl::TMixerSound* mixerSound = sound >= 0 ? sounds_[sound].sound : nullptr;
        const bool full = RingFull();
        const int result = vdl::MixerPlay(mixerSound, paused, value);
        if (!mixerSound) {
            Require(result == value, "a play of no sound returns the handle it was given");
            return;
        }

        if (value == 0) {
            if (result == 0) {
                Require(full || live_ >= vdl::kChannelEntries - 1,
                        "a play fails only when the ring is full or handles are out");
                if (!full) NewVoice(sound, paused, 0x10000, true);
                return;
            }
            Require(!full, "a play with the ring full hands out nothing");
            const int voice = NewVoice(sound, paused, 0x10000, true);
            Adopt(result, voice, !sounds_[sound].loops);
            return;
        }

        if (h < 0 || handles_[h].stale) {
            Require(result == 0, "a play on a stale handle binds nothing");
            if (!full) NewVoice(sound, paused, 0x10000, true);
            return;
        }
        HandleModel& handle = handles_[h];
        if (result == 0) {
            if (full) return;
            Require(handle.releasable, "a play on a live handle binds it");
            Forget(h);
            NewVoice(sound, paused, 0x10000, true);
            return;
        }
        Require(result == value, "a play on a handle returns that handle");
        Require(!full, "a play with the ring full binds nothing");
        if (handle.voice >= 0) {
            Quiet(voices_[handle.voice]);
            voices_[handle.voice].handle = -1;
        }
        const int voice = NewVoice(sound, paused, handle.rate, false);
        handles_[h].voice = voice;
        handles_[h].releasable = false;
        voices_[voice].handle = h;
    }

    void Burst(TByteReader& in) {
        const int sound = PickSound(in);
        const int paused = in.Byte() & 1;
        const int count = 1 + in.Word() % 4400;
        if (sound < 0) return;
        forged_ = 0;
        for (int i = 0; i < count; ++i)
            Play(sound, paused, kForged);
    }

    void Stop(int h) {
        vdl::MixerStopChannel(HandleValue(h));
        if (h < 0 || handles_[h].stale) return;
        HandleModel& handle = handles_[h];
        handle.releasable = true;
        if (handle.voice >= 0) {
            VoiceModel& voice = voices_[handle.voice];
            voice.autoRelease = true;
            Quiet(voice);
        }
        Require(IsQuietState(vdl::MixerChannelState(handle.value)), "a stop takes at once");
    }

    void Pause(int h, int paused) {
        vdl::MixerPauseChannel(HandleValue(h), paused);
        if (h < 0 || handles_[h].stale || handles_[h].voice < 0) return;
        voices_[handles_[h].voice].paused = paused != 0;
    }

    void SetRate(int h, float r) {
        vdl::MixerSetRate(HandleValue(h), r);
        if (h < 0 || handles_[h].stale) return;
        HandleModel& handle = handles_[h];
        handle.rate = RateOf(r);
        if (handle.voice >= 0) {
            VoiceModel& voice = voices_[handle.voice];
            voice.minRate = std::min(voice.minRate, handle.rate);
        }
    }

    void CheckState(int h) {
        const int value = HandleValue(h);
        const int state = vdl::MixerChannelState(value);
        Require(IsVoiceState(state), "a channel reports a voice state");
        if (h < 0 || handles_[h].stale) {
            Require(state == 0, "a stale handle reaches nothing");
            return;
        }
        const HandleModel& handle = handles_[h];
        if (!handle.releasable) Require(state != 0, "a held handle stays live");
        if (handle.voice < 0) return;
        const VoiceModel& voice = voices_[handle.voice];
        const int playing = voice.loops ? vdl::VS_LOOPED : vdl::VS_ONCE;
        const int paused = voice.paused ? vdl::VS_PAUSED_BIT : 0;
        if (voice.stopped) {
            Require(IsQuietState(state), "a stopped channel stays stopped");
        } else if (voice.loops) {
            Require(state == (playing | paused), "a looping voice plays until stopped");
        } else {
            Require(state == (playing | paused) || IsQuietState(state),
                    "a one-shot plays, or has ended");
        }
    }

    // ---- Mixing ----------------------------------------------------------------------

    // Output frames after which a one-shot has ended for sure: the longest start delay and
    // its length at its slowest rate, plus a fragment. -1 when that rate may hold it still.
    long long EndFrames(const VoiceModel& voice) const {
        const SoundModel& sound = sounds_[voice.sound];
        const std::int64_t s = std::int64_t{voice.minRate} * sound.hertz / vdl::kDeviceHertz;
        if (voice.loops || s <= 0) return -1;
        const std::int64_t step = s << 16;
        const std::int64_t total = std::int64_t{sound.length} << 32;
        return kMaxDelayFrames + (total + step - 1) / step + kFragmentFrames;
    }

    bool MaySound(const VoiceModel& voice) const { return !voice.stopped && !voice.paused; }

    int SoundingVoices() const {
        int n = 0;
        for (const VoiceModel& voice : voices_)
            n += MaySound(voice) ? 1 : 0;
        return n;
    }

    // Accounts for the fragment just mixed into ring slot: silence when nothing could sound,
    // then the frames each playing voice moved on.
    void AfterFragment(int slot) {
        bool audible = false;
        for (const VoiceModel& voice : voices_)
            audible = audible || (MaySound(voice) && !sounds_[voice.sound].silent);
        if (!audible) {
            const vdl::TWaveOutDevice& device = *vdl::MixerDevice();
            for (int i = 0; i < vdl::kFragmentLength; ++i) {
                Require(device.ring[slot * vdl::kFragmentLength + i].load() == 0,
                        "the output is silent while no voice can sound");
            }
        }
        for (VoiceModel& voice : voices_) {
            if (!MaySound(voice)) continue;
            voice.framesPlayed += kFragmentFrames;
            const long long end = EndFrames(voice);
            if (end >= 0 && voice.framesPlayed >= end) Quiet(voice);
        }
        ++fragments_;
        queued_ = 0;
        clock_.Advance(kFragmentMs);
    }

    // Every voice still bound to its handle that has stopped or ended reports so; one that
    // lets its handle go is dead a fragment later.
    void CheckQuietVoices() {
        for (const VoiceModel& voice : voices_) {
            if (voice.quietSince < 0 || voice.handle < 0) continue;
            const int state = vdl::MixerChannelState(handles_[voice.handle].value);
            Require(IsQuietState(state), "a stopped or ended voice reports stopped");
            if (voice.autoRelease && fragments_ - voice.quietSince >= 2) {
                Require(state == vdl::VS_DEAD, "a released voice dies once mixed");
            }
        }
    }

    // One hand-driven tick; accounts for every fragment it mixed.
    void Tick() {
        vdl::TWaveOutDevice& device = *vdl::MixerDevice();
        const int before = device.writePos;
        vdl::MixerTick();
        ++ticks_;
        if (device.restartDelay != 0 || device.writePos <= before) return;
        for (int at = before; at < device.writePos; at += vdl::kFragmentLength)
            AfterFragment(at / vdl::kFragmentLength & (vdl::kRingFragments - 1));
        const long long frames = (device.writePos - before) / 2;
        mixed_ += frames * SoundingVoices();
        voiceFragments_ += frames / kFragmentFrames * static_cast<long long>(voices_.size());
        CheckQuietVoices();
    }

    bool WithinBudget() const {
        const long long voices = static_cast<long long>(voices_.size());
        return ticks_ < kMaxTicks && fragments_ + kMaxFragmentsPerTick <= kMaxFragments &&
               voiceFragments_ + kMaxFragmentsPerTick * voices <= kMaxVoiceFragments &&
               mixed_ + kMaxFragmentsPerTick * kFragmentFrames * SoundingVoices() <= kMixBudget;
    }

    // Lets the output play n more fragments (hand-driven), or waits for the tick thread.
    void Mix(int n) {
        if (threaded_) {
            WaitForTick();
            return;
        }
        vdl::TWaveOutDevice& device = *vdl::MixerDevice();
        const int target = fragments_ + n;
        while (fragments_ < target && WithinBudget()) {
            const int playFrom = std::max(device.writePos - 5 * vdl::kFragmentLength, 0);
            out_->played.store(std::int64_t{playFrom} * 2);
            Tick();
        }
    }

    // Threaded: waits (once per input) until the tick thread asks for the play position, so
    // that its tick mixes while the script goes on.
    void WaitForTick() {
        if (waited_) return;
        waited_ = true;
        const int seen = out_->queries.load();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
        while (out_->queries.load() == seen && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }

    // Moves the output's play position anywhere (hand-driven: resets, underruns, a device
    // that went back) and ticks; threaded, changes how fast the output plays.
    void MoveDevice(TByteReader& in) {
        const int kind = in.Byte();
        if (threaded_) {
            constexpr std::int64_t kSteps[] = {0, vdl::kFragmentLength, 2 * vdl::kFragmentLength,
                                               32 * vdl::kFragmentLength, vdl::kMaxPlayBytes};
            out_->step.store(kSteps[kind % std::size(kSteps)]);
            return;
        }
        if (!WithinBudget()) return;
        const std::int64_t write = vdl::MixerDevice()->writePos;
        const std::int64_t f = vdl::kFragmentLength;
        const std::int64_t kPositions[] = {0,
                                           -2,
                                           vdl::kMaxPlayBytes + 2,
                                           write * 2,
                                           (write - f) * 2,
                                           (write - 2 * f) * 2,
                                           (write - 6 * f) * 2};
        const std::size_t choice = kind % (std::size(kPositions) + 1);
        out_->played.store(choice < std::size(kPositions)
                               ? kPositions[choice]
                               : static_cast<std::int64_t>(static_cast<std::int32_t>(in.Long())));
        Tick();
    }

    static constexpr int kForged = -1;

    const bool threaded_;
    vdl::TVirtualClock clock_;
    vdl::TClock* previousClock_ = nullptr;
    TScriptedWaveOut* out_ = nullptr;

    std::vector<SoundModel> sounds_;
    std::vector<VoiceModel> voices_;
    std::vector<HandleModel> handles_;
    std::unordered_map<int, int> byValue_;  // handle value -> model index
    std::unordered_map<int, int> byIndex_;  // table index -> the last model handle with it
    int live_ = 0;                          // handles not known to be stale
    int forged_ = 0;                        // the value of the last forged handle

    int queued_ = 0;  // voices queued since the mixer last took them in
    int plays_ = 0;
    long long fragments_ = 0;
    long long voiceFragments_ = 0;
    long long mixed_ = 0;
    int ticks_ = 0;
    bool waited_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TByteReader in(data, size);
    const int mode = in.Byte();
    TMixerRun run((mode & 7) == 7, kClockStarts[mode >> 3 & 3]);
    while (in.More())
        run.Step(in);
    return 0;
}
