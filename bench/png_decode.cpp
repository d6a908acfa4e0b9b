// Decoding the PNGs the program embeds: the engine's loader (libpng through a stream, into a
// pixmap) against stb_image on the same bytes. The ratio of the two times is the figure.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "game/assets.h"
#include "graphics/pixmap.h"
#include "graphics/png_loader.h"
#include "stream/embedded_file.h"
#include "stream/ram_stream.h"

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

void BM_AllEmbeddedPngs_Engine(benchmark::State& state) {
    vdl::StartPNGLoader();
    const auto pngs = EmbeddedPngs();
    long long pixels = 0;
    for (auto _ : state) {
        pixels = 0;
        for (const vdl::EmbeddedFile* f : pngs) {
            vdl::PixmapRef p =
                vdl::LoadPixmap(vdl::StreamRef(vdl::CreateRamStream(f->data, f->size, 1)));
            if (!p) state.SkipWithError(f->name);
            pixels += static_cast<long long>(p->width) * p->height;
            benchmark::DoNotOptimize(p->pixels);
        }
    }
    SetCounters(state, pngs, pixels);
}
BENCHMARK(BM_AllEmbeddedPngs_Engine)->Unit(benchmark::kMillisecond);

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
