// The main thread's work per frame in a browser tab, on the page's real canvas: the crowded
// field of bench_game_frame (300 enemies, 400 bullets, 151 particles), rebuilt and played one
// frame before every timed frame, at the game's 60 frames a second and then back to back,
// then the autopilot playing a whole game on virtual time. Every frame still yields to the
// browser at its flip, so each one is drawn and composited; what a frame's work leaves out is
// that yield (and the crowd's wait for its next 60th of a second). Prints one line per scene
// (mean and 99th percentile of the work) and ends the program.
//
// Built twice: with the batching renderer the page ships, and with CCA_LEGACY_GL on the
// OpenGL 1.1 renderer through Emscripten's emulation of the fixed-function pipeline.
#include <GLES2/gl2.h>
#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/crowd.h"
#include "game/platform.h"
#include "game/screens.h"
#include "game/world.h"
#include "graphics/graphics.h"
#include "platform/browser.h"
#include "platform/sdl_gl_driver.h"
#include "sim/autopilot.h"
#include "sim/runner.h"
#include "system/clock.h"
#include "system/event.h"
#include "system/hook.h"
#ifdef CCA_LEGACY_GL
#include "graphics/gl_renderer.h"
#else
#include "graphics/gles2_renderer.h"
#endif

namespace {

#ifdef CCA_LEGACY_GL
constexpr const char* kRenderer = "OpenGL 1.1 (emulated)";
#else
constexpr const char* kRenderer = "batching WebGL";
#endif

// The page's own canvas, or the same one drawn by the OpenGL 1.1 renderer.
std::shared_ptr<vdl::TGraphics> OpenCanvas() {
#ifdef CCA_LEGACY_GL
    vdl::InstallSDLBackends();
    vdl::StartGLRenderer();
    return vdl::OpenGraphics(800, 600, 0, 60, 0);
#else
    return game::ShippedPlatform().openWindow();
#endif
}

// The benchmark plays silent: a tab nobody clicked has no sound anyway.
const game::GamePlatform kCanvas{.openWindow = &OpenCanvas};

// Draw calls of the last frame, where the renderer counts them.
int LastFrameDrawCalls() {
#ifdef CCA_LEGACY_GL
    return -1;
#else
    return vdl::GLES2Driver2D()->LastFrameDrawCalls();
#endif
}

void Report(const char* scene, std::vector<double> work) {
    if (work.empty()) {
        std::printf("%s, %s: no frames\n", kRenderer, scene);
        return;
    }
    double sum = 0;
    for (double ms : work)
        sum += ms;
    std::sort(work.begin(), work.end());
    const double p99 = work[std::min(work.size() - 1, work.size() * 99 / 100)];
    std::printf(
        "%s, %s: %zu frames, work per frame mean %.2f ms, p99 %.2f ms, worst %.2f ms; "
        "draw calls in the last frame %d\n",
        kRenderer, scene, work.size(), sum / static_cast<double>(work.size()), p99, work.back(),
        LastFrameDrawCalls());
    std::fflush(stdout);
}

// Sleeps out the rest of a frame of the game's rate, 60 a second, counted from start.
void WaitForNextFrame(double start) {
    const double left = 1000.0 / 60.0 - (emscripten_get_now() - start);
    if (left >= 1.0) emscripten_sleep(static_cast<unsigned>(left));
}

// Sends what the renderer still batches, then waits until the browser's GPU process has
// drawn everything sent so far; returns how long the wait took. glFinish does not wait for
// the drawing in Chromium, but reading a pixel back does.
double DrawAndWait() {
#ifndef CCA_LEGACY_GL
    vdl::GLES2Driver2D()->DrawBatch();
#endif
    const double sent = emscripten_get_now();
    GLubyte pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return emscripten_get_now() - sent;
}

// paced: every frame, the untimed one too, takes a 60th of a second, as in play, and the
// GPU process draws each before its flip, so a frame's work is the program's own and the
// drawing is counted apart. Back to back, the program runs ahead of a GPU process slower
// than itself until the queue between them is full, and then waits inside whichever GL
// call finds no room: the work then includes the GPU process's backlog.
void MeasureCrowd(int frames, bool paced) {
    std::vector<double> work, update, flip, drawing;
    vdl::EmitOSEvent(vdl::kEventMouseMove, nullptr, 0, 0, 600, 200, nullptr);
    for (int i = 0; i < frames; ++i) {
        // The first frame on a fresh field is the dearest (every enemy fires, every homing
        // bullet looks for a target): one untimed frame first, as bench_game_frame's
        // second case does, so this is the crowd as it plays on.
        double start = emscripten_get_now();
        bench::BuildField();
        game::GameFrame();
        if (paced) DrawAndWait();
        vdl::FlipFrame(0);
        if (paced) WaitForNextFrame(start);
        start = emscripten_get_now();
        game::GameFrame();
        const double drawn = emscripten_get_now();
        const double gpu = paced ? DrawAndWait() : 0.0;
        vdl::FlipFrame(0);
        const double end = emscripten_get_now() - vdl::LastFrameYieldMs() - gpu;
        work.push_back(end - start);
        update.push_back(drawn - start);
        flip.push_back(end - drawn);
        if (paced) {
            drawing.push_back(gpu);
            WaitForNextFrame(start);
        }
    }
    if (!paced) {
        Report("crowded field, frames back to back", std::move(work));
        return;
    }
    Report("crowded field at 60 Hz", std::move(work));
    Report("crowded field at 60 Hz, the frame's update and drawing calls", std::move(update));
    Report("crowded field at 60 Hz, its flip (the batch drawn)", std::move(flip));
    Report("crowded field at 60 Hz, the GPU process drawing it (not in the work)",
           std::move(drawing));
}

// The autopilot's game: a hook ahead of the runner's marks the end of a frame's work, one
// after it (once the autopilot has chosen its input) the start of the next.
struct GameTiming {
    vdl::TVirtualClock clock;
    bool onVirtualTime = false;
    double frameStart = 0;
    int level = 0;
    std::vector<double> all, level21;
} timing;

vdl::ObjectRef FrameEnds(int, vdl::ObjectRef data, const vdl::ObjectRef&) {
    const double now = emscripten_get_now();
    if (timing.frameStart > 0) {
        const double ms = now - timing.frameStart - vdl::LastFrameYieldMs();
        timing.all.push_back(ms);
        if (timing.level == 21) timing.level21.push_back(ms);
    }
    timing.level = game::levelNumber;
    if (game::levelNumber == game::kWinLevel) {
        Report("autopilot, every level", std::move(timing.all));
        Report("autopilot, level 21", std::move(timing.level21));
        std::exit(0);
    }
    return data;
}

vdl::ObjectRef FrameStarts(int, vdl::ObjectRef data, const vdl::ObjectRef&) {
    // The window's start-up installed the browser's clock; from the first frame on the game
    // runs on virtual time, as fast as the tab draws it.
    if (!timing.onVirtualTime) {
        timing.clock.Set(vdl::Millis());
        vdl::SetClock(&timing.clock);
        timing.onVirtualTime = true;
    }
    timing.frameStart = emscripten_get_now();
    return data;
}

}  // namespace

int main() {
    game::LoadGame(kCanvas);
    game::CreateWorld();
    if (!kCanvas.openWindow()) {
        std::fputs("web_frames: no canvas\n", stderr);
        return 1;
    }
    game::FinishLoadingImages();
    game::SetUpDrawingState();
    game::player = std::make_shared<game::Tplayer>();
    MeasureCrowd(600, true);
    MeasureCrowd(300, false);
    // web_frames.html?program=...&crowd measures the crowd alone.
    if (emscripten_run_script_int("location.search.includes('crowd') ? 1 : 0")) std::exit(0);

    game::player = nullptr;  // as before start-up: the runner waits for the game's own player
    static sim::Autopilot pilot;
    sim::DriveNextGame(pilot);
    vdl::AddHook(vdl::FlipHook, &FrameEnds, nullptr, 1);
    vdl::AddHook(vdl::FlipHook, &FrameStarts, nullptr, -1);
    game::RunFromTitleMenu(kCanvas);
    return 0;
}
