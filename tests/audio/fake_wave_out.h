// A wave-out stand-in whose play position the test sets by hand.
#pragma once

#include <atomic>
#include <cstdint>

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

}  // namespace vdl
