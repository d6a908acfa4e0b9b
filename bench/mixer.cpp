// Cost of the software mixer: one voice over one fragment in each of its cases, whole
// fragments with many voices (and how many voices fit in 1 % of a core), and one mixed second
// against SDL_mixer playing the same voices.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include "audio/mix.h"

#ifdef CCA_HAVE_SDL_MIXER
#include <SDL.h>
#include <SDL_mixer.h>
#endif

namespace vdl {
namespace {

constexpr int kFragment = 1024;
// A fragment lasts 512 / 44100 s; 1 % of a core is that much time divided by 100.
constexpr double kFragmentSeconds = 512.0 / 44100.0;

// Two seconds of 16-bit stereo noise-like PCM.
std::vector<std::int16_t> TestPcm(int channels) {
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(88200 * channels));
    std::uint32_t x = 12345;
    for (auto& v : pcm) {
        x = x * 1664525u + 1013904223u;
        v = static_cast<std::int16_t>((x >> 16) / 4);
    }
    return pcm;
}

struct TVoiceCase {
    int channels;
    int hertz;
    int rate;
    int volumeFrom;
    int volumeTo;
};

// Arguments: case index. 0 stereo 44100 at rate 1, 1 mono 22050, 2 stereo at rate 1.37,
// 3 a volume ramp, 4 a silent voice.
const TVoiceCase kCases[] = {
    {2, 44100, 0x10000, 4096, 4096}, {1, 22050, 0x10000, 4096, 4096},
    {2, 44100, 0x15EB8, 4096, 4096}, {2, 44100, 0x10000, 4096, 1024},
    {2, 44100, 0x10000, 0, 0},
};

void BM_MixVoicePerFragment(benchmark::State& state) {
    const TVoiceCase c = kCases[state.range(0)];
    const auto pcm = TestPcm(c.channels);
    TMixerSound* sound = TMixerSound::Create(88200, 16, c.channels, c.hertz, pcm.data(), 1);
    TVoice voice;
    voice.source = sound;
    voice.state = VS_LOOPED;
    voice.rateCurrent = c.rate;
    voice.rateTarget = c.rate;
    std::vector<std::int32_t> acc(kFragment);
    for (auto _ : state) {
        voice.volumeCurrent = static_cast<std::int16_t>(c.volumeFrom);
        voice.volumeTarget = static_cast<std::int16_t>(c.volumeTo);
        MixVoice(voice, acc.data(), kFragment);
        benchmark::DoNotOptimize(acc.data());
    }
    // How many such voices one hundredth of a core can keep up with in real time.
    state.counters["voices_in_1pct_core"] =
        benchmark::Counter(kFragmentSeconds / 100.0 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    sound->Release();
}
BENCHMARK(BM_MixVoicePerFragment)->DenseRange(0, 4)->ArgName("case");

// A mixer with n looping stereo voices at varied rates, all sounding.
struct TLoadedMixer {
    explicit TLoadedMixer(int n) : voices(static_cast<std::size_t>(n)), mixer(kFragment) {
        const auto pcm = TestPcm(2);
        sound = TMixerSound::Create(88200, 16, 2, 44100, pcm.data(), 1);
        for (int i = 0; i < n; ++i) {
            TVoice& v = voices[static_cast<std::size_t>(i)];
            sound->Retain();
            v.source = sound;
            v.state = VS_LOOPED;
            v.SetVolume(4096 / 8);
            v.volumeCurrent = 4096 / 8;
            v.startTime = -1000000;
            mixer.Queue(&v);
        }
    }
    ~TLoadedMixer() { sound->Release(); }

    std::vector<TVoice> voices;  // outlives the mixer, which unlinks them
    TMixer mixer;
    TMixerSound* sound = nullptr;
};

void BM_MixFragment(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TLoadedMixer loaded(n);
    std::vector<std::int16_t> out(kFragment);
    for (auto _ : state) {
        loaded.mixer.MixFragment(out.data());
        benchmark::DoNotOptimize(out.data());
    }
    // Share of one core spent keeping up with real time.
    state.counters["core_pct"] =
        benchmark::Counter(kFragmentSeconds / 100.0 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MixFragment)->Arg(1)->Arg(8)->Arg(32)->Arg(128);

// One second of output (86 fragments) with n voices, for the comparison below.
void BM_MixedSecondVdl(benchmark::State& state) {
    TLoadedMixer loaded(static_cast<int>(state.range(0)));
    std::vector<std::int16_t> out(kFragment);
    constexpr int kFragmentsPerSecond = 44100 * 2 / kFragment;
    for (auto _ : state) {
        for (int i = 0; i < kFragmentsPerSecond; ++i)
            loaded.mixer.MixFragment(out.data());
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_MixedSecondVdl)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);

#ifdef CCA_HAVE_SDL_MIXER
std::atomic<std::int64_t> sdlMixedBytes{0};
std::atomic<std::int64_t> sdlMixingNs{0};

std::int64_t ThreadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

// Runs on SDL's audio thread after each mixed buffer: the thread's CPU time since the last
// buffer is what mixing that buffer cost (the thread sleeps between buffers without using
// any).
void CountMixed(void*, Uint8*, int len) {
    static std::int64_t last = 0;
    const std::int64_t now = ThreadCpuNs();
    if (last != 0) sdlMixingNs.fetch_add(now - last);
    last = now;
    sdlMixedBytes.fetch_add(len);
}

// SDL_mixer mixes on SDL's audio thread, here the disk driver writing to /dev/null; each
// iteration is the audio thread's CPU time for one more second of mixed output.
void BM_MixedSecondSdlMixer(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 512) != 0) {
        state.SkipWithError("SDL_mixer could not open the disk driver");
        return;
    }
    const int n = static_cast<int>(state.range(0));
    Mix_AllocateChannels(n);
    auto pcm = TestPcm(2);
    Mix_Chunk* chunk = Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(pcm.data()),
                                         static_cast<Uint32>(pcm.size() * 2));
    Mix_SetPostMix(CountMixed, nullptr);
    for (int i = 0; i < n; ++i) {
        Mix_Volume(i, MIX_MAX_VOLUME / 8);
        Mix_PlayChannel(i, chunk, -1);
    }
    constexpr std::int64_t kSecondBytes = 44100 * 4;
    for (auto _ : state) {
        const std::int64_t target = sdlMixedBytes.load() + kSecondBytes;
        const std::int64_t cpuBefore = sdlMixingNs.load();
        while (sdlMixedBytes.load() < target) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        state.SetIterationTime(static_cast<double>(sdlMixingNs.load() - cpuBefore) * 1e-9);
    }
    Mix_HaltChannel(-1);
    Mix_SetPostMix(nullptr, nullptr);
    Mix_CloseAudio();
    Mix_FreeChunk(chunk);
    SDL_Quit();
}
BENCHMARK(BM_MixedSecondSdlMixer)
    ->Arg(8)
    ->Arg(32)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(20);
#endif

}  // namespace
}  // namespace vdl

BENCHMARK_MAIN();
