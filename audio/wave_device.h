// The output device that the mixer feeds.
//
// A TWaveOut plays a looping ring of 32 fragments of 16-bit stereo at 44100 Hz and reports
// how far it has played; TWaveOutDevice keeps the mixer a few fragments ahead of that play
// position with a tick every 5 ms on a thread of its own, and restarts the output after an
// underrun with a wider lead. The ring is read by the output while the tick writes other
// fragments of it, so its samples are relaxed atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace vdl {

class TMixer;

// Fragments in the ring.
constexpr int kRingFragments = 32;
// Ticks between an underrun and the restart of the output (1.25 s).
constexpr int kRestartTicks = 250;
// A play position past this many bytes (about 25 minutes) resets the output.
constexpr std::int64_t kMaxPlayBytes = 0x10000000;

// A looping output of the ring: the platform's side of the device.
class TWaveOut {
public:
    virtual ~TWaveOut() = default;
    // Takes the ring the output will play: samples 16-bit values, interleaved stereo.
    virtual void Prepare(const std::atomic<std::int16_t>* ring, int samples) = 0;
    // Lets go of the ring; the output plays silence until prepared again.
    virtual void Unprepare() = 0;
    // Starts playing the ring from its start, over and over; false when that failed.
    virtual bool Submit() = 0;
    // Stops playing; the play position returns to 0.
    virtual void Reset() = 0;
    // Bytes played since the last reset, or -1 when the output cannot tell.
    virtual std::int64_t PlayedBytes() = 0;
    // True when the output runs the device's tick itself (from its own callback, where there
    // are no threads): the mixer then starts no tick thread.
    virtual bool TicksItself() const { return false; }
};

// Base of the devices the mixer can drive.
class TAudioDevice {
public:
    virtual ~TAudioDevice() = default;
};

// The mixer's wave-out device: the ring, the write position and the tick.
class TWaveOutDevice : public TAudioDevice {
public:
    TWaveOutDevice(TMixer& mixer, std::unique_ptr<TWaveOut> waveOut);
    // Stops the tick and closes the output.
    ~TWaveOutDevice() override;
    TWaveOutDevice(const TWaveOutDevice&) = delete;
    TWaveOutDevice& operator=(const TWaveOutDevice&) = delete;

    // Mixes the first fragments and starts the output; with tickThread, a thread then ticks
    // every 5 ms (without, the owner calls Tick).
    void Start(bool tickThread);
    // Stops ticking for good (later ticks do nothing), waits for the tick thread, then
    // resets the output and lets go of the ring.
    void Stop();
    // One tick: keeps the ring latency fragments ahead of the play position.
    void Tick();

    TMixer& mixer;
    const std::unique_ptr<TWaveOut> waveOut;
    const int fragmentLength;
    const int bytesPerSample = 2;
    std::unique_ptr<std::atomic<std::int16_t>[]> ring;
    std::atomic<bool> running{false};
    int writePos = 0;
    int restartDelay = 0;
    int latency = 6;

private:
    void Submit();
    void ClearRing();
    void MixInto(int slot);

    std::vector<std::int16_t> fragment_;
    std::thread thread_;
    std::atomic<bool> quit_{false};
};

}  // namespace vdl
