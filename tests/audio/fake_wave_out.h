// A fake wave-out whose play position the test sets by hand, and the mixer open on one with
// the clock on virtual time: the set-up of the audio tests and of the Ogg fuzz targets.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/aurel.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/wave_device.h"
#include "system/clock.h"

namespace vdl {

class TFakeWaveOut : public TWaveOut {
public:
    void Prepare(const std::atomic<std::int16_t>* r, int n) override {
        ring = r;
        samples = n;
    }
    void Unprepare() override { ring = nullptr; }
    bool Submit() override {
        ++submits;
        return submitOk;
    }
    void Reset() override {
        ++resets;
        played = 0;
    }
    std::int64_t PlayedBytes() override { return played; }

    const std::atomic<std::int16_t>* ring = nullptr;
    int samples = 0;
    std::int64_t played = 0;
    bool submitOk = true;
    int submits = 0;
    int resets = 0;
};

// Lets out play one more fragment of the open mixer, ticks, and returns the fragment mixed.
inline std::vector<std::int16_t> MixNextFragment(TFakeWaveOut& out) {
    TWaveOutDevice& device = *MixerDevice();
    const int f = device.fragmentLength;
    out.played = std::int64_t{device.writePos - 5 * f} * 2;
    MixerTick();
    const int slot = ((device.writePos - f) / f) & (kRingFragments - 1);
    std::vector<std::int16_t> fragment;
    for (int i = 0; i < f; ++i)
        fragment.push_back(device.ring[slot * f + i].load());
    return fragment;
}

// Whether a THandDrivenMixer also installs the sound layer's driver, which plays sounds and
// channels on the mixer.
enum class TSoundLayer { kLeftOut, kOnTheMixer };

// The mixer open on a fake wave-out without a tick thread, over a virtual clock that starts
// at clockStart ms; nothing mixes but MixNext. On destruction the mixer closes and the clock
// before (and no sound driver) is back. Whoever makes one checks `opened`.
class THandDrivenMixer {
public:
    explicit THandDrivenMixer(int clockStart, TSoundLayer sounds = TSoundLayer::kLeftOut)
        : clock(clockStart), previousClock_(SetClock(&clock)) {
        auto fake = std::make_unique<TFakeWaveOut>();
        out = fake.get();
        opened = OpenMixerOn(std::move(fake), false) == 0;
        if (sounds == TSoundLayer::kOnTheMixer) {
            SetAudioDriver(std::make_shared<TAurelAudioDriver>());
            soundDriver_ = true;
        }
    }
    ~THandDrivenMixer() {
        if (soundDriver_) SetAudioDriver(nullptr);
        CloseMixer();
        SetClock(previousClock_);
    }
    THandDrivenMixer(const THandDrivenMixer&) = delete;
    THandDrivenMixer& operator=(const THandDrivenMixer&) = delete;

    // Mixes one more fragment and returns it; the clock stands still.
    std::vector<std::int16_t> MixNext() { return MixNextFragment(*out); }

    TVirtualClock clock;
    TFakeWaveOut* out = nullptr;  // owned by the mixer while it is open
    bool opened = false;

private:
    TClock* previousClock_;
    bool soundDriver_ = false;
};

}  // namespace vdl
