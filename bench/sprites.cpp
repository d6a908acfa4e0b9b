// Sprites drawn per 16.7 ms frame: a game sprite drawn rotated, scaled and alpha-blended
// many times, on the OpenGL renderer (needs a display) and on the headless renderer (the
// drawing layer's own cost). Each GL batch ends with glFinish and is timed on the wall clock,
// since the GL work may run on other threads.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>

#include "game/assets.h"
#include "graphics/drawing.h"
#include "graphics/gl_renderer.h"
#include "graphics/graphics.h"
#include "graphics/headless_renderer.h"
#include "graphics/image.h"
#include "graphics/png_loader.h"
#include "stream/embedded.h"

namespace {

constexpr double kFrameSeconds = 1.0 / 60.0;

vdl::ImageRef LoadSprite() {
    static bool registered = false;
    if (!registered) {
        for (int i = 0; i < vdl::generated::gameAssetsCount; ++i) {
            const vdl::EmbeddedFile& f = vdl::generated::gameAssets[i];
            vdl::RegisterEmbedded(f.name, f.data, f.size);
        }
        registered = true;
    }
    vdl::StartPNGLoader();
    vdl::SetAutoCenterAnchor(true);
    return vdl::LoadImageFrom(std::string("incbin::candycane.png"), -1);
}

void DrawBatch(const vdl::ImageRef& sprite, int count) {
    for (int i = 0; i < count; ++i) {
        vdl::SetDrawRotation(static_cast<float>(i % 360));
        vdl::SetDrawScale(1.0f + (i % 3) * 0.25f, 1.0f);
        vdl::DrawImageFrame(sprite, static_cast<float>(i * 37 % 800),
                            static_cast<float>(i * 53 % 600));
    }
}

void Report(benchmark::State& state, int count) {
    state.counters["sprites_per_frame"] =
        benchmark::Counter(count * kFrameSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SpritesOpenGL(benchmark::State& state) {
    vdl::StartGLRenderer();
    vdl::SelectGraphicsDriver(vdl::GLDriver2D(), vdl::kGraphicsBackBuffer);
    if (!vdl::OpenGraphics(800, 600, 0, 0, 0)) {
        state.SkipWithError("no OpenGL window (is DISPLAY set?)");
        return;
    }
    vdl::SetBlendMode(vdl::ALPHABLEND);
    const vdl::ImageRef sprite = LoadSprite();
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        vdl::ClearScreen();
        DrawBatch(sprite, count);
        glFinish();
    }
    Report(state, count);
    vdl::CloseOpenedGraphics();
}
BENCHMARK(BM_SpritesOpenGL)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_SpritesHeadless(benchmark::State& state) {
    vdl::OpenHeadlessGraphics(800, 600);
    const vdl::ImageRef sprite = LoadSprite();
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state)
        DrawBatch(sprite, count);
    Report(state, count);
    vdl::CloseOpenedGraphics();
}
BENCHMARK(BM_SpritesHeadless)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
