// The fixed-point voice mixer.
//
// Mixer sounds hold PCM with one guard frame past the end; voices play them at a 16.16 rate
// with 4.12 volume, pan and depth, reading 32.32 positions with linear interpolation, into a
// 32-bit interleaved stereo accumulator at 44100 Hz. New voices reach the mixing thread and
// finished ones come back through two single-producer single-consumer rings; the voice fields
// that the game thread writes while mixing runs are relaxed atomics. Nothing here allocates
// while mixing. Depends on the clock (a voice's start time).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace vdl {

// The output rate every voice is resampled to.
constexpr int kDeviceHertz = 44100;
// Entries in each of the two voice rings.
constexpr int kRingEntries = 4096;
// A voice sounds this many milliseconds after it was queued, however late mixing sees it.
constexpr int kStartDelayMs = 20;

// Voice states; kPausedBit is added to a playing state.
enum : int {
    VS_DEAD = 0,
    VS_STOPPED = 1,
    VS_ONCE = 2,
    VS_LOOPED = 4,
    VS_PAUSED_BIT = 0x10,
};

// Decoded data of one sound: 8-bit unsigned or 16-bit signed little-endian, interleaved.
struct TMixerSound {
    int hertz = 0;
    int channels = 0;
    int bits = 0;
    int length = 0;
    int bytesPerFrame = 0;
    int size = 0;
    int writePos = 0;
    std::atomic<int> refCount{1};
    int loop = 0;
    // size bytes and one guard frame: a copy of the first frame when the sound loops, of the
    // last when it does not, so interpolation may always read one frame ahead.
    std::vector<std::uint8_t> data;

    // A sound of length frames (at least 1) copied from data, or null for a shape the mixer
    // cannot play.
    static TMixerSound* Create(int length, int bits, int channels, int hertz, const void* data,
                               int loop);
    // Copies frames more frames at writePos, wrapping at length, and refreshes the guard.
    void Write(const void* frames, int count);
    // Adds one reference.
    void Retain() { refCount.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference; the last one frees the sound.
    void Release();
    // Copies the frame that the guard repeats behind the data.
    void FillGuard();
};

// Rate, volume, pan and depth as something a caller can set and read back.
class TOutput {
public:
    virtual ~TOutput() = default;
    virtual void SetRate(int v) = 0;
    virtual void SetVolume(int v) = 0;
    virtual void SetPan(int v) = 0;
    virtual void SetDepth(int v) = 0;
    // Each getter returns the target when target is non-zero, else the current value.
    virtual int GetRate(int target) = 0;
    virtual int GetVolume(int target) = 0;
    virtual int GetPan(int target) = 0;
    virtual int GetDepth(int target) = 0;
};

// One playing instance of a mixer sound.
class TVoice : public TOutput {
public:
    TVoice();

    // Targets; a paused voice takes a new rate, volume or pan at once, without a ramp.
    void SetRate(int v) override;
    void SetVolume(int v) override;
    void SetPan(int v) override;
    // Depth only ever has a target.
    void SetDepth(int v) override;
    int GetRate(int target) override;
    int GetVolume(int target) override;
    int GetPan(int target) override;
    int GetDepth(int target) override;
    // Current and target both take the template's targets (or the defaults when null).
    void ResetParameters(TVoice* from);

    std::atomic<int> state{VS_STOPPED};
    // Game thread only: the channel handle bound to this voice, or 0.
    int handle = 0;
    std::atomic<int> autoRelease{0};
    // Mixing thread only, from the moment the voice is queued until it is recycled.
    TVoice* next = nullptr;
    TMixerSound* source = nullptr;
    std::int64_t position = 0;
    std::atomic<std::int32_t> rateCurrent, rateTarget;
    std::atomic<std::int16_t> volumeCurrent, volumeTarget, panCurrent, panTarget;
    std::atomic<std::int16_t> depthCurrent, depthTarget;
    int startTime = 0;
    int delayFrames = 0;
    // Game thread only: a placeholder made for settings on a channel before its first play.
    bool placeholder = false;
};

// Mixes voice into the interleaved stereo accumulator acc of n entries (n / 2 frames).
// Returns 1 for a stopped voice (or one that ended in this fragment), -2 for a paused one,
// -1 for a dead one and 0 otherwise.
int MixVoice(TVoice& voice, std::int32_t* acc, int n);

// A ring of voices with one writer thread and one reader thread.
class TVoiceRing {
public:
    // Stores voice and publishes it; false (storing nothing) when the ring is full.
    bool Push(TVoice* voice);
    // The oldest voice, or null when the ring is empty.
    TVoice* Pop();
    // Writer side: true when a Push would fail.
    bool Full() const;

private:
    TVoice* entries_[kRingEntries] = {};
    std::atomic<std::uint32_t> read_{0};
    std::atomic<std::uint32_t> write_{0};
};

// The mixer: the accumulator, the active voices and the two rings.
class TMixer : public TOutput {
public:
    explicit TMixer(int fragmentLength);
    ~TMixer() override;
    TMixer(const TMixer&) = delete;
    TMixer& operator=(const TMixer&) = delete;

    // The mixer's own parameters are fixed: normal rate, full volume, centre, no depth.
    void SetRate(int) override {}
    void SetVolume(int) override {}
    void SetPan(int) override {}
    void SetDepth(int) override {}
    int GetRate(int) override { return 0x10000; }
    int GetVolume(int) override { return 4096; }
    int GetPan(int) override { return 0; }
    int GetDepth(int) override { return 0; }

    // Game thread: a recycled voice if there is one, else a new one; the caller sets it up.
    TVoice* TakeVoice();
    // Game thread: hands a voice to the mixing thread; false when the ring is full.
    bool Queue(TVoice* voice) { return incoming.Push(voice); }
    // Game thread: takes back a voice that never reached the mixing thread.
    void Retire(TVoice* voice);

    // Mixing thread: takes in queued voices and mixes every active voice into acc.
    void MixVoices(int n);
    // Mixing thread: mixes one fragment of fragmentLength samples into out (16-bit) and
    // clears the accumulator.
    void MixFragment(std::int16_t* out);
    // After mixing has stopped for good: recycles every queued and active voice.
    void RecycleAll();
    // Mixing thread: returns a voice to the game thread, dropping its sound.
    void Recycle(TVoice* voice);

    const int fragmentLength;
    std::vector<std::int32_t> accumulator;
    int hertz = kDeviceHertz;
    int channels = 2;
    TVoice* active = nullptr;
    TVoiceRing incoming;
    TVoiceRing spare;

private:
    // Game thread: every voice ever made, freed with the mixer, and those retired unplayed.
    std::vector<std::unique_ptr<TVoice>> voices_;
    std::vector<TVoice*> retired_;
};

}  // namespace vdl
