// The mixer on a real SDL output, captured with SDL's "disk" driver: when a sound appears in
// the output, that it arrives intact, whole and at its level, and that overload clips.
//
// With CCA_AUDIO_CAPTURE set, the tests run on the output SDL_AUDIODRIVER names instead, and
// read what something outside the process captured into that file, in the disk driver's
// format (16-bit stereo at 44 100 Hz): packaging/windows/wine-audio.sh gives the Windows
// backends under Wine an ALSA device that writes to a file.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <thread>
#include <vector>

#include "audio/mixer.h"
#include "platform/sdl_audio_output.h"

namespace vdl {
namespace {

// Sets (or, with null, removes) a variable of the process's environment, where SDL reads it.
void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

// What one run on the disk driver captured.
struct TCapture {
    std::vector<std::int16_t> samples;  // interleaved stereo
    std::int64_t playedFrames = 0;      // the output's play position when play() ran
};

class AudioOutput : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::path(CCA_BINARY_DIR) / "tests" /
               (std::string("audio-capture-") + test->name() + ".raw");
        if (const char* external = std::getenv("CCA_AUDIO_CAPTURE")) {
            path = external;
            external_ = true;
        } else {
            std::filesystem::create_directories(path.parent_path());
            SetEnv("SDL_AUDIODRIVER", "disk");
            SetEnv("SDL_DISKAUDIOFILE", path.string().c_str());
        }
        SetWaveOutOpener(&OpenSdlWaveOut);
    }
    void TearDown() override {
        CloseMixer();
        SetWaveOutOpener(nullptr);
        if (!external_) {
            SetEnv("SDL_AUDIODRIVER", nullptr);
            SetEnv("SDL_DISKAUDIOFILE", nullptr);
        }
    }

    // Opens the mixer, lets the output settle, calls play, waits waitMs and closes. A run
    // whose output ran dry (a starved tick, and the restart that follows says nothing about
    // the mixer) is tried again. These tests run alone, so a dry run is rare; five dry runs
    // in a row mean the tick cannot keep up at all, and that is a failure.
    std::optional<TCapture> Run(const std::function<void()>& play, int waitMs) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (OpenMixer() != 0) {
                ADD_FAILURE() << "SDL's disk output did not open";
                return std::nullopt;
            }
            Wait(150);
            TCapture capture;
            capture.playedFrames = MixerDevice()->waveOut->PlayedBytes() / 4;
            play();
            Wait(waitMs);
            TWaveOutDevice& device = *MixerDevice();
            device.Stop();
            const bool steady = device.latency == 6;
            CloseMixer();
            if (!steady) continue;
            capture.samples = Captured();
            return capture;
        }
        return std::nullopt;
    }

    static void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    // The captured output as interleaved 16-bit samples.
    std::vector<std::int16_t> Captured() const {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
        std::vector<std::int16_t> samples(bytes.size() / 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] =
                static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                          (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
        }
        return samples;
    }

    // Plays data (frames of channels values) once or looped, on no channel.
    static void Play(const std::vector<std::int16_t>& data, int channels, int loop) {
        const int frames = static_cast<int>(data.size()) / channels;
        TMixerSound* s = MixerCreateSound(frames, 16, channels, 44100, data.data(), loop);
        MixerPlay(s, 0, 0);
        MixerReleaseSound(s);
    }

    std::filesystem::path path;
    bool external_ = false;
};

