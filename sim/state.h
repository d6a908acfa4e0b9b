// The game's state as the simulation sees it: a hash per field group, and named field values.
//
// Every flip the runner hashes what the game keeps between frames: the player, every entity of
// every list in list order, the score, the level, the buttons and the random generator. Each
// object's fields are the ones its class lists in Fields (game/fields.h), so the hash, the
// snapshot and anything else that walks the state see the same fields. The hash is kept per
// group so a divergence can say which part of the world went apart first; the named snapshot
// of one frame then says which field.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "game/fields.h"

namespace sim {

enum class Group {
    kPlayer,
    kEnemies,
    kBullets,
    kParticles,
    kSnowballs,
    kPresents,
    kMessages,
    kGlobals
};
constexpr int kGroupCount = 8;

// "player", "enemies", ...
const char* GroupName(Group group);

// Walks the world's state: Object before each object's fields, then its fields as its class
// lists them; the globals come last, as fields of objects of their own. A reference to an
// enemy reaches the visitor as that enemy's place in enemyList (-1 for none, -2 for one that
// has left the list).
class StateVisitor : public game::FieldVisitor {
public:
    // owner is the list's name ("enemies") or the object's ("player", "levelNumber"); index
    // its place in the list, -1 for a single object; kind its class's name, or "".
    virtual void Object(Group group, const char* owner, int index, const char* kind) = 0;
    using game::FieldVisitor::Field;
    void Field(const char* name, std::shared_ptr<game::TEnemy>& value) override;

private:
    friend void WalkState(StateVisitor& visitor);
    std::vector<const game::TEnemy*> enemies_;  // enemyList in order, for references
};

// Every object of the world in hash order, while there is a world (a player and the lists).
void WalkState(StateVisitor& visitor);

// One hash per group.
using StateHash = std::array<std::uint64_t, kGroupCount>;

// The groups folded into one value.
std::uint64_t Combined(const StateHash& hash);

// The hash of the game's globals as they are now.
StateHash HashState();

// One named field, e.g. {kEnemies, "enemies[2].x", "153.25"}.
struct NamedField {
    Group group;
    std::string name;
    std::string value;
};

// Every field HashState covers, by name, as it is now.
std::vector<NamedField> SnapshotState();

// The first field (in snapshot order) whose name or value differs; false when they are equal.
bool FirstDifference(const std::vector<NamedField>& expected, const std::vector<NamedField>& actual,
                     NamedField& expectedField, NamedField& actualField);

}  // namespace sim
