// The enemies, spawn points and bosses: hits, deaths and scores, phases and
// volleys, and the enemies pass.
#include <cmath>
#include <numbers>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {

using game::player;
using gametest::All;

class EnemiesTest : public gametest::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        player->SetPosition(400, 500);
    }
    // The directions of the straight bullets fired in one pass, 0..359.
    static std::vector<int> Volley() {
        game::bulletList->RemoveAll();
        EnemiesFrame();
        std::vector<int> headings;
        for (auto* b : All<game::TBasicBullet>(*game::bulletList))
            headings.push_back(
                (std::lround(std::atan2(b->vy, b->vx) * 180 / std::numbers::pi) + 360) % 360);
        return headings;
    }
};

TEST_F(EnemiesTest, OnlyPlayerBulletsInItsHalfHitATreeAndItDiesAndScoresOnce) {
    auto tree = game::Tshooter::Create(200, 352, 0);
    tree->health = 1;
    auto theirs = game::TBasicBullet::Create(200, 352, 0, game::kEnemyShot);
    auto above = game::TBasicBullet::Create(200, 349, 0, game::kPlayerShot);  // the other half
    EnemiesFrame();
    EXPECT_EQ(std::tuple(theirs->alive, above->alive, tree->health), std::tuple(1, 1, 1));
    // Two bullets on a tree with one point left: both spent, one death, one score.
    auto first = game::TBasicBullet::Create(200, 352, 0, game::kPlayerShot);
    auto second = game::TBasicBullet::Create(202, 354, 0, game::kPlayerShot);
    EnemiesFrame();
    EnemiesFrame();
    EXPECT_EQ(first->alive + second->alive + tree->alive, 0);
    EXPECT_EQ(player->score, 50);
    EXPECT_TRUE(game::enemyList->Empty());
}

TEST_F(EnemiesTest, OneBulletHurtsStackedSpawnPointsAndADeadOneDropsAPresentForNoPoints) {
    auto lower = game::TSpawnPoint::Create(400, 100, 0, 2000);
    auto upper = game::TSpawnPoint::Create(400, 100, 0, 2000);
    auto bullet = game::TBasicBullet::Create(400, 100, 0, game::kPlayerShot);
    EnemiesFrame();
    EXPECT_EQ(std::tuple(bullet->alive, lower->health, upper->health), std::tuple(0, 24, 24));
    lower->health = 1;
    game::TBasicBullet::Create(400, 100, 0, game::kPlayerShot);
    EnemiesFrame();
    EXPECT_EQ(std::tuple(lower->alive, upper->alive, game::presentList->Size(), player->score),
              std::tuple(0, 1, 1, 0));
}

// A spawn point produces in its first pass. An enemy appended while the last one in the list
// is updated waits for the next pass; with another enemy after it, it moves in the same pass.
TEST_F(EnemiesTest, AnEnemyBornDuringTheLastUpdateMovesOnlyFromTheNextPass) {
    for (bool another : {false, true}) {
        game::enemyList->RemoveAll();
        game::TSpawnPoint::Create(400, 300, game::kSpawnHat, 2000);
        if (another) game::TCharger::Create(100, 100);
        EnemiesFrame();
        auto hat = std::dynamic_pointer_cast<game::TCharger>(game::enemyList->BackItem());
        ASSERT_NE(hat, nullptr);
        EXPECT_EQ(hat->y, another ? 301 : 300) << another;
        EnemiesFrame();  // and no second hat before the period is up
        EXPECT_EQ(std::pair(hat->y, game::enemyList->Size()),
                  std::pair(another ? 302.0f : 301.0f, another ? 3 : 2));
    }
}

TEST_F(EnemiesTest, TheGingerbreadManCyclesItsPhasesEveryFiveSecondsAndFiresEachPhasesVolley) {
    auto ginger = game::TGinger::Create(400, 200, 0);
    std::vector<int> phases = {ginger->phase}, changeTimes = {vdl::Millis()};
    for (int i = 0; i < 960; ++i) {
        const int now = vdl::Millis();
        Volley();
        if (ginger->phase != phases.back())
            phases.push_back(ginger->phase), changeTimes.push_back(now);
        ASSERT_EQ(std::pair(ginger->x, ginger->y), std::pair(400.0f, 200.0f));  // speed 0
    }
    EXPECT_EQ(phases, (std::vector<int>{2, 3, 1, 2}));
    for (size_t i = 1; i < changeTimes.size(); ++i) {
        const int gap = changeTimes[i] - changeTimes[i - 1];
        EXPECT_TRUE(gap > 5000 && gap <= 5000 + 17) << gap;
    }

    player->SetPosition(500, 300);  // straight to the right
    game::CreateWorld();
    ginger = game::TGinger::Create(400, 300, 2);
    ginger->angle = 100;  // the spin keeps its facing, a degree on per bullet
    EXPECT_EQ(Volley(), (std::vector<int>{101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111}));
    player->SetPosition(400, 400);  // straight down: the facing becomes 90
    ginger->phase = 3;
    ginger->lastFire = 0;
    EXPECT_EQ(Volley(), (std::vector<int>{0, 45, 90, 135, 180, 225, 270, 315, 0, 90}));
    ginger->phase = 1;
    ginger->lastFire = 0;
    EXPECT_EQ(Volley(), (std::vector<int>{85, 90, 95}));
    EXPECT_FLOAT_EQ(ginger->y, 302);  // the chase moves at its speed
}

TEST_F(EnemiesTest, AKilledWreathScoresAndDropsTwoPresents) {
    auto wreath = game::TWreath::Create(300, 200);
    wreath->health = 1;
    game::TBasicBullet::Create(325, 200, 0, game::kPlayerShot);  // a ring: hit off its centre
    EnemiesFrame();
    EXPECT_EQ(std::tuple(wreath->alive, player->score, game::presentList->Size()),
              std::tuple(0, 400, 2));
}

// 130 frames of the wreath walking down from (400, 100), with or without a snowball at
// (400, 200) in its way. It fires at once and again after 2000 ms.
TEST_F(EnemiesTest, TheWreathAttacksEveryTwoSecondsAndAddsAFanOfNineteenOnlyWhenHeld) {
    for (bool held : {false, true}) {
        game::CreateWorld();
        if (held) game::Tport::Create(400, 200);
        auto wreath = game::TWreath::Create(400, 100);
        std::vector<int> times;
        for (int i = 0; i < 130; ++i) {
            const int now = vdl::Millis(), before = game::bulletList->Size();
            EnemiesFrame();
            if (game::bulletList->Size() > before) times.push_back(now);
        }
        int aimed = 0, fan = 0;
        for (auto* bullet : All<game::THomingBullet>(*game::bulletList))
            (bullet->speed == 4 ? aimed : fan) += 1;
        EXPECT_TRUE(held ? wreath->y < 160 : wreath->y > 450) << wreath->y;
        EXPECT_EQ(std::tuple(All<game::TCharger>(*game::enemyList).size(), aimed, fan),
                  std::tuple(size_t{2}, 2, held ? 19 : 0));
        ASSERT_EQ(times.size(), 2u);
        EXPECT_TRUE(times[1] - times[0] > 2000 && times[1] - times[0] <= 2000 + 17) << times[1];
    }
}

}  // namespace
