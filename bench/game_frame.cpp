// One frame of play on a crowded field: 300 enemies of every kind, 400 bullets of both sides
// and 151 particles, spread over both halves of the screen, on the headless renderer. The
// field is rebuilt (untimed) before every timed frame, so each measures the same crowd.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/crowd.h"
#include "game/screens.h"
#include "game/world.h"
#include "graphics/graphics.h"
#include "graphics/headless_renderer.h"
#include "system/clock.h"
#include "system/event.h"
#include "system/headless_system_driver.h"
#include "system/system_driver.h"

namespace {

vdl::TVirtualClock virtualClock(1000000);

void StartHeadlessGame() {
    static bool started = false;
    if (started) return;
    started = true;
    vdl::SetSystemDriver(std::make_shared<vdl::THeadlessSystemDriver>());
    vdl::SetClock(&virtualClock);
    game::StartGameModules();
    game::LoadGameResources();
    vdl::OpenHeadlessGraphics(800, 600);
    game::SetUpDrawingState();
}

// frames: how many frames run untimed on a fresh field before the timed one. The first frame
// is the dearest: every enemy fires (fire timers start elapsed) and every enemy homing bullet
// looks for its first target.
void BM_GameFrameCrowded(benchmark::State& state) {
    StartHeadlessGame();
    vdl::EmitOSEvent(vdl::kEventMouseMove, nullptr, 0, 0, 600, 200, nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        bench::BuildField();
        for (int i = 0; i < state.range(0); ++i) {
            game::GameFrame();
            virtualClock.Advance(17);
        }
        state.ResumeTiming();
        game::GameFrame();
        virtualClock.Advance(17);
    }
    state.counters["enemies"] = vdl::ListSize(game::enemyList);
    state.counters["bullets"] = vdl::ListSize(game::bulletList);
    state.counters["particles"] = vdl::ListSize(game::particleList);
}
BENCHMARK(BM_GameFrameCrowded)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
