// Sprites drawn per 16.7 ms frame: a game sprite drawn rotated, scaled and alpha-blended
// many times, on the GL 1.1 renderer and on the batching OpenGL ES 2 renderer (both need a
// display), and on the headless renderer (the drawing layer's own cost). Each GL batch ends
// with a one-pixel grab, which draws what the renderer still holds and waits for GL to
// finish, and is timed on the wall clock, since the GL work may run on other threads. The GL
// cases run in the 800 x 600 window and again with the window made 1920 x 1080, where the
// same arena is drawn 1.8 times as large between bars (the one flip after the resize places
// it; the timed frames do not flip).
// The program's own main: SDL must not rename it.
#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "game/assets.h"
#include "graphics/drawing.h"
#include "graphics/gl_renderer.h"
#if CCA_HAVE_GLES2
#include "graphics/gles2_renderer.h"
#endif
#include "graphics/graphics.h"
#include "graphics/headless_renderer.h"
#include "graphics/image.h"
#include "graphics/png_loader.h"
#include "platform/gl_context.h"
#include "platform/sdl_gl_driver.h"
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

// Draws count sprites per iteration through driver's 800 x 600 window on SDL, made
// range(1) x range(2) first.
void RunOnWindow(benchmark::State& state, const std::shared_ptr<vdl::TVex2DDriver>& driver) {
    vdl::InstallSDLBackends();
    vdl::SelectGraphicsDriver(driver, vdl::kGraphicsBackBuffer);
    const auto g =
        std::dynamic_pointer_cast<vdl::TVex2DGraphics>(vdl::OpenGraphics(800, 600, 0, 0, 0));
    if (!g) {
        state.SkipWithError("no OpenGL window (is DISPLAY set?)");
        return;
    }
    SDL_SetWindowSize(std::dynamic_pointer_cast<vdl::TGLGraphics>(g->graphics)->Record()->window,
                      static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    vdl::FlipFrame(0);
    vdl::SetBlendMode(vdl::ALPHABLEND);
    const vdl::ImageRef sprite = LoadSprite();
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        vdl::ClearScreen();
        DrawBatch(sprite, count);
        vdl::GrabScreenPixmap(0, 0, 1, 1);
    }
    Report(state, count);
    vdl::CloseOpenedGraphics();
}

void BM_SpritesOpenGL(benchmark::State& state) {
    vdl::StartGLRenderer();
    RunOnWindow(state, vdl::GLDriver2D());
}
BENCHMARK(BM_SpritesOpenGL)
    ->Args({1000, 800, 600})
    ->Args({1000, 1920, 1080})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

#if CCA_HAVE_GLES2
void BM_SpritesOpenGLES2(benchmark::State& state) {
    vdl::StartGLES2Renderer();
    RunOnWindow(state, vdl::GLES2Driver2D());
    state.counters["draw_calls"] = vdl::GLES2Driver2D()->FrameDrawCalls() /
                                   std::max<double>(1.0, static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SpritesOpenGLES2)
    ->Args({1000, 800, 600})
    ->Args({1000, 1920, 1080})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#endif

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
