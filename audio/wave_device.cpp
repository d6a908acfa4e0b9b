// The mixer's wave-out device: the tick that keeps the ring ahead of the output.
#include "audio/wave_device.h"

#include <chrono>
#include <cstdio>

#include "audio/mix.h"

namespace vdl {

namespace {

constexpr auto kTickPeriod = std::chrono::milliseconds(5);

}  // namespace

TWaveOutDevice::TWaveOutDevice(TMixer& owner, std::unique_ptr<TWaveOut> output)
    : mixer(owner),
      waveOut(std::move(output)),
      fragmentLength(mixer.fragmentLength),
      ring(
          new std::atomic<std::int16_t>[static_cast<std::size_t>(fragmentLength) * kRingFragments]),
      fragment_(static_cast<std::size_t>(fragmentLength)) {
    ClearRing();
    waveOut->Prepare(ring.get(), fragmentLength * kRingFragments);
}

TWaveOutDevice::~TWaveOutDevice() {
    Stop();
}

void TWaveOutDevice::Start(bool tickThread) {
    restartDelay = 0;
    running.store(true);
    latency = 6;
    Tick();
    Submit();
    if (!tickThread) return;
    thread_ = std::thread([this] {
        auto due = std::chrono::steady_clock::now();
        while (!quit_.load(std::memory_order_acquire)) {
            due += kTickPeriod;
            std::this_thread::sleep_until(due);
            Tick();
        }
    });
}

void TWaveOutDevice::Stop() {
    running.store(false);
    quit_.store(true, std::memory_order_release);
    if (thread_.joinable()) thread_.join();
    if (ring) {
        waveOut->Reset();
        waveOut->Unprepare();
        ring.reset();
    }
}

void TWaveOutDevice::Tick() {
    if (!running.load()) return;
    if (restartDelay != 0) {
        if (--restartDelay != 0) return;
        Submit();
    }

    const std::int64_t played = waveOut->PlayedBytes();
    if (played < 0 || played > kMaxPlayBytes) {
        waveOut->Reset();
        writePos = 0;
        ClearRing();
        Submit();
        return;
    }

    const int playPos = static_cast<int>(played / bytesPerSample);
    if (playPos == 0 || writePos >= playPos + 2 * fragmentLength) {
        while (writePos < playPos + latency * fragmentLength) {
            MixInto((writePos / fragmentLength) & (kRingFragments - 1));
            writePos += fragmentLength;
        }
        return;
    }

    // The output caught up with the writer: silence it, wait, and come back further ahead.
    restartDelay = kRestartTicks;
    ClearRing();
    waveOut->Reset();
    if (latency < 10) latency += 2;
    // NOTE: twice the latency on purpose: after the restart the ring plays that much
    // silence before mixing resumes.
    writePos = latency * fragmentLength * 2;
}

void TWaveOutDevice::Submit() {
    if (!waveOut->Submit()) {
        std::fputs("waveOutWrite error\n", stdout);
        std::fflush(stdout);
    }
}

void TWaveOutDevice::ClearRing() {
    const int samples = fragmentLength * kRingFragments;
    for (int i = 0; i < samples; ++i)
        ring[i].store(0, std::memory_order_relaxed);
}

void TWaveOutDevice::MixInto(int slot) {
    mixer.MixFragment(fragment_.data());
    std::atomic<std::int16_t>* out = ring.get() + slot * fragmentLength;
    for (int i = 0; i < fragmentLength; ++i)
        out[i].store(fragment_[i], std::memory_order_relaxed);
}

}  // namespace vdl
