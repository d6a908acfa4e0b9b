// The device tick: how far ahead it mixes, and how it recovers from underruns and from play
// positions it cannot trust.
#include <gtest/gtest.h>

#include "audio/mix.h"
#include "audio/wave_device.h"
#include "fake_wave_out.h"
#include "system/clock.h"

namespace vdl {
namespace {

constexpr int F = 1024;

class AudioDevice : public ::testing::Test {
protected:
    AudioDevice() {
        auto fake = std::make_unique<TFakeWaveOut>();
        out = fake.get();
        device = std::make_unique<TWaveOutDevice>(mixer, std::move(fake));
    }

    // Sets the play position in samples and ticks once.
    void TickAt(int samples) {
        out->played = std::int64_t{samples} * 2;
        device->Tick();
    }

    // Starts a looping full-volume sound that sounds at once.
    void QueueLoudLoop() {
        const std::int16_t data[4] = {1000, 1000, 1000, 1000};
        sound = TMixerSound::Create(4, 16, 1, 44100, data, 1);
        voice.source = sound;
        voice.state = VS_LOOPED;
        voice.startTime = Millis() - 100;
        mixer.Queue(&voice);
    }

    bool RingIsSilent() const {
        for (int i = 0; i < out->samples; ++i) {
            if (out->ring[i].load() != 0) return false;
        }
        return true;
    }

    TMixerSound* sound = nullptr;
    TVoice voice;
    TMixer mixer{F};
    TFakeWaveOut* out = nullptr;
    std::unique_ptr<TWaveOutDevice> device;
};

TEST_F(AudioDevice, StartMixesSixFragmentsThenKeepsThatFarAheadOfThePlayCursor) {
    device->Start(false);
    EXPECT_EQ(out->samples, 32 * F);
    EXPECT_EQ(device->writePos, 6 * F);
    EXPECT_EQ(out->submits, 1);

    for (int play = 300; play < 40 * F; play += 441 * 2) {
        TickAt(play);
        EXPECT_GE(device->writePos, play + 6 * F);
        EXPECT_LT(device->writePos, play + 7 * F);
        EXPECT_EQ(device->writePos % F, 0);
    }
    EXPECT_EQ(out->resets, 0);
}

TEST_F(AudioDevice, UnderrunSilencesWaitsAndWidensTheLeadUpToTenFragments) {
    QueueLoudLoop();
    device->Start(false);
    EXPECT_FALSE(RingIsSilent());
    TickAt(5 * F);  // within two fragments of the writer
    EXPECT_EQ(out->resets, 1);
    EXPECT_EQ(device->latency, 8);
    EXPECT_EQ(device->writePos, 16 * F);
    EXPECT_EQ(device->restartDelay, 250);
    EXPECT_TRUE(RingIsSilent());

    for (int i = 0; i < 249; ++i)
        device->Tick();
    EXPECT_EQ(out->submits, 1);
    TickAt(0);
    EXPECT_EQ(out->submits, 2);
    // The writer sits 16 fragments in; it waits until the cursor is within 8 of it.
    TickAt(7 * F);
    EXPECT_EQ(device->writePos, 16 * F);
    TickAt(9 * F);
    EXPECT_EQ(device->writePos, 17 * F);

    TickAt(16 * F);
    EXPECT_EQ(device->latency, 10);
    EXPECT_EQ(device->writePos, 20 * F);
    for (int i = 0; i < 250; ++i)
        device->Tick();
    TickAt(19 * F);
    EXPECT_EQ(device->latency, 10);
    EXPECT_EQ(out->resets, 3);
}

TEST_F(AudioDevice, UntrustworthyPlayPositionResetsAtOnce) {
    QueueLoudLoop();
    device->Start(false);
    TickAt(2 * F);
    const int resetsBefore = out->resets;
    out->played = -1;
    device->Tick();
    EXPECT_EQ(out->resets, resetsBefore + 1);
    EXPECT_EQ(device->writePos, 0);
    EXPECT_EQ(out->submits, 2);
    EXPECT_EQ(device->latency, 6);

    TickAt(0);
    EXPECT_EQ(device->writePos, 6 * F);
    EXPECT_FALSE(RingIsSilent());
    out->played = kMaxPlayBytes + 2;
    device->Tick();
    EXPECT_EQ(device->writePos, 0);
    EXPECT_EQ(out->submits, 3);
    EXPECT_TRUE(RingIsSilent());
}

TEST_F(AudioDevice, FailedSubmissionIsReportedOnStandardOutputAndPlayGoesOn) {
    out->submitOk = false;
    ::testing::internal::CaptureStdout();
    device->Start(false);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "waveOutWrite error\n");
    EXPECT_TRUE(device->running.load());
    TickAt(F);
    EXPECT_EQ(device->writePos, 7 * F);
}

}  // namespace
}  // namespace vdl
