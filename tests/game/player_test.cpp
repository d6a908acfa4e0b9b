// The candy cane: firing rhythm and patterns, movement, upgrades and hits.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tests/game/game_fixture.h"

namespace {

using game::player;
using gametest::All;
using PlayerTest = gametest::GameTest;

TEST_F(PlayerTest, BothButtonsHeldFireStraightPatternsEvery205MsPlusAtMostAFrame) {
    ButtonDown(1);
    ButtonDown(2);
    for (int frameLength : {1, 17}) {
        std::vector<int> shotTimes;
        for (int i = 0; i < 5000 / frameLength; ++i) {
            const int before = game::bulletList->Size();
            player->Update();  // alone, so every bullet stays in the list
            if (game::bulletList->Size() > before) shotTimes.push_back(vdl::Millis());
            clock_.Advance(frameLength);
        }
        ASSERT_GE(shotTimes.size(), 20u);
        for (size_t i = 2; i < shotTimes.size(); ++i) {
            const int gap = shotTimes[i] - shotTimes[i - 1];
            EXPECT_TRUE(gap > 205 && gap <= 205 + frameLength) << gap;
        }
    }
    EXPECT_TRUE(All<game::THomingBullet>(*game::bulletList).empty());
}

TEST_F(PlayerTest, AWinsOverDAndWOverSAndTheFieldClampsTheCentre) {
    auto step = [&](int x, int y, std::vector<int> keys) {
        player->SetPosition(x, y);
        for (int key : keys)
            KeyDown(key);
        Frame();
        for (int key : keys)
            KeyUp(key);
        return std::pair(player->x, player->y);
    };
    EXPECT_EQ(step(400, 300, {'A', 'D', 'W', 'S'}), std::pair(396.0f, 296.0f));
    EXPECT_EQ(step(2, 598, {'A', 'S'}), std::pair(0.0f, 600.0f));
    EXPECT_EQ(step(797, 3, {'D', 'W'}), std::pair(800.0f, 0.0f));
}

TEST_F(PlayerTest, EachWeaponLevelFiresItsPattern) {
    // Aimed at 45 degrees: the directions of the straight bullets, then of the homing ones (h).
    const std::string patterns[5] = {"45", "42 48", "40 45 50", "40 45 50 45h", "40 45 50 90h 0h"};
    PointAt(100, 100);  // from (0, 0)
    ButtonDown(1);
    for (int level = 1; level <= 5; ++level) {
        game::bulletList->RemoveAll();
        player->weaponLevel = level;
        player->canFire = 1;
        player->Update();
        std::string fired;
        for (auto* b : All<game::TBasicBullet>(*game::bulletList))
            fired +=
                std::to_string(std::lround(std::atan2(b->vy, b->vx) * 180 / std::numbers::pi)) +
                " ";
        for (auto* b : All<game::THomingBullet>(*game::bulletList))
            fired += std::to_string(b->heading) + "h ";
        EXPECT_EQ(fired, patterns[level - 1] + " ") << "level " << level;
    }
}

TEST_F(PlayerTest, EveryFifthPresentUpgradesOnceAndTheTopLevelStaysFive) {
    auto collect = [&](int n) {
        game::messageList->RemoveAll();
        for (int i = 0; i < n; ++i)
            game::TPresent::Create(0, 0);
        Frame();
        EXPECT_TRUE(game::presentList->Empty());
        std::string texts;
        for (auto* message : All<game::TMessage>(*game::messageList))
            texts += message->text;
        return texts;
    };
    EXPECT_EQ(collect(4), "");
    EXPECT_EQ(collect(1), "UPGRADE!");
    EXPECT_EQ(collect(5), "UPGRADE!");  // five at once: one upgrade
    EXPECT_EQ(std::pair(player->weaponLevel, player->presentLoop->count), std::pair(3, 0));
    player->weaponLevel = 4;
    EXPECT_EQ(collect(5) + collect(5), "MAXIMUM!MAXIMUM!");
    ButtonDown(1);
    Frame();  // fires level 5's pattern
    EXPECT_EQ(std::pair(All<game::TBasicBullet>(*game::bulletList).size(),
                        All<game::THomingBullet>(*game::bulletList).size()),
              std::pair(size_t{3}, size_t{2}));
}

TEST_F(PlayerTest, EnemyBulletsOnlyHitInTheSameHalfOfTheScreen) {
    for (const auto& [y, health] : {std::pair{350, 6}, {348, 5}}) {
        game::bulletList->RemoveAll();
        player->SetPosition(400, y);
        auto bullet = game::TBasicBullet::Create(400, 349, 0, game::kEnemyShot);
        game::TBasicBullet::Create(400, y, 0, game::kPlayerShot);  // its own shots never hurt
        Frame();
        EXPECT_EQ(std::pair(player->health, bullet->alive), std::pair(health, int{health == 6}));
    }
}

}  // namespace
