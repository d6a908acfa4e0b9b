// The state hash: every group sees its own fields, and a change shows in its group only.
#include <gtest/gtest.h>

#include "collections/list.h"
#include "game/arena.h"
#include "game/enemies.h"
#include "game/player.h"
#include "game/world.h"
#include "sim/autopilot.h"
#include "sim/runner.h"
#include "sim/state.h"
#include "system/random.h"

namespace {

// A world left by a short game: the player in a level with enemies and snowballs.
void PlayBriefly() {
    sim::RunOptions options;
    options.seed = 3;
    options.maxFrames = 200;
    sim::Autopilot pilot;
    sim::Run(options, pilot);
    ASSERT_FALSE(game::enemyList->Empty());
}

// The groups whose hash differs.
std::vector<sim::Group> Changed(const sim::StateHash& a, const sim::StateHash& b) {
    std::vector<sim::Group> groups;
    for (int g = 0; g < sim::kGroupCount; ++g) {
        if (a[g] != b[g]) groups.push_back(static_cast<sim::Group>(g));
    }
    return groups;
}

TEST(StateHash, AChangeShowsInItsOwnGroupAndByName) {
    PlayBriefly();
    const sim::StateHash before = sim::HashState();
    const auto named = sim::SnapshotState();
    EXPECT_EQ(sim::HashState(), before);  // hashing changes nothing

    game::player->health -= 1;
    EXPECT_EQ(Changed(before, sim::HashState()), std::vector<sim::Group>{sim::Group::kPlayer});
    sim::NamedField e, a;
    ASSERT_TRUE(sim::FirstDifference(named, sim::SnapshotState(), e, a));
    EXPECT_EQ(e.name, "player.health");
    EXPECT_EQ(std::stoi(e.value), std::stoi(a.value) + 1);
    game::player->health += 1;

    auto enemy = std::static_pointer_cast<game::TEnemy>(game::enemyList->BackItem());
    const int last = vdl::ListSize(game::enemyList) - 1;
    enemy->x += 0.25f;  // a quarter pixel is a different world
    EXPECT_EQ(Changed(before, sim::HashState()), std::vector<sim::Group>{sim::Group::kEnemies});
    ASSERT_TRUE(sim::FirstDifference(named, sim::SnapshotState(), e, a));
    EXPECT_EQ(e.name, "enemies[" + std::to_string(last) + "].x");
    enemy->x -= 0.25f;

    const int seed = vdl::CurrentSeed();
    vdl::RandomInt(1, 10);
    EXPECT_EQ(Changed(before, sim::HashState()), std::vector<sim::Group>{sim::Group::kGlobals});
    vdl::SeedRandom(seed);

    // The same snowballs in another order are another world.
    ASSERT_GE(vdl::ListSize(game::snowballList), 2);
    game::snowballList->ReverseInPlace();
    EXPECT_EQ(Changed(before, sim::HashState()), std::vector<sim::Group>{sim::Group::kSnowballs});
}

}  // namespace