TEST_F(AudioOutput, SoundArrivesTwentyMillisecondsPlusTheLatencyAfterThePlayIntact) {
    std::vector<std::int16_t> pattern;
    for (int i = 0; i < 4410; ++i) {
        pattern.push_back(static_cast<std::int16_t>(1000 + i * 37 % 20000));
    }
    const auto capture = Run([&] { Play(pattern, 1, 0); }, 400);
    ASSERT_TRUE(capture) << "the output ran dry in every attempt";
    const auto& out = capture->samples;

    std::size_t first = 0;
    while (first < out.size() && out[first] == 0)
        ++first;
    ASSERT_LT(first, out.size()) << "the sound never reached the output";
    const std::int64_t frame = static_cast<std::int64_t>(first / 2);
    // 20 ms is 882 frames; the writer keeps 6 fragments of 512 frames ahead. The play
    // position moves in whole fragments, the tick comes up to 5 ms late, the disk driver
    // runs a little fast and may write silence before the ring first starts, so allow two
    // fragments early and three late.
    const std::int64_t expected = 882 + 6 * 512;
    EXPECT_GE(frame - capture->playedFrames, expected - 2 * 512);
    EXPECT_LE(frame - capture->playedFrames, expected + 3 * 512);

    ASSERT_GE(out.size(), first + pattern.size() * 2);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        ASSERT_EQ(out[first + 2 * i], pattern[i]) << "frame " << i;
        ASSERT_EQ(out[first + 2 * i + 1], pattern[i]) << "frame " << i;
    }
    EXPECT_EQ(out[first + 2 * pattern.size()], 0);
}

// A second of a 441 Hz sine must come out whole: as long as it went in (an output that plays
// its buffer twice, or runs fast, makes it longer), at its level, with no gap and no lost or
// repeated stretch (each would move the zero crossings off their 100-frame beat). This holds
// on any output, also one that resamples.
TEST_F(AudioOutput, ASecondOfSineComesOutWholeAtItsLevel) {
    constexpr int kFrames = 44100, kPeriod = 100, kAmplitude = 8000;
    std::vector<std::int16_t> sine(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        sine[i] = static_cast<std::int16_t>(
            std::lround(kAmplitude * std::sin(2 * 3.14159265358979323846 * i / kPeriod)));
    }
    const auto capture = Run([&] { Play(sine, 1, 0); }, 1500);
    ASSERT_TRUE(capture) << "the output ran dry in every attempt";
    const auto& out = capture->samples;

    std::size_t first = 0, last = out.size();
    while (first < out.size() && out[first] == 0)
        first += 2;
    while (last > first && out[last - 2] == 0)
        last -= 2;
    ASSERT_LT(first, out.size()) << "the sound never reached the output";
    const std::vector<std::int16_t> left = [&] {
        std::vector<std::int16_t> v;
        for (std::size_t i = first; i < last; i += 2)
            v.push_back(out[i]);
        return v;
    }();
    EXPECT_NEAR(static_cast<double>(left.size()), kFrames, kFrames / 100.0);

    double energy = 0;
    for (const std::int16_t v : left)
        energy += static_cast<double>(v) * v;
    EXPECT_NEAR(std::sqrt(energy / static_cast<double>(left.size())), kAmplitude / std::sqrt(2.0),
                kAmplitude / 50.0);

    int previous = -1, crossings = 0;
    for (std::size_t i = 1; i < left.size(); ++i) {
        if (left[i - 1] < 0 && left[i] >= 0) {
            if (previous >= 0) {
                ASSERT_NEAR(static_cast<int>(i) - previous, kPeriod, 1) << "at frame " << i;
            }
            previous = static_cast<int>(i);
            ++crossings;
        }
    }
    EXPECT_GE(crossings, kFrames / kPeriod - 2);
}

TEST_F(AudioOutput, TwoLoudVoicesClipInsteadOfWrapping) {
    std::vector<std::int16_t> loud;
    for (int i = 0; i < 1000; ++i) {
        loud.push_back(30000);
        loud.push_back(-30000);
    }
    const auto capture = Run(
        [&] {
            Play(loud, 2, 1);
            Play(loud, 2, 1);
        },
        300);
    ASSERT_TRUE(capture) << "the output ran dry in every attempt";

    const auto& out = capture->samples;
    int clipped = 0;
    for (std::size_t i = 0; i + 1 < out.size(); i += 2) {
        ASSERT_TRUE(out[i] == 0 || out[i] == 30000 || out[i] == 32767) << out[i];
        ASSERT_TRUE(out[i + 1] == 0 || out[i + 1] == -30000 || out[i + 1] == -32768) << out[i + 1];
        if (out[i] == 32767 && out[i + 1] == -32768) ++clipped;
    }
    EXPECT_GT(clipped, 44100 / 10);
}

}  // namespace
}  // namespace vdl
