// Decoding the PNGs the program embeds: the engine's loader (libpng through a stream, into a
// pixmap) against stb_image on the same bytes. The ratio of the two times is the figure.
//
// The engine reads them as the game does, as embedded assets ("incbin::"), whose checksums
// were checked when the program was built; the same bytes from any other stream are checked
// as they are read (_Checked). _TwoThreads decodes them on two threads, each taking the next
// file in turn, as the game loads its images while its window opens.
#include <benchmark/benchmark.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "game/assets.h"
#include "graphics/pixmap.h"
#include "graphics/png_loader.h"
#include "stream/embedded.h"
#include "stream/embedded_file.h"
#include "stream/ram_stream.h"
#include "stream/url.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

std::vector<const vdl::EmbeddedFile*> EmbeddedPngs() {
    std::vector<const vdl::EmbeddedFile*> pngs;
    for (int i = 0; i < vdl::generated::gameAssetsCount; ++i) {
        const std::string name = vdl::generated::gameAssets[i].name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".png") {
            pngs.push_back(&vdl::generated::gameAssets[i]);
        }
    }
    return pngs;
}

void SetCounters(benchmark::State& state, const std::vector<const vdl::EmbeddedFile*>& pngs,
                 long long pixels) {
    long long bytes = 0;
    for (const vdl::EmbeddedFile* f : pngs)
        bytes += f->size;
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["files"] = static_cast<double>(pngs.size());
    state.counters["Mpixels/s"] = benchmark::Counter(static_cast<double>(pixels) / 1e6,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

// The engine's pixmap of one embedded file, as an asset or from a plain memory stream.
vdl::PixmapRef EnginePixmap(const vdl::EmbeddedFile& f, bool asAsset) {
    if (asAsset) return vdl::LoadPixmap(std::string("incbin::") + f.name);
    return vdl::LoadPixmap(vdl::StreamRef(vdl::CreateRamStream(f.data, f.size, 1)));
}

std::vector<const vdl::EmbeddedFile*> StartEngine() {
    vdl::StartStreams();
    vdl::StartPNGLoader();
    const auto pngs = EmbeddedPngs();
    for (const vdl::EmbeddedFile* f : pngs)
        vdl::RegisterEmbedded(f->name, f->data, f->size);
    return pngs;
}

void RunEngine(benchmark::State& state, bool asAssets) {
    const auto pngs = StartEngine();
    long long pixels = 0;
    for (auto _ : state) {
        pixels = 0;
        for (const vdl::EmbeddedFile* f : pngs) {
            vdl::PixmapRef p = EnginePixmap(*f, asAssets);
            if (!p) state.SkipWithError(f->name);
            pixels += static_cast<long long>(p->width) * p->height;
            benchmark::DoNotOptimize(p->pixels);
        }
    }
    SetCounters(state, pngs, pixels);
}

void BM_AllEmbeddedPngs_Engine(benchmark::State& state) {
    RunEngine(state, true);
}
BENCHMARK(BM_AllEmbeddedPngs_Engine)->Unit(benchmark::kMillisecond);

void BM_AllEmbeddedPngs_Engine_Checked(benchmark::State& state) {
    RunEngine(state, false);
}
BENCHMARK(BM_AllEmbeddedPngs_Engine_Checked)->Unit(benchmark::kMillisecond);

void BM_AllEmbeddedPngs_Engine_TwoThreads(benchmark::State& state) {
    const auto pngs = StartEngine();
    const int count = static_cast<int>(pngs.size());
    long long pixels = 0;
    for (auto _ : state) {
        std::vector<vdl::PixmapRef> made(pngs.size());
        std::atomic<int> next{0};
        const auto loader = [&] {
            for (int i = next++; i < count; i = next++)
                made[i] = EnginePixmap(*pngs[i], true);
        };
        std::thread other(loader);
        loader();
        other.join();
        pixels = 0;
        for (std::size_t i = 0; i < made.size(); ++i) {
            if (!made[i]) state.SkipWithError(pngs[i]->name);
            pixels += static_cast<long long>(made[i]->width) * made[i]->height;
        }
    }
    SetCounters(state, pngs, pixels);
}
// Real time: the other thread's work is not in this thread's CPU time.
BENCHMARK(BM_AllEmbeddedPngs_Engine_TwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AllEmbeddedPngs_StbImage(benchmark::State& state) {
    const auto pngs = EmbeddedPngs();
    long long pixels = 0;
    for (auto _ : state) {
        pixels = 0;
        for (const vdl::EmbeddedFile* f : pngs) {
            int w = 0, h = 0, channels = 0;
            // Keep each file's own channel count, as the engine's loader does.
            stbi_uc* data = stbi_load_from_memory(f->data, f->size, &w, &h, &channels, 0);
            if (!data) state.SkipWithError(f->name);
            pixels += static_cast<long long>(w) * h;
            benchmark::DoNotOptimize(data);
            stbi_image_free(data);
        }
    }
    SetCounters(state, pngs, pixels);
}
BENCHMARK(BM_AllEmbeddedPngs_StbImage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
