// The state hash: every group sees its own fields, and a change shows in its group only.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "collections/list.h"
#include "game/arena.h"
#include "game/bosses.h"
#include "game/bullets.h"
#include "game/enemies.h"
#include "game/menu.h"
#include "game/pickups.h"
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

// Changes the n-th field of the walk, remembering its name and old value; Undo then makes a
// visitor that puts the old value back.
class ChangeOne : public sim::StateVisitor {
public:
    explicit ChangeOne(int target) : target_(target) {}
    int count = 0;
    sim::Group group = sim::Group::kPlayer;
    std::string name;

    ChangeOne Undo() const {
        ChangeOne undo = *this;
        undo.count = 0;
        undo.undo_ = true;
        return undo;
    }

    void Object(sim::Group g, const char* owner, int index, const char*) override {
        owner_ = {g, owner, index};
    }
    void Field(const char* field, int& value) override { Change(field, value, value + 1, int_); }
    void Field(const char* field, float& value) override {
        Change(field, value, value + 0.5f, float_);
    }
    void Field(const char* field, std::string& value) override {
        Change(field, value, value + "!", string_);
    }
    void Field(const char* field, std::shared_ptr<game::TEnemy>& value) override {
        // Another target: the list's first enemy, or none when it was that one.
        auto first = std::static_pointer_cast<game::TEnemy>(game::enemyList->FrontItem());
        Change(field, value, value == first ? nullptr : first, enemy_);
    }

private:
    struct Owner {
        sim::Group group;
        std::string name;
        int index;
    } owner_{};
    int target_;
    bool undo_ = false;
    int int_ = 0;
    float float_ = 0;
    std::string string_;
    std::shared_ptr<game::TEnemy> enemy_;

    template <class T>
    void Change(const char* field, T& value, const T& changed, T& saved) {
        if (count++ != target_) return;
        if (undo_) {
            value = saved;
            return;
        }
        saved = value;
        value = changed;
        group = owner_.group;
        // NOTE: appended piece by piece: mingw's g++ 12 takes "[" + std::string for an
        // overlapping copy (-Wrestrict) and the Windows build treats warnings as errors.
        name = owner_.name;
        if (owner_.index >= 0) {
            name += '[';
            name += std::to_string(owner_.index);
            name += ']';
        }
        if (*field) {
            name += '.';
            name += field;
        }
    }
};

TEST(StateHash, EveryFieldOfEveryKindIsHashedAndNamed) {
    PlayBriefly();
    // One of everything the world can hold, beside what the game made.
    game::TBasicEnemy::Create(100, 100);
    game::Tshooter::Create(120, 100, 1);
    game::TCharger::Create(140, 100);
    game::TRoundShooter::Create(160, 100);
    game::TBouncer::Create(180, 100);
    game::TSpawnPoint::Create(200, 100, game::kSpawnHat, 1000);
    game::TGinger::Create(300, 300, 2);
    game::TWreath::Create(500, 300);
    game::TBasicBullet::Create(400, 400, 30, game::kPlayerShot);
    game::THomingBullet::Create(400, 400, game::kPlayerShot, game::kAlongAim);
    game::THomingBullet::Create(420, 400, game::kEnemyShot, 90);
    game::Tparticle::Create(50, 50, 45);
    game::TPresent::Create(60, 60);
    game::TMessage::Create(70, 70, "UPGRADE!", 100);
    game::TButton::Create(10, 10, "Start");

    const sim::StateHash before = sim::HashState();
    const auto named = sim::SnapshotState();
    ChangeOne counter(-1);
    sim::WalkState(counter);
    ASSERT_GT(counter.count, 200);

    std::vector<std::string> names;
    for (int k = 0; k < counter.count; ++k) {
        ChangeOne change(k);
        sim::WalkState(change);
        names.push_back(change.name);
        EXPECT_EQ(Changed(before, sim::HashState()), std::vector<sim::Group>{change.group})
            << change.name;
        sim::NamedField e, a;
        EXPECT_TRUE(sim::FirstDifference(named, sim::SnapshotState(), e, a)) << change.name;
        EXPECT_EQ(e.name, change.name);
        ChangeOne undo = change.Undo();
        sim::WalkState(undo);
        ASSERT_EQ(sim::HashState(), before) << change.name;
    }
    // Fields the hash once left out, among them.
    for (const char* field : {".target", ".speed", ".vx", ".needDest", ".moves", ".kind",
                              ".maxHealth", ".lastX", ".fireDelay"}) {
        EXPECT_TRUE(std::any_of(names.begin(), names.end(), [&](const std::string& name) {
            return name.ends_with(field);
        })) << field;
    }
    const auto particle = std::find(names.begin(), names.end(), "particles[0].vx");
    EXPECT_NE(particle, names.end());
}
