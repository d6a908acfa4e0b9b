// The level tables: what set-ups create where it matters to play, and the intro texts.
#include <map>

#include "tests/game/game_fixture.h"

namespace {

using gametest::All;

class LevelsTest : public gametest::GameTest {
protected:
    // The level's set-up on an empty arena, with the player at the centre.
    static void Populate(int level) {
        game::enemyList->RemoveAll();
        game::snowballList->RemoveAll();
        game::player->SetPosition(400, 300);
        game::SetUpLevel(level);
    }
};

// Levels 1..21 have enemies (or they would end at once), an intro of one to three lines,
// the default four snowballs unless they say otherwise, and the player at the centre but on 13.
TEST_F(LevelsTest, EveryLevelHasEnemiesAnIntroItsSnowballsAndItsStartingPlace) {
    const std::map<int, int> own{{5, 0},  {7, 0},  {9, 0},  {11, 0}, {14, 0},
                                 {19, 0}, {21, 0}, {13, 6}, {18, 1}, {20, 7}};
    for (int level = 0; level <= game::kLastLevel + 1; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        Populate(level);
        const bool playable = level >= 1 && level <= game::kLastLevel;
        const size_t lines = game::LevelDescription(level).size();
        EXPECT_EQ(game::enemyList->Empty(), !playable);
        EXPECT_TRUE(playable ? lines >= 1 && lines <= 3 : lines == 0) << lines;
        EXPECT_EQ(game::snowballList->Size(), !playable ? 0 : own.count(level) ? own.at(level) : 4);
        EXPECT_EQ(std::pair(game::player->x, game::player->y),
                  std::pair(400.0f, level == 13 ? 500.0f : 300.0f));
    }
}

TEST_F(LevelsTest, Levels11To21PlaceAndToughenOnlyTheirOwnEnemies) {
    Populate(14);
    EXPECT_EQ(std::pair(All<game::TCharger>(*game::enemyList).size(), game::enemyList->Size()),
              std::pair(size_t{25}, 25));

    Populate(18);
    auto spawns = All<game::TSpawnPoint>(*game::enemyList);
    ASSERT_EQ(spawns.size(), 2u);
    EXPECT_EQ(std::pair(spawns[0]->x, spawns[0]->y), std::pair(spawns[1]->x, spawns[1]->y));
    EXPECT_NE(spawns[0]->kind, spawns[1]->kind);

    Populate(11);
    for (auto* tree : All<game::Tshooter>(*game::enemyList))
        EXPECT_EQ(tree->health, 25);
    Populate(12);
    spawns = All<game::TSpawnPoint>(*game::enemyList);
    ASSERT_EQ(spawns.size(), 2u);
    EXPECT_EQ(std::pair(spawns[0]->health, spawns[1]->health), std::pair(50, 25));
    Populate(21);
    const auto gingers = All<game::TGinger>(*game::enemyList);
    ASSERT_EQ(gingers.size(), 1u);
    EXPECT_EQ(std::pair(gingers[0]->health, gingers[0]->maxHealth), std::pair(300, 300));
}

}  // namespace
