// The arena: snowball push-out, particles, bullets and the sprite hit test.
#include <cmath>
#include <numbers>
#include <random>

#include "graphics/collision.h"
#include "tests/game/game_fixture.h"

namespace {

using ArenaTest = gametest::GameTest;

TEST_F(ArenaTest, ASnowballPushesAMoverOutAlongTheCentreLine) {
    game::Tport::Create(400, 300);
    game::player->x = 413.5f;  // 22.5 from the centre along (0.6, 0.8); the reach is 16 + 7
    game::player->y = 318.0f;
    Frame();
    const double dx = game::player->x - 400, dy = game::player->y - 300;
    EXPECT_NEAR(std::hypot(dx, dy), 23.5, 0.01);
    EXPECT_NEAR(dx / dy, 0.75, 0.001);
}

TEST_F(ArenaTest, ABurstOfNIsHalfNPlusOneParticlesEachDrawn41TimesThenRemoved) {
    game::SpawnBurst(100, 100, 15);
    EXPECT_EQ(game::particleList->Size(), 8);
    game::particleList->RemoveAll();
    game::SpawnBurst(400, 300, 0);
    auto& counts = vdl::HeadlessDriver2D()->counts;
    counts = {};
    for (int pass = 1; pass <= 42; ++pass)
        game::Tparticle::UpdateAll();
    EXPECT_EQ(std::pair(counts.frameDraws, game::particleList->Size()), std::pair(41, 1));
    game::Tparticle::UpdateAll();
    EXPECT_TRUE(game::particleList->Empty());
}

TEST_F(ArenaTest, AStraightBulletDiesJustBeyondTheBorderOrNearEachSnowballInABurst) {
    // Moving 5 to x = 800 or y = 0 stays in; half a pixel further leaves.
    for (const auto& [x, y, vx, vy, alive] : {std::tuple{795.f, 300.f, 5.f, 0.f, 1},
                                              {795.5f, 300.f, 5.f, 0.f, 0},
                                              {400.f, 5.f, 0.f, -5.f, 1},
                                              {400.f, 4.5f, 0.f, -5.f, 0}}) {
        game::particleList->RemoveAll();
        auto bullet = game::TBasicBullet::Create(0, 0, 0, game::kPlayerShot);
        bullet->x = x, bullet->y = y, bullet->vx = vx, bullet->vy = vy;
        bullet->Move();
        EXPECT_EQ(std::pair(bullet->alive, game::particleList->Size()),
                  std::pair(alive, alive ? 0 : 16));
    }
    game::particleList->RemoveAll();
    game::Tport::Create(785, 300);
    game::Tport::Create(785, 312);
    auto leaving = game::TBasicBullet::Create(795, 306, 0, game::kPlayerShot);
    leaving->vx = 5.5f;  // within 20 of both snowballs, and past the border
    leaving->Move();
    EXPECT_EQ(std::pair(leaving->alive, game::particleList->Size()), std::pair(0, 3 * 16));
}

TEST_F(ArenaTest, AHomingBulletTurnsOneDegreeButIgnoresErrorsOfUpToTwo) {
    game::TCharger::Create(500, 300);  // from (400, 300) straight to the right: 0 degrees
    const int from[] = {359, 358, 1, 2, 357, 3, 270, 90}, to[] = {359, 358, 1, 2, 358, 2, 271, 89};
    for (int i = 0; i < 8; ++i) {
        auto bullet = game::THomingBullet::Create(400, 300, game::kPlayerShot, from[i]);
        bullet->Move();
        EXPECT_EQ(bullet->heading, to[i]) << "from " << from[i];
    }
}

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
        for (double r = 0; r < beyond + 3; r += 0.7) {
            const int dx = std::lround(r * std::cos(direction)),
                      dy = std::lround(r * std::sin(direction));
            const bool hit =
                vdl::ImagesOverlap(a, 300, 300, 0, ra, 1, 1, b, 300 + dx, 300 + dy, 0, rb, 1, 1);
            ASSERT_EQ(game::SpritesOverlap(a, 300, 300, ra, b, 300 + dx, 300 + dy, rb), hit)
                << i << " at " << dx << "," << dy;
            (hit ? hits : misses) += 1;
        }
    }
    EXPECT_GT(hits, 10000);
    EXPECT_GT(misses, 10000);
}

}  // namespace
