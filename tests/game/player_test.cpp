// The candy cane: firing rhythm and patterns, movement, upgrades, hits, lives and game over.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "game/bullets.h"
#include "game/enemies.h"
#include "tests/game/game_fixture.h"

namespace {

using game::player;

template <class T>
std::vector<T*> All(vdl::TList& list) {
    std::vector<T*> found;
    game::ForEach<T>(list, [&](T& item) { found.push_back(&item); });
    return found;
}

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
        // The first shot comes at once, the timer running from the player's creation before.
        for (size_t i = 2; i < shotTimes.size(); ++i) {
            EXPECT_GT(shotTimes[i] - shotTimes[i - 1], 205) << i;
            EXPECT_LE(shotTimes[i] - shotTimes[i - 1], 205 + frameLength) << i;
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
    EXPECT_EQ(step(400, 300, {65, 68, 87, 83}), std::pair(396.0f, 296.0f));
    EXPECT_EQ(step(2, 598, {65, 83}), std::pair(0.0f, 600.0f));
    EXPECT_EQ(step(797, 3, {68, 87}), std::pair(800.0f, 0.0f));
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
    // The texts of the messages shown in a frame that collects n presents.
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
    EXPECT_EQ(collect(5), "MAXIMUM!");
    EXPECT_EQ(collect(5), "MAXIMUM!");
    ButtonDown(1);
    Frame();
    EXPECT_EQ(All<game::TBasicBullet>(*game::bulletList).size(), 3u);
    EXPECT_EQ(All<game::THomingBullet>(*game::bulletList).size(), 2u);
}

TEST_F(PlayerTest, EnemyBulletsOnlyHitInTheSameHalfOfTheScreen) {
    for (const auto& [y, health] : {std::pair{350, 6}, {348, 5}}) {
        game::bulletList->RemoveAll();
        player->SetPosition(400, y);
        auto bullet = game::TBasicBullet::Create(400, 349, 0, game::kEnemyShot);
        game::TBasicBullet::Create(400, y, 0, game::kPlayerShot);  // its own shots never hurt
        Frame();
        EXPECT_EQ(player->health, health) << y;
        EXPECT_EQ(bullet->alive, health == 6) << y;
    }
}

TEST_F(PlayerTest, ALostLifeRestartsTheLevelAndTheLastOneEndsTheGameKeepingTheScore) {
    auto fatalHit = [] {
        player->SetPosition(100, 100);
        player->health = 1;
        game::TCharger::Create(700, 500);
        game::TBasicBullet::Create(100, 100, 0, game::kEnemyShot);
        game::TBasicBullet::Create(700, 100, 0, game::kEnemyShot);  // a miss, cleared at the end
    };
    game::levelNumber = 5;
    fatalHit();
    OnEachFlip([](int) { Click(); });
    Frame();
    EXPECT_EQ(flips_, 2);  // the life-lost screen, then the frame
    EXPECT_EQ(std::tuple(player->lifeLost, player->lives, player->health, game::levelNumber),
              std::tuple(1, 2, 6, 4));
    EXPECT_EQ(std::pair(player->x, player->y), std::pair(400.0f, 300.0f));
    EXPECT_TRUE(game::enemyList->Empty());

    fatalHit();
    player->lives = 1;
    player->score = 70;
    player->weaponLevel = 3;
    player->presentLoop->count = 3;
    OnEachFlip([](int) { Click(); });
    Frame();
    EXPECT_EQ(flips_, 3);  // life lost, game over, then the frame
    EXPECT_EQ(std::tuple(player->lives, player->health, player->weaponLevel,
                         player->presentLoop->count, game::levelNumber),
              std::tuple(3, 4, 1, 0, 0));
    EXPECT_EQ(std::pair(player->score, player->shownScore), std::pair(70, 1));  // counts up
    EXPECT_TRUE(game::enemyList->Empty() && game::bulletList->Empty());
}

}  // namespace
