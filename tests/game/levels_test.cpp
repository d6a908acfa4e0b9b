// The level tables: what set-ups create where it matters to play, and the intro texts.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "game/arena.h"
#include "game/bosses.h"
#include "game/enemies.h"
#include "game/levels.h"
#include "game/pickups.h"
#include "game/player.h"
#include "game/world.h"
#include "tests/game/game_fixture.h"

namespace {

class LevelsTest : public gametest::GameTest {
protected:
    // The level's set-up on an empty arena, with the player at the centre.
    static void Populate(int level) {
        game::enemyList->RemoveAll();
        game::snowballList->RemoveAll();
        game::player->SetPosition(400, 300);
        game::SetUpLevel(level);
    }

    template <class T>
    static std::vector<std::shared_ptr<T>> All(vdl::TList& list) {
        std::vector<std::shared_ptr<T>> found;
        for (const vdl::ObjectRef& item : list.ToItemArray()) {
            if (auto object = std::dynamic_pointer_cast<T>(item)) found.push_back(object);
        }
        return found;
    }
};

// A level with nothing to kill would be over as soon as it began.
TEST_F(LevelsTest, Levels1To21HaveEnemiesAndAnIntroOfOneToThreeLinesOtherNumbersNothing) {
    for (int level = 0; level <= game::kLastLevel + 1; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        Populate(level);
        const bool playable = level >= 1 && level <= game::kLastLevel;
        const size_t lines = game::LevelDescription(level).size();
        EXPECT_EQ(game::enemyList->Empty(), !playable);
        EXPECT_TRUE(playable || game::snowballList->Empty());
        EXPECT_TRUE(playable ? lines >= 1 && lines <= 3 : lines == 0) << lines << " lines";
    }
}

TEST_F(LevelsTest, SnowballsAreTheDefaultFourExceptWhereALevelSaysOtherwise) {
    // Levels without the default four: none, or a layout of their own.
    const std::map<int, int> own{{5, 0},  {7, 0},  {9, 0},  {11, 0}, {14, 0},
                                 {19, 0}, {21, 0}, {13, 6}, {18, 1}, {20, 7}};
    for (int level = 1; level <= game::kLastLevel; ++level) {
        Populate(level);
        EXPECT_EQ(game::snowballList->Size(), own.count(level) ? own.at(level) : 4)
            << "level " << level;
    }
    Populate(1);
    std::set<std::pair<int, int>> places;
    for (const auto& snowball : All<game::Tport>(*game::snowballList))
        places.insert({snowball->x, snowball->y});
    EXPECT_EQ(places,
              (std::set<std::pair<int, int>>{{200, 200}, {200, 400}, {600, 200}, {600, 400}}));
}

TEST_F(LevelsTest, Level13MovesThePlayer14IsAllHatsAnd18StacksTwoSpawnPoints) {
    for (int level = 1; level <= game::kLastLevel; ++level) {
        Populate(level);
        const float y = level == 13 ? 500.0f : 300.0f;
        EXPECT_EQ(std::make_pair(game::player->x, game::player->y), std::make_pair(400.0f, y))
            << "level " << level;
    }

    Populate(14);
    EXPECT_EQ(All<game::TCharger>(*game::enemyList).size(), 25u);
    EXPECT_EQ(game::enemyList->Size(), 25);

    Populate(18);
    const auto spawns = All<game::TSpawnPoint>(*game::enemyList);
    ASSERT_EQ(spawns.size(), 2u);
    EXPECT_EQ(std::make_pair(spawns[0]->x, spawns[0]->y),
              std::make_pair(spawns[1]->x, spawns[1]->y));
    EXPECT_NE(spawns[0]->kind, spawns[1]->kind);
}

TEST_F(LevelsTest, LevelsThatToughenTheirEnemiesOverrideOnlyThoseEnemies) {
    Populate(11);
    for (const auto& tree : All<game::Tshooter>(*game::enemyList))
        EXPECT_EQ(tree->health, 25) << "level 11";

    Populate(12);
    auto spawns = All<game::TSpawnPoint>(*game::enemyList);
    ASSERT_EQ(spawns.size(), 2u);
    EXPECT_EQ(spawns[0]->health, 50) << "level 12, first spawn point";
    EXPECT_EQ(spawns[1]->health, 25) << "level 12, second spawn point keeps its own";

    for (const int level : {13, 21}) {
        Populate(level);
        spawns = All<game::TSpawnPoint>(*game::enemyList);
        ASSERT_EQ(spawns.size(), 1u);
        EXPECT_EQ(spawns[0]->health, 50) << "level " << level;
    }
    const auto gingers = All<game::TGinger>(*game::enemyList);
    ASSERT_EQ(gingers.size(), 1u);
    EXPECT_EQ(gingers[0]->health, 300) << "level 21";
    EXPECT_EQ(gingers[0]->maxHealth, 300) << "the bar's frame fits the tougher boss";
}

}  // namespace
