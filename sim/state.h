// The game's state as the simulation sees it: a hash per field group, and named field values.
//
// Every flip the runner hashes what the game keeps between frames: the player, every entity of
// every list in list order, the score, the level, the buttons and the random generator. The
// hash is kept per group so a divergence can say which part of the world went apart first;
// the named snapshot of one frame then says which field.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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
