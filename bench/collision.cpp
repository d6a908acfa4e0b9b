// ImagesOverlap for the game's typical pairs (a 16 x 16 bullet against a 38 x 48 sprite
// turned by 37 degrees, the sprite first as the game passes them), against the brute-force
// model that maps every pixel centre of the sprite into the bullet.
#include <benchmark/benchmark.h>

#include "graphics/collision.h"
#include "graphics/drawing.h"
#include "graphics/headless_renderer.h"
#include "tests/graphics/collision_model.h"

namespace {

using vdl::ImageRef;
using vdl::testing::Placement;

// An elliptical sprite filling its box, so its corners are transparent, and a round bullet.
struct Scene {
    Scene() {
        graphics = vdl::OpenHeadlessGraphics(800, 600);
        sprite = vdl::testing::MakeAlphaImage(38, 48, [](int x, int y) {
            const float dx = (x + 0.5f - 19) / 19, dy = (y + 0.5f - 24) / 24;
            return uint8_t(dx * dx + dy * dy <= 1 ? 255 : 0);
        });
        bullet = vdl::testing::MakeAlphaImage(16, 16, [](int x, int y) {
            const float dx = x + 0.5f - 8, dy = y + 0.5f - 8;
            return uint8_t(dx * dx + dy * dy <= 36 ? 255 : 0);
        });
        vdl::CenterImageAnchor(sprite);
        vdl::CenterImageAnchor(bullet);
    }
    std::shared_ptr<vdl::TGraphics> graphics;
    ImageRef sprite, bullet;
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

// Bullet offsets from the sprite's centre: overlapping; inside the bounding boxes but clear
// of the ellipse (a corner of the turned box); far away.
enum Case { kHit, kNearMiss, kFarAway };
const int kOffsets[3][2] = {{12, 6}, {-26, -20}, {200, 150}};
const bool kExpected[3] = {true, false, false};

Placement SpritePlacement() {
    return {TheScene().sprite, 400, 300, 37, 1, 1};
}
Placement BulletPlacement(int c) {
    return {TheScene().bullet, 400 + kOffsets[c][0], 300 + kOffsets[c][1], 0, 1, 1};
}

void BM_ImagesOverlap(benchmark::State& state) {
    const int c = static_cast<int>(state.range(0));
    const Placement s = SpritePlacement(), b = BulletPlacement(c);
    if (vdl::ImagesOverlap(s.image, s.x, s.y, 0, s.rotation, 1, 1, b.image, b.x, b.y, 0, 0, 1, 1) !=
        kExpected[c]) {
        state.SkipWithError("unexpected result");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(vdl::ImagesOverlap(s.image, s.x, s.y, 0, s.rotation, 1, 1, b.image,
                                                    b.x, b.y, 0, 0, 1, 1));
    }
}

void BM_BruteForce(benchmark::State& state) {
    const int c = static_cast<int>(state.range(0));
    const Placement s = SpritePlacement(), b = BulletPlacement(c);
    if (vdl::testing::BruteForceOverlap(s, b) != kExpected[c]) {
        state.SkipWithError("unexpected result");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(vdl::testing::BruteForceOverlap(s, b));
}

// Argument: 0 overlapping, 1 near miss inside the bounding boxes, 2 rejected by the boxes.
BENCHMARK(BM_ImagesOverlap)->Arg(kHit)->Arg(kNearMiss)->Arg(kFarAway);
BENCHMARK(BM_BruteForce)->Arg(kHit)->Arg(kNearMiss)->Arg(kFarAway);

}  // namespace

BENCHMARK_MAIN();
