// Sounds and channels over the mixer on a hand-driven output, and the quiet driver that
// stands in when there is no output.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "audio/aurel.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "fake_wave_out.h"
#include "runtime/program.h"

namespace vdl {
namespace {

// A mono 16-bit little-endian sample of the given values.
std::shared_ptr<TAudioSample> MonoSample(const std::vector<std::int16_t>& values, int hertz) {
    auto sample =
        TAudioSample::CreateAudioSample(static_cast<int>(values.size()), hertz, SF_MONO16LE);
    for (std::size_t i = 0; i < values.size(); ++i) {
        sample->samples[2 * i] = static_cast<std::uint8_t>(values[i] & 0xFF);
        sample->samples[2 * i + 1] = static_cast<std::uint8_t>((values[i] >> 8) & 0xFF);
    }
    return sample;
}

class SoundChannel : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mixer.opened); }

    // Mixes n fragments and returns the last.
    std::vector<std::int16_t> Mix(int n) {
        std::vector<std::int16_t> last;
        for (int i = 0; i < n; ++i)
            last = mixer.MixNext();
        return last;
    }

    THandDrivenMixer mixer{100, TSoundLayer::kOnTheMixer};
};

TEST_F(SoundChannel, PlayWithoutAChannelMakesFreshOnesAndWithOneHandsItBack) {
    SoundRef sound = LoadSoundFrom(MonoSample(std::vector<std::int16_t>(3000, 100), 44100), 0);
    ASSERT_NE(std::dynamic_pointer_cast<TAurelSound>(sound), nullptr);

    ChannelRef a = PlaySoundOn(sound, nullptr);
    ChannelRef b = PlaySoundOn(sound, nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(std::static_pointer_cast<TAurelChannel>(a)->handle,
              std::static_pointer_cast<TAurelChannel>(b)->handle);
    // Both voices overlap.
    EXPECT_EQ(Mix(3)[0], 200);

    ChannelRef channel = NewChannel();
    EXPECT_EQ(PlaySoundOn(sound, channel), channel);
    EXPECT_EQ(CueSoundOn(sound, channel), channel);
}

TEST_F(SoundChannel, SuspendedChannelStillPlaysUntilItsSoundHasEnded) {
    SoundRef sound = LoadSoundFrom(MonoSample(std::vector<std::int16_t>(1500, 100), 44100), 0);
    ChannelRef channel = NewChannel();
    EXPECT_EQ(IsChannelPlaying(channel), 0);
    PlaySoundOn(sound, channel);
    EXPECT_EQ(IsChannelPlaying(channel), 1);
    SuspendChannel(channel);
    EXPECT_EQ(IsChannelPlaying(channel), 1);
    EXPECT_EQ(Mix(6)[0], 0);
    EXPECT_EQ(IsChannelPlaying(channel), 1);
    ContinueChannel(channel);
    EXPECT_EQ(Mix(3)[0], 100);
    Mix(3);
    EXPECT_EQ(IsChannelPlaying(channel), 0);
    StopChannel(channel);
    EXPECT_EQ(IsChannelPlaying(channel), 0);
}

TEST_F(SoundChannel, OnlyANonZeroFlagMakesASoundLoop) {
    const auto sample = MonoSample(std::vector<std::int16_t>(600, 100), 44100);
    ChannelRef once = PlaySoundOn(LoadSoundFrom(sample, 0), nullptr);
    ChannelRef looped = PlaySoundOn(LoadSoundFrom(sample, 2), nullptr);
    EXPECT_EQ(Mix(3)[0], 200);
    const auto later = Mix(20);
    EXPECT_EQ(later[0], 100);
    EXPECT_EQ(IsChannelPlaying(once), 0);
    EXPECT_EQ(IsChannelPlaying(looped), 1);
}

TEST_F(SoundChannel, BigEndianSamplePlaysExactlyLikeItsLittleEndianTwin) {
    std::vector<std::int16_t> wave;
    for (int i = 0; i < 4000; ++i)
        wave.push_back(static_cast<std::int16_t>((i * 997) % 30000));
    const auto little = MonoSample(wave, 32000);
    const auto big = little->Convert(SF_MONO16BE);

    ChannelRef channel = NewChannel();
    SetChannelRate(channel, 1.25f);
    SetChannelPan(channel, 0.25f);
    PlaySoundOn(LoadSoundFrom(little, 0), channel);
    const auto fromLittle = Mix(3);
    StopChannel(channel);
    Mix(3);
    PlaySoundOn(LoadSoundFrom(big, 0), channel);
    const auto fromBig = Mix(3);
    EXPECT_EQ(fromBig, fromLittle);
    EXPECT_NE(fromBig[10], 0);
}

TEST_F(SoundChannel, SettersReachTheVoiceAsFixedPoint) {
    SoundRef sound = LoadSoundFrom(MonoSample(std::vector<std::int16_t>(20000, 1000), 44100), 1);
    ChannelRef channel = PlaySoundOn(sound, nullptr);
    SetChannelVolume(channel, 0.75f);
    SetChannelDepth(channel, -1.0f);
    Mix(4);
    const auto fragment = Mix(1);
    // 1000 * 3072 >> 8 = 12000 in the accumulator, 750 out; depth inverts the right.
    EXPECT_EQ(fragment[0], 750);
    EXPECT_EQ(fragment[1], -750);
}

TEST_F(SoundChannel, WrongChannelClassesAndEmptySamplesGiveNull) {
    SoundRef sound = LoadSoundFrom(MonoSample({1, 2, 3}, 44100), 0);
    EXPECT_EQ(PlaySoundOn(sound, std::make_shared<TChannel>()), nullptr);
    EXPECT_EQ(CueSoundOn(sound, std::make_shared<TChannel>()), nullptr);
    EXPECT_EQ(LoadSoundFrom(TAudioSample::CreateAudioSample(4, 44100, SF_NONE), 0), nullptr);
    EXPECT_EQ(LoadSoundFrom(std::shared_ptr<TAudioSample>(), 0), nullptr);
    EXPECT_EQ(LoadSoundFrom("incbin::no such sound", 0), nullptr);
}

TEST(SoundQuietDriver, WithoutAnOutputDeviceEverythingIsQuietButWorks) {
    // The installed output finds no device.
    SetWaveOutOpener([]() -> std::unique_ptr<TWaveOut> { return nullptr; });
    InitAudio();
    SetWaveOutOpener(nullptr);
    EXPECT_EQ(dynamic_cast<TAurelAudioDriver*>(&CurrentAudioDriver()), nullptr);
    EXPECT_EQ(MixerDevice(), nullptr);

    SoundRef sound = LoadSoundFrom(MonoSample({1, 2, 3}, 44100), 0);
    ASSERT_NE(sound, nullptr);
    ChannelRef channel = NewChannel();
    ASSERT_NE(channel, nullptr);
    EXPECT_NE(PlaySoundOn(sound, channel), nullptr);
    SetChannelVolume(channel, 0.5f);
    SuspendChannel(channel);
    EXPECT_EQ(IsChannelPlaying(channel), 0);
    EXPECT_EQ(IsChannelPlaying(nullptr), 0);
}

// A page has no threads: there InitAudio opens the output itself.
#if !defined(__EMSCRIPTEN__) || defined(__EMSCRIPTEN_PTHREADS__)
std::promise<void> letOutputOpen;
std::shared_future<void> outputLetOpen;
std::thread::id openedOn;
bool outputClosed = false;

class TClosingWaveOut : public TFakeWaveOut {
public:
    ~TClosingWaveOut() override { outputClosed = true; }
};

std::unique_ptr<TWaveOut> OutputOnceLetOpen() {
    openedOn = std::this_thread::get_id();
    outputLetOpen.wait();
    return std::make_unique<TClosingWaveOut>();
}

// Each test starts and ends with the audio layer closed.
class SoundStartUp : public ::testing::Test {
protected:
    void SetUp() override {
        CloseAudio();
        outputClosed = false;
        letOutputOpen = std::promise<void>();
        outputLetOpen = letOutputOpen.get_future().share();
    }
    void TearDown() override {
        CloseAudio();
        SetWaveOutOpener(nullptr);
    }
};

// The caller goes on while the output opens; InitAudio waits for it and plays on it.
TEST_F(SoundStartUp, TheOutputOpensOnAThreadOfItsOwnAndInitAudioPlaysOnIt) {
    SetWaveOutOpener(&OutputOnceLetOpen);
    BeginInitAudio();
    EXPECT_FALSE(AudioOutputSettled());
    EXPECT_EQ(MixerDevice(), nullptr);
    letOutputOpen.set_value();
    EXPECT_TRUE(InitAudio());
    EXPECT_TRUE(AudioOutputSettled());
    EXPECT_NE(openedOn, std::this_thread::get_id());
    EXPECT_NE(dynamic_cast<TAurelAudioDriver*>(&CurrentAudioDriver()), nullptr);
    EXPECT_NE(MixerDevice(), nullptr);
    RunExitRoutines();
    EXPECT_EQ(MixerDevice(), nullptr);
    EXPECT_TRUE(outputClosed);
}

// A program that ends before InitAudio took the output waits for it and closes it.
TEST_F(SoundStartUp, EndingBeforeInitAudioClosesWhatWasOpened) {
    SetWaveOutOpener(&OutputOnceLetOpen);
    BeginInitAudio();
    letOutputOpen.set_value();
    RunExitRoutines();
    EXPECT_TRUE(outputClosed);
    EXPECT_EQ(MixerDevice(), nullptr);
}
#endif

}  // namespace
}  // namespace vdl
