// A fake wave-out whose play position the test sets by hand.
#pragma once

#include <atomic>
#include <cstdint>

#include <vector>

#include "audio/mixer.h"
#include "audio/wave_device.h"

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

}  // namespace vdl
