// The per-frame pass over an entity list: walk, update the living, remove the dead by value.
#include <benchmark/benchmark.h>

#include "collections/list.h"

namespace {

struct Entity : vdl::Object {
    int alive = 1;
    int ticks = 0;
};

// One frame of a family of n objects, every tenth of which has died since the last frame;
// the dead are replaced so the list keeps its size.
void BM_FramePass(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    vdl::TList list;
    for (int i = 0; i < n; ++i)
        list.Append(std::make_shared<Entity>());
    int frame = 0;
    for (auto _ : state) {
        int index = 0;
        for (vdl::TListEnum e = list.Walker(); e.HasMore(); ++index) {
            auto o = std::dynamic_pointer_cast<Entity>(e.Take());
            if (!o) continue;
            if ((index + frame) % 10 == 0) o->alive = 0;
            if (o->alive) {
                o->ticks++;
            } else {
                list.RemoveItem(o);
                list.Append(std::make_shared<Entity>());
            }
        }
        ++frame;
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_FramePass)->Arg(50)->Arg(151)->Arg(500);

void BM_SortBy(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        vdl::TList list;
        for (int i = 0; i < n; ++i) {
            auto e = std::make_shared<Entity>();
            e->ticks = (i * 7919) % n;
            list.Append(e);
        }
        state.ResumeTiming();
        list.SortBy(true, [](const vdl::ObjectRef& a, const vdl::ObjectRef& b) {
            return static_cast<Entity&>(*a).ticks - static_cast<Entity&>(*b).ticks;
        });
    }
}
BENCHMARK(BM_SortBy)->Arg(151);

}  // namespace

BENCHMARK_MAIN();
