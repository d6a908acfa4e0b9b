// The mixer's call interface on a hand-driven output: channel handles and their generations,
// voices replacing each other on a channel, the start delay and output clipping.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "audio/mixer.h"
#include "fake_wave_out.h"
#include "system/clock.h"

namespace vdl {
namespace {

constexpr int F = kFragmentLength;

class MixerChannel : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mixer.opened); }
    void TearDown() override {
        for (TMixerSound* s : sounds)
            MixerReleaseSound(s);
    }

    // A sound of frames copies of one mono value.
    TMixerSound* Constant(std::int16_t value, int frames, int loop) {
        std::vector<std::int16_t> data(static_cast<std::size_t>(frames), value);
        TMixerSound* s = MixerCreateSound(frames, 16, 1, 44100, data.data(), loop);
        sounds.push_back(s);
        return s;
    }

    std::vector<std::int16_t> MixNext() { return mixer.MixNext(); }

    // Mixes until a voice played now is fully audible (the 20 ms start delay is 882 frames).
    std::vector<std::int16_t> MixPastStartDelay() {
        MixNext();
        MixNext();
        return MixNext();
    }

    THandDrivenMixer mixer{5000};
    std::vector<TMixerSound*> sounds;
};

TEST_F(MixerChannel, HandlesCarryAGenerationSoAStaleHandleReachesNothing) {
    const int first = MixerAllocChannel();
    EXPECT_EQ(first, 1 | 8192);
    EXPECT_EQ(MixerAllocChannel(), 2 | 8192);

    TMixerSound* once = Constant(100, 600, 0);
    EXPECT_EQ(MixerPlay(once, 0, first), first);
    EXPECT_EQ(MixerChannelState(first), VS_ONCE);
    MixerStopChannel(first);
    MixPastStartDelay();  // the stopped voice dies and is recycled

    // The next play reuses that voice, which gives its channel back; the index comes out
    // again one generation on.
    const int fresh = MixerPlay(once, 0, 0);
    EXPECT_EQ(fresh, 3 | 8192);
    EXPECT_EQ(MixerAllocChannel(), 1 | 12288);
    EXPECT_EQ(MixerChannelState(first), 0);
    MixerSetVolume(first, 0.0f);
    MixerPauseChannel(first, 1);
    EXPECT_EQ(MixerChannelState(fresh), VS_ONCE);
    const auto fragment = MixPastStartDelay();
    EXPECT_EQ(fragment[0], 100);

    // Handles that were never handed out, or with index 0, reach nothing either.
    EXPECT_EQ(MixerChannelState(4095 | 4096), 0);
    EXPECT_EQ(MixerChannelState(4096), 0);
    EXPECT_EQ(MixerChannelState(0), 0);
}

TEST_F(MixerChannel, PlayOnAChannelReplacesItsVoiceAndKeepsItsSettings) {
    const int channel = MixerAllocChannel();
    // Settings made before the first play carry into it.
    MixerSetVolume(channel, 0.5f);
    MixerSetPan(channel, -1.0f);
    EXPECT_EQ(MixerPlay(Constant(1000, 50000, 1), 0, channel), channel);
    auto fragment = MixPastStartDelay();
    EXPECT_EQ(fragment[0], 500);
    EXPECT_EQ(fragment[1], 0);

    EXPECT_EQ(MixerPlay(Constant(2000, 50000, 1), 0, channel), channel);
    // The old voice goes silent at once; the new one waits out its start delay.
    fragment = MixNext();
    EXPECT_EQ(fragment[0], 0);
    fragment = MixNext();
    fragment = MixNext();
    EXPECT_EQ(fragment[0], 1000);
    EXPECT_EQ(fragment[1], 0);
    EXPECT_EQ(MixerChannelState(channel), VS_LOOPED);
}

TEST_F(MixerChannel, ReplayAfterStopSurvivesTheOldVoiceBeingReused) {
    const int channel = MixerAllocChannel();
    TMixerSound* loop = Constant(300, 2000, 1);
    MixerPlay(loop, 0, channel);
    MixNext();
    MixerStopChannel(channel);
    MixerPlay(loop, 0, channel);
    MixPastStartDelay();
    // Plays without a channel take the recycled voices, the stopped one among them.
    for (int i = 0; i < 8; ++i)
        MixerPlay(Constant(1, 10, 0), 0, 0);
    EXPECT_EQ(MixerChannelState(channel), VS_LOOPED);
    EXPECT_EQ(MixPastStartDelay()[0], 300);
}

TEST_F(MixerChannel, ReplayReusingTheChannelsOwnRecycledVoiceKeepsTheChannel) {
    const int channel = MixerAllocChannel();
    TMixerSound* loop = Constant(400, 2000, 1);
    MixerPlay(loop, 0, channel);
    MixerStopChannel(channel);
    MixPastStartDelay();  // the only spare voice is now the channel's own
    EXPECT_EQ(MixerPlay(loop, 0, channel), channel);
    EXPECT_EQ(MixerChannelState(channel), VS_LOOPED);
    EXPECT_NE(MixerAllocChannel() & 0xFFF, channel & 0xFFF);
    EXPECT_EQ(MixPastStartDelay()[0], 400);
}

