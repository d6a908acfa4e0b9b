// Straight and homing bullets: the field border, snowballs, turning and targets.
#include "game/bullets.h"
#include "game/arena.h"
#include "game/enemies.h"
#include "tests/game/game_fixture.h"

namespace {

using game::TBasicBullet;
using game::THomingBullet;

class BulletsTest : public gametest::GameTest {};

TEST_F(BulletsTest, AStraightBulletDiesJustBeyondTheBorderOrNearEachSnowball) {
    // Moving 5 to x = 800 or y = 0 stays in; half a pixel further leaves, in 16 particles.
    for (const auto& [x, y, vx, vy, alive] : {std::tuple{795.f, 300.f, 5.f, 0.f, 1},
                                              {795.5f, 300.f, 5.f, 0.f, 0},
                                              {400.f, 5.f, 0.f, -5.f, 1},
                                              {400.f, 4.5f, 0.f, -5.f, 0}}) {
        game::particleList->RemoveAll();
        auto bullet = TBasicBullet::Create(0, 0, 0, game::kPlayerShot);
        bullet->x = x, bullet->y = y, bullet->vx = vx, bullet->vy = vy;
        bullet->Move();
        EXPECT_EQ(bullet->alive, alive) << x << "," << y;
        EXPECT_EQ(game::particleList->Size(), alive ? 0 : 16) << x << "," << y;
    }
    game::particleList->RemoveAll();
    game::Tport::Create(785, 300);
    game::Tport::Create(785, 312);
    TBasicBullet::Create(775, 306, 0, game::kEnemyShot)->Move();  // within 20 of both
    EXPECT_EQ(game::particleList->Size(), 2 * 16);
    auto leaving = TBasicBullet::Create(795, 306, 0, game::kPlayerShot);
    leaving->vx = 5.5f;  // both snowballs and the border
    leaving->Move();
    EXPECT_EQ(leaving->alive, 0);
    EXPECT_EQ(game::particleList->Size(), 2 * 16 + 3 * 16);
}

TEST_F(BulletsTest, AHomingBulletTurnsOneDegreeButIgnoresErrorsOfUpToTwo) {
    game::TCharger::Create(500, 300);  // from (400, 300) straight to the right: 0 degrees
    const int from[] = {359, 358, 1, 2, 357, 3, 270, 90}, to[] = {359, 358, 1, 2, 358, 2, 271, 89};
    for (int i = 0; i < 8; ++i) {
        auto bullet = THomingBullet::Create(400, 300, game::kPlayerShot, from[i]);
        bullet->Move();
        EXPECT_EQ(bullet->heading, to[i]) << "from " << from[i];
    }
}

TEST_F(BulletsTest, WithNoEnemyLeftEveryHomingBulletMakesForThePointerAndDiesThere) {
    PointAt(400, 300);
    auto mine = THomingBullet::Create(100, 300, game::kPlayerShot, 90);
    auto theirs = THomingBullet::Create(700, 500, game::kEnemyShot, 0);
    mine->x = 100.5f;  // to pass 2.5 from the pointer on the way
    game::Tbullet::UpdateAll();
    EXPECT_EQ(mine->heading, 0);  // no turning limit once the level is clear
    EXPECT_EQ(theirs->heading, vdl::TruncToInt(vdl::ATan2Deg(-200, -300)));
    // Each dies in the pass it starts within 2 pixels of the pointer, and not before.
    auto stays = [](auto& b) { return b->alive && game::Distance(400, 300, b->x, b->y) >= 2; };
    for (int pass = 0; pass < 200 && !game::bulletList->Empty(); ++pass) {
        const std::pair expected(stays(mine), stays(theirs));
        game::Tbullet::UpdateAll();
        EXPECT_EQ(std::pair(mine->alive == 1, theirs->alive == 1), expected) << pass;
    }
    EXPECT_TRUE(game::bulletList->Empty());
}

TEST_F(BulletsTest, TheTargetIsTheNearestEnemyByWholePixelsEarliestFirst) {
    auto far = game::TCharger::Create(300, 300);     // 100.9 from (400.9, 300)
    auto near = game::TCharger::Create(501, 300);    // 100.1: the same whole distance
    auto nearer = game::TCharger::Create(400, 200);  // 100.004
    auto bullet = THomingBullet::Create(0, 0, game::kEnemyShot, 0);
    bullet->x = 400.9f, bullet->y = 300;
    EXPECT_EQ(bullet->FindTarget(), far);
    nearer->y = 201;
    EXPECT_EQ(bullet->FindTarget(), nearer);
    game::enemyList->RemoveItem(far);
    game::enemyList->RemoveItem(nearer);
    EXPECT_EQ(bullet->FindTarget(), near);
}

}  // namespace
