// MixVoice on tiny hand-made sounds: every expected accumulator value below is worked out by
// hand from the fixed-point rules (16.16 rates, 4.12 gains, 32.32 positions).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "audio/mix.h"

namespace vdl {
namespace {

struct SoundDeleter {
    void operator()(TMixerSound* s) const { s->Release(); }
};
using SoundPtr = std::unique_ptr<TMixerSound, SoundDeleter>;

SoundPtr Mono16(std::vector<std::int16_t> samples, int hertz = 44100, int loop = 0) {
    return SoundPtr(
        TMixerSound::Create(static_cast<int>(samples.size()), 16, 1, hertz, samples.data(), loop));
}

// A voice playing sound from its start, as the mixer would have it after queueing.
void Start(TVoice& voice, TMixerSound* sound) {
    voice.source = sound;
    voice.position = 0;
    voice.delayFrames = 0;
    voice.state = sound->loop ? VS_LOOPED : VS_ONCE;
}

// Mixes one fragment of `frames` stereo frames and returns the accumulator.
std::vector<std::int32_t> Mix(TVoice& voice, int frames, int* result = nullptr) {
    std::vector<std::int32_t> acc(static_cast<std::size_t>(frames) * 2, 0);
    const int r = MixVoice(voice, acc.data(), frames * 2);
    if (result) *result = r;
    return acc;
}

std::vector<std::int32_t> Left(const std::vector<std::int32_t>& acc) {
    std::vector<std::int32_t> out;
    for (std::size_t i = 0; i < acc.size(); i += 2)
        out.push_back(acc[i]);
    return out;
}

std::vector<std::int32_t> Right(const std::vector<std::int32_t>& acc) {
    std::vector<std::int32_t> out;
    for (std::size_t i = 1; i < acc.size(); i += 2)
        out.push_back(acc[i]);
    return out;
}

using V = std::vector<std::int32_t>;

TEST(MixerVoice, UnitRateFullVolumeAddsSixteenTimesTheSampleToBothSides) {
    auto sound = Mono16({100, -200, 300, -32768});
    TVoice voice;
    Start(voice, sound.get());
    const auto acc = Mix(voice, 3);
    EXPECT_EQ(Left(acc), (V{1600, -3200, 4800}));
    EXPECT_EQ(Right(acc), (V{1600, -3200, 4800}));
    EXPECT_EQ(voice.position, std::int64_t{3} << 32);
}

TEST(MixerVoice, SourceRateBelowAndAboveTheDeviceRateInterpolates) {
    // 22050 Hz at rate 1.0: half a source frame per output frame.
    auto slow = Mono16({0, 1000, 2000, 3000}, 22050);
    TVoice voice;
    Start(voice, slow.get());
    EXPECT_EQ(Left(Mix(voice, 5)), (V{0, 8000, 16000, 24000, 32000}));
    EXPECT_EQ(voice.position, std::int64_t{5} << 31);

    // Rate 1.5 at 44100: positions 0, 1.5, 3, 4.5.
    auto fast = Mono16({0, 100, 200, 300, 400, 500, 600});
    TVoice quick;
    Start(quick, fast.get());
    quick.SetRate(0x18000);
    quick.rateCurrent = 0x18000;
    EXPECT_EQ(Left(Mix(quick, 4)), (V{0, 2400, 4800, 7200}));

    // Rate 0.75 gives quarter fractions: 0, 0.75, 1.5, 2.25 between 0, 64, 128, 192.
    auto quarters = Mono16({0, 64, 128, 192, 256});
    TVoice q;
    Start(q, quarters.get());
    q.SetRate(0xC000);
    q.rateCurrent = 0xC000;
    EXPECT_EQ(Left(Mix(q, 4)), (V{0, 48 * 16, 96 * 16, 144 * 16}));
}

TEST(MixerVoice, PanAttenuatesTheFarSideAndNegativeDepthInvertsTheRight) {
    auto sound = Mono16({256, 512});
    TVoice right;
    Start(right, sound.get());
    right.SetPan(2048);  // half right: left gain 4096 * 2048 >> 12 = 2048
    auto acc = Mix(right, 2);
    EXPECT_EQ(Left(acc), (V{2048, 4096}));
    EXPECT_EQ(Right(acc), (V{4096, 8192}));

    TVoice left;
    Start(left, sound.get());
    left.SetPan(-4096);
    left.SetDepth(-1);
    acc = Mix(left, 2);
    EXPECT_EQ(Left(acc), (V{4096, 8192}));
    EXPECT_EQ(Right(acc), (V{0, 0}));

    TVoice inverted;
    Start(inverted, sound.get());
    inverted.SetDepth(-4096);
    inverted.SetVolume(2048);
    inverted.volumeCurrent = 2048;
    acc = Mix(inverted, 2);
    EXPECT_EQ(Left(acc), (V{2048, 4096}));
    EXPECT_EQ(Right(acc), (V{-2048, -4096}));
}

TEST(MixerVoice, StereoAndEightBitSourcesReadTheirOwnLayout) {
    const std::int16_t stereo[] = {1000, -1000, 2000, -2000, 3000, -3000};
    SoundPtr s(TMixerSound::Create(3, 16, 2, 22050, stereo, 0));
    TVoice voice;
    Start(voice, s.get());
    auto acc = Mix(voice, 3);
    EXPECT_EQ(Left(acc), (V{16000, 24000, 32000}));
    EXPECT_EQ(Right(acc), (V{-16000, -24000, -32000}));

    // 8-bit: 128 is silence, 0 is -32768, 255 is 32512; halfway between 128 and 255 is
    // 0 + (127 * 256 * 0x8000 >> 16) = 16256, halfway on to 0 is 32512 - 32640.
    const std::uint8_t bytes[] = {128, 255, 0};
    SoundPtr b(TMixerSound::Create(3, 8, 1, 22050, bytes, 0));
    TVoice byteVoice;
    Start(byteVoice, b.get());
    EXPECT_EQ(Left(Mix(byteVoice, 4)), (V{0, 16256 * 16, 32512 * 16, -128 * 16}));

    const std::uint8_t stereoBytes[] = {0, 255, 128, 128};
    SoundPtr sb(TMixerSound::Create(2, 8, 2, 44100, stereoBytes, 0));
    TVoice sbVoice;
    Start(sbVoice, sb.get());
    acc = Mix(sbVoice, 2);
    EXPECT_EQ(Left(acc), (V{-32768 * 16, 0}));
    EXPECT_EQ(Right(acc), (V{32512 * 16, 0}));
}

TEST(MixerVoice, OneShotEndingInsideAFragmentLeavesTheRestSilent) {
    auto sound = Mono16({100, 200, 300});
    TVoice voice;
    Start(voice, sound.get());
    int r = 0;
    const auto acc = Mix(voice, 6, &r);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(Left(acc), (V{1600, 3200, 4800, 0, 0, 0}));
    // The guard frame repeats the last frame, so the last step interpolates flat.
    auto slow = Mono16({0, 160}, 22050);
    TVoice tail;
    Start(tail, slow.get());
    EXPECT_EQ(Left(Mix(tail, 6, &r)), (V{0, 80 * 16, 160 * 16, 160 * 16, 0, 0}));
    EXPECT_EQ(r, 1);
}

TEST(MixerVoice, LoopWrapsAndInterpolatesAcrossTheSeamWithTheFirstFrame) {
    // Rate 0.75 over a 3-frame loop: 0, 0.75, 1.5, 2.25 (toward the first frame), then 3.0
    // wraps to 0.
    auto sound = Mono16({400, 0, 800}, 44100, 1);
    TVoice voice;
    Start(voice, sound.get());
    voice.SetRate(0xC000);
    voice.rateCurrent = 0xC000;
    int r = -9;
    const auto acc = Mix(voice, 6, &r);
    EXPECT_EQ(r, 0);
    // 2.25: 800 + (400 - 800) * 0.25 = 700. 3.0 -> 0: 400. 3.75 -> 0.75: 100.
    EXPECT_EQ(Left(acc), (V{6400, 1600, 6400, 11200, 6400, 1600}));
    EXPECT_EQ(voice.position, std::int64_t{3} << 31);
}

TEST(MixerVoice, StartDelaySkipsWholeFragmentsThenPartOfOne) {
    auto sound = Mono16({10, 20, 30, 40});
    TVoice voice;
    Start(voice, sound.get());
    voice.delayFrames = 6;
    int r = -9;
    EXPECT_EQ(Mix(voice, 4, &r), V(8, 0));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(voice.delayFrames, 2);
    EXPECT_EQ(voice.position, 0);
    EXPECT_EQ(Left(Mix(voice, 4)), (V{0, 0, 160, 320}));
    EXPECT_EQ(voice.delayFrames, 0);
}

TEST(MixerVoice, VolumeChangeRampsAcrossExactlyOneFragment) {
    auto sound = Mono16({256, 256, 256, 256, 256, 256, 256, 256, 256}, 44100, 1);
    TVoice voice;
    Start(voice, sound.get());
    voice.SetVolume(0);
    // Gains 4096, 3072, 2048, 1024: 256 * gain >> 8 = gain.
    EXPECT_EQ(Left(Mix(voice, 4)), (V{4096, 3072, 2048, 1024}));
    EXPECT_EQ(voice.GetVolume(0), 0);
    // Now silent: nothing is added but the position still moves.
    EXPECT_EQ(Mix(voice, 4), V(8, 0));
    EXPECT_EQ(voice.position, std::int64_t{8} << 32);
    // A one-shot that runs off its end while silent still ends.
    auto once = Mono16({1, 2, 3});
    TVoice quiet;
    Start(quiet, once.get());
    quiet.SetVolume(0);
    quiet.volumeCurrent = 0;
    int r = 0;
    EXPECT_EQ(Mix(quiet, 4, &r), V(8, 0));
    EXPECT_EQ(r, 1);
}

TEST(MixerVoice, VolumeSetWhilePausedTakesEffectWithoutAFade) {
    auto sound = Mono16({256, 256, 256, 256}, 44100, 1);
    TVoice voice;
    Start(voice, sound.get());
    voice.state = VS_LOOPED | VS_PAUSED_BIT;
    int r = 0;
    EXPECT_EQ(Mix(voice, 2, &r), V(4, 0));
    EXPECT_EQ(r, -2);
    voice.SetVolume(1024);
    voice.state = VS_LOOPED;
    EXPECT_EQ(Left(Mix(voice, 2)), (V{1024, 1024}));
}

TEST(MixerVoice, RateChangeRampsTheStepLinearly) {
    auto sound = Mono16({0, 16, 32, 48, 64, 80, 96, 112}, 44100, 1);
    TVoice voice;
    Start(voice, sound.get());
    voice.SetRate(0x20000);
    // Steps 1, 1.25, 1.5, 1.75: positions 0, 1, 2.25, 3.75, then 5.5.
    EXPECT_EQ(Left(Mix(voice, 4)), (V{0, 256, 576, 960}));
    EXPECT_EQ(voice.position, (std::int64_t{11} << 32) / 2);
    EXPECT_EQ(voice.GetRate(0), 0x20000);
}

TEST(MixerVoice, NegativeRateHoldsTheVoiceInsteadOfReadingBeforeTheData) {
    auto sound = Mono16({50, 60, 70});
    TVoice voice;
    Start(voice, sound.get());
    voice.SetRate(-0x10000);
    voice.rateCurrent = voice.GetRate(1);
    EXPECT_EQ(Left(Mix(voice, 3)), (V{800, 800, 800}));
}

}  // namespace
}  // namespace vdl