TEST_F(MixerChannel, PauseMarksOnlyPlayingVoices) {
    const int channel = MixerAllocChannel();
    EXPECT_EQ(MixerPlay(Constant(100, 4000, 1), 1, channel), channel);
    EXPECT_EQ(MixerChannelState(channel), VS_LOOPED | VS_PAUSED_BIT);
    EXPECT_EQ(MixPastStartDelay()[0], 0);
    MixerPauseChannel(channel, 0);
    EXPECT_EQ(MixerChannelState(channel), VS_LOOPED);
    EXPECT_EQ(MixPastStartDelay()[0], 100);

    MixerStopChannel(channel);
    MixerPauseChannel(channel, 1);
    EXPECT_EQ(MixerChannelState(channel), VS_STOPPED);
}

TEST_F(MixerChannel, OneShotOnAChannelStopsAndKeepsItsHandle) {
    const int channel = MixerAllocChannel();
    TMixerSound* once = Constant(100, 700, 0);
    MixerPlay(once, 0, channel);
    EXPECT_EQ(once->refCount.load(), 2);
    // 882 frames of delay, then 700 frames of sound: it ends inside the fourth fragment.
    MixPastStartDelay();
    const auto last = MixNext();
    EXPECT_EQ(last[2 * 45], 100);
    EXPECT_EQ(last[2 * 46], 0);
    EXPECT_EQ(MixerChannelState(channel), VS_STOPPED);
    EXPECT_EQ(once->refCount.load(), 2);
    MixerStopChannel(channel);
    MixNext();
    MixNext();
    EXPECT_EQ(once->refCount.load(), 1);
}

TEST_F(MixerChannel, VoiceWithoutAChannelOutlivesItsReleasedSound) {
    TMixerSound* once =
        MixerCreateSound(600, 16, 1, 44100, std::vector<std::int16_t>(600, 77).data(), 0);
    const int handle = MixerPlay(once, 0, 0);
    EXPECT_NE(handle, 0);
    MixerReleaseSound(once);
    EXPECT_EQ(MixPastStartDelay()[0], 77);
    MixNext();
    MixNext();
    EXPECT_EQ(MixerChannelState(handle), VS_DEAD);
}

TEST_F(MixerChannel, WhenHandlesRunOutAPlayStillSounds) {
    std::set<int> handles;
    for (int i = 1; i < kChannelEntries; ++i)
        handles.insert(MixerAllocChannel());
    EXPECT_EQ(handles.size(), 4095u);
    EXPECT_EQ(handles.count(0), 0u);
    EXPECT_EQ(MixerAllocChannel(), 0);
    EXPECT_EQ(MixerPlay(Constant(50, 4000, 0), 0, 0), 0);
    EXPECT_EQ(MixPastStartDelay()[0], 50);
}

TEST_F(MixerChannel, StartDelayCountsFromThePlayNotFromTheTick) {
    MixerPlay(Constant(1234, 5000, 0), 0, 0);
    mixer.clock.Advance(3);
    TWaveOutDevice& device = *MixerDevice();
    const int start = device.writePos;
    MixNext();
    MixNext();
    // 17 ms remained when the tick took the voice: 17 * 44100 / 1000 = 749 frames.
    const int first = start + 749 * 2;
    EXPECT_EQ(device.ring[((first - 2) / F & 31) * F + (first - 2) % F].load(), 0);
    EXPECT_EQ(device.ring[(first / F & 31) * F + first % F].load(), 1234);
}

TEST(MixerFragment, OverloadClipsInsteadOfWrappingAndTheAccumulatorStartsClean) {
    TVoice a;
    TVoice b;
    TMixer mixer(8);
    const std::int16_t loud[] = {32767, -32768, 32767, -32768};
    TMixerSound* sound = TMixerSound::Create(2, 16, 2, 44100, loud, 1);
    for (TVoice* v : {&a, &b}) {
        sound->Retain();
        v->source = sound;
        v->state = VS_LOOPED;
        v->startTime = Millis() - 1000;
        ASSERT_TRUE(mixer.Queue(v));
    }
    std::int16_t out[8];
    mixer.MixFragment(out);
    for (int i = 0; i < 8; i += 2) {
        EXPECT_EQ(out[i], 32767);
        EXPECT_EQ(out[i + 1], -32768);
    }
    for (std::int32_t entry : mixer.accumulator)
        EXPECT_EQ(entry, 0);

    b.SetVolume(-4096);
    b.volumeCurrent = -4096;
    mixer.MixFragment(out);
    for (std::int16_t v : out)
        EXPECT_EQ(v, 0);
    sound->Release();
}

TEST(MixerFragment, EndedVoicesComeBackThroughTheSpareRing) {
    TMixer mixer(8);
    const std::int16_t data[] = {5, 5};
    TMixerSound* sound = TMixerSound::Create(2, 16, 1, 44100, data, 0);
    TVoice* voice = mixer.TakeVoice();
    sound->Retain();
    voice->source = sound;
    voice->state = VS_ONCE;
    voice->autoRelease = 1;
    voice->startTime = Millis() - 1000;
    mixer.Queue(voice);
    std::int16_t out[8];
    mixer.MixFragment(out);
    EXPECT_EQ(out[2], 5);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(voice->state.load(), VS_DEAD);
    EXPECT_NE(mixer.TakeVoice(), voice);
    mixer.MixFragment(out);
    EXPECT_EQ(sound->refCount.load(), 1);
    EXPECT_EQ(mixer.TakeVoice(), voice);
    sound->Release();
}

}  // namespace
}  // namespace vdl
