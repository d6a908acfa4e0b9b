// The arena's shared routines, snowball push-out, particles and the sprite hit test.
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "game/arena.h"
#include "graphics/collision.h"
#include "tests/game/game_fixture.h"

namespace {

class ArenaTest : public gametest::GameTest {};

TEST_F(ArenaTest, SnowballsPushMoversOutAlongTheCentreLineInListOrder) {
    game::Tport::Create(400, 300);
    game::player->x = 413.5f;  // 22.5 from the centre along (0.6, 0.8); the reach is 16 + 7
    game::player->y = 318.0f;
    Frame();
    const double dx = game::player->x - 400, dy = game::player->y - 300;
    EXPECT_NEAR(std::hypot(dx, dy), 23.5, 0.01);  // pushed by 23 less the whole distance
    EXPECT_NEAR(dx / dy, 0.75, 0.001);

    // Between two snowballs the first pushes into the second, which pushes further.
    game::snowballList->RemoveAll();
    game::Tport::Create(100, 100);
    game::Tport::Create(100, 110);
    auto push = [](float y) {
        float x = 100, vx = 1, vy = -2;
        game::PushOutOfSnowballs(x, y, vx, vy, 15);
        EXPECT_NEAR(x, 100, 1e-4);
        EXPECT_NEAR(vx, 1, 1e-4);
        return std::pair(std::round(y * 1000) / 1000, std::round(vy * 1000) / 1000);
    };
    EXPECT_EQ(push(125), std::pair(133.0f, 2.0f));   // one contact: the velocity is mirrored
    EXPECT_EQ(push(105), std::pair(133.0f, -2.0f));  // two: mirrored twice
    game::snowballList->ReverseInPlace();
    EXPECT_EQ(push(105), std::pair(77.0f, -2.0f));
}

TEST_F(ArenaTest, ABurstOfNIsHalfNPlusOneParticlesEachDrawn41TimesThenRemoved) {
    game::SpawnBurst(100, 100, 300);
    game::SpawnBurst(100, 100, 15);
    EXPECT_EQ(game::particleList->Size(), 151 + 8);
    game::particleList->RemoveAll();
    game::SpawnBurst(400, 300, 0);
    ASSERT_EQ(game::particleList->Size(), 1);
    auto particle = std::dynamic_pointer_cast<game::Tparticle>(game::particleList->FrontItem());
    auto& counts = vdl::HeadlessDriver2D()->counts;
    counts = {};
    for (int pass = 1; pass <= 42; ++pass)
        game::Tparticle::UpdateAll();
    EXPECT_EQ(counts.frameDraws, 41);
    EXPECT_EQ(particle->alive, 0);
    EXPECT_EQ(game::particleList->Size(), 1);
    game::Tparticle::UpdateAll();
    EXPECT_TRUE(game::particleList->Empty());
}

// The bounding-circle shortcut must never change ImagesOverlap's answer.
TEST_F(ArenaTest, SpriteOverlapAgreesWithThePixelTestEverywhere) {
    const auto& im = game::images;
    const vdl::ImageRef sprites[] = {im.candycane, im.snowman,     im.tree,   im.hat,
                                     im.whitestar, im.present,     im.ball,   im.port,
                                     im.bell,      im.gingerbread, im.homing, im.redBall,
                                     im.ornament,  im.wreath,      im.spawn,  im.enemyHoming};
    std::mt19937 rng(2024);
    auto uniform = [&](double a, double b) { return std::uniform_real_distribution<>(a, b)(rng); };
    int hits = 0, misses = 0;
    for (int i = 0; i < 16 * 16 * 6; ++i) {
        const vdl::ImageRef &a = sprites[i % 16], &b = sprites[i / 16 % 16];
        // Mostly turned near or across the ray, where elongated images reach farthest.
        const double degrees = uniform(0, 360), direction = degrees * std::numbers::pi / 180;
        const float ra = i % 3 == 2 ? uniform(-360, 360) : degrees + 90 * (i % 2) + uniform(-9, 9);
        const float rb = i % 3 == 2 ? uniform(0, 720) : degrees + 90 * (i / 2 % 2) + uniform(-9, 9);
        const double beyond =
            (std::hypot(a->width, a->height) + std::hypot(b->width, b->height)) / 2;
        // Every whole position along a ray from a to beyond where the two can meet.
        for (double r = 0; r < beyond + 3; r += 0.7) {
            const int dx = std::lround(r * std::cos(direction)),
                      dy = std::lround(r * std::sin(direction));
            const bool hit =
                vdl::ImagesOverlap(a, 300, 300, 0, ra, 1, 1, b, 300 + dx, 300 + dy, 0, rb, 1, 1);
            ASSERT_EQ(game::SpritesOverlap(a, 300, 300, ra, b, 300 + dx, 300 + dy, rb), hit)
                << a->width << "x" << a->height << " turned " << ra << ", " << b->width << "x"
                << b->height << " at " << dx << "," << dy << " turned " << rb;
            (hit ? hits : misses) += 1;
        }
    }
    EXPECT_GT(hits, 10000);
    EXPECT_GT(misses, 10000);
}

}  // namespace
