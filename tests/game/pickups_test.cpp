// Spawn points, their presents, and floating messages.
#include <memory>
#include <vector>

#include "game/pickups.h"
#include "tests/game/game_fixture.h"

namespace {

class PickupsTest : public gametest::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        game::player->SetPosition(400, 550);
    }
    void EnemiesFrame() {
        game::TEnemy::UpdateAll();
        vdl::FlipFrame(-1);
    }
};

TEST_F(PickupsTest, OneBulletHurtsStackedSpawnPointsAndADeadOneDropsAPresentForNoPoints) {
    auto lower = game::TSpawnPoint::Create(400, 100, 0, 2000);
    auto upper = game::TSpawnPoint::Create(400, 100, 0, 2000);
    auto bullet = game::TBasicBullet::Create(400, 100, 0, game::kPlayerShot);
    EnemiesFrame();
    EXPECT_EQ(bullet->alive, 0);
    EXPECT_EQ(std::pair(lower->health, upper->health), std::pair(24, 24));

    game::bulletList->RemoveAll();
    lower->health = 1;
    game::TBasicBullet::Create(400, 100, 0, game::kPlayerShot);
    EnemiesFrame();
    EXPECT_EQ(std::pair(lower->alive, upper->alive), std::pair(0, 1));
    EXPECT_EQ(game::presentList->Size(), 1);
    EXPECT_EQ(game::player->score, 0);
}

TEST_F(PickupsTest, AMessageOfLife100IsDrawn100TimesRisingAPixelEachTime) {
    auto message = game::TMessage::Create(300, 200, "UPGRADE!", 100);
    auto& counts = vdl::HeadlessDriver2D()->counts;
    int draws = 0, lastDrawnY = 0;
    for (int pass = 0; pass < 102; ++pass) {
        const int y = message->y;
        counts = {};
        game::TMessage::UpdateAll();
        if (counts.frameDraws > 0) ++draws, lastDrawnY = y;
    }
    EXPECT_EQ(draws, 100);
    EXPECT_EQ(lastDrawnY, 200 - 99);
    EXPECT_TRUE(game::messageList->Empty());
}

}  // namespace
