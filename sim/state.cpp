// Hashing and naming the game's state.
#include "sim/state.h"

#include <algorithm>
#include <sstream>

#include "game/arena.h"
#include "game/enemies.h"
#include "game/menu.h"
#include "game/pickups.h"
#include "game/player.h"
#include "game/world.h"
#include "system/random.h"

namespace sim {

namespace {

constexpr std::uint64_t kFnvOffset = 1469598103934665603ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

// Every object of class T in list, in order, as one group.
template <class T, class Kind>
void WalkList(StateVisitor& v, Group group, const char* owner, vdl::TList& list, Kind&& kind) {
    int i = 0;
    game::ForEach<T>(list, [&](T& object) {
        v.Object(group, owner, i++, kind(object));
        object.Fields(v);
    });
}

// A global as an object of one field with no name.
void WalkGlobal(StateVisitor& v, const char* name, int& value) {
    v.Object(Group::kGlobals, name, -1, "");
    v.Field("", value);
}

struct Hasher : StateVisitor {
    StateHash hash;
    std::uint64_t* h = nullptr;

    Hasher() { hash.fill(kFnvOffset); }

    void Mix(const void* data, std::size_t n) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < n; ++k) {
            *h = (*h ^ bytes[k]) * kFnvPrime;
        }
    }
    void Object(Group group, const char*, int, const char* kind) override {
        h = &hash[static_cast<int>(group)];
        if (*kind) Mix(kind, std::char_traits<char>::length(kind) + 1);
    }
    void Field(const char*, int& value) override { Mix(&value, sizeof value); }
    void Field(const char*, float& value) override { Mix(&value, sizeof value); }
    void Field(const char*, std::string& value) override { Mix(value.data(), value.size() + 1); }
    using StateVisitor::Field;
};

struct Namer : StateVisitor {
    std::vector<NamedField> fields;
    Group group = Group::kPlayer;
    std::string prefix;

    void Object(Group g, const char* owner, int index, const char* kind) override {
        group = g;
        prefix = owner;
        if (index >= 0) {
            prefix += '[';
            prefix += std::to_string(index);
            prefix += ']';
        }
        if (*kind) fields.push_back({group, prefix + ".class", std::string("\"") + kind + "\""});
    }
    std::string Name(const char* name) const { return *name ? prefix + "." + name : prefix; }
    void Field(const char* name, int& value) override {
        fields.push_back({group, Name(name), std::to_string(value)});
    }
    void Field(const char* name, float& value) override {
        std::ostringstream text;
        text.precision(9);
        text << value;
        fields.push_back({group, Name(name), text.str()});
    }
    void Field(const char* name, std::string& value) override {
        fields.push_back({group, Name(name), "\"" + value + "\""});
    }
    using StateVisitor::Field;
};

}  // namespace

void StateVisitor::Field(const char* name, std::shared_ptr<game::TEnemy>& value) {
    int place = -1;
    if (value) {
        const auto found = std::find(enemies_.begin(), enemies_.end(), value.get());
        place = found == enemies_.end() ? -2 : static_cast<int>(found - enemies_.begin());
    }
    Field(name, place);
}

void WalkState(StateVisitor& v) {
    if (!game::player || !game::enemyList) return;
    v.enemies_.clear();
    game::ForEach<game::TEnemy>(*game::enemyList,
                                [&](game::TEnemy& enemy) { v.enemies_.push_back(&enemy); });

    v.Object(Group::kPlayer, "player", -1, "");
    game::player->Fields(v);
    WalkList<game::TEnemy>(v, Group::kEnemies, "enemies", *game::enemyList,
                           [](const game::TEnemy& e) { return e.Kind().name; });
    WalkList<game::Tbullet>(v, Group::kBullets, "bullets", *game::bulletList,
                            [](const game::Tbullet& b) { return b.Kind(); });
    auto none = [](const auto&) { return ""; };
    WalkList<game::Tparticle>(v, Group::kParticles, "particles", *game::particleList, none);
    WalkList<game::Tport>(v, Group::kSnowballs, "snowballs", *game::snowballList, none);
    WalkList<game::TPresent>(v, Group::kPresents, "presents", *game::presentList, none);
    WalkList<game::TMessage>(v, Group::kMessages, "messages", *game::messageList, none);

    WalkGlobal(v, "levelNumber", game::levelNumber);
    WalkGlobal(v, "soundOn", game::soundOn);
    int seed = vdl::CurrentSeed();
    WalkGlobal(v, "random", seed);
    if (seed != vdl::CurrentSeed()) vdl::SeedRandom(seed);
    WalkList<game::TButton>(v, Group::kGlobals, "buttons", *game::buttonList, none);
}

const char* GroupName(Group group) {
    static const char* const names[kGroupCount] = {"player",    "enemies",  "bullets",  "particles",
                                                   "snowballs", "presents", "messages", "globals"};
    return names[static_cast<int>(group)];
}

std::uint64_t Combined(const StateHash& hash) {
    std::uint64_t h = kFnvOffset;
    for (const std::uint64_t part : hash) {
        h = (h ^ part) * kFnvPrime;
    }
    return h;
}

StateHash HashState() {
    Hasher hasher;
    WalkState(hasher);
    return hasher.hash;
}

std::vector<NamedField> SnapshotState() {
    Namer namer;
    WalkState(namer);
    return std::move(namer.fields);
}

bool FirstDifference(const std::vector<NamedField>& expected, const std::vector<NamedField>& actual,
                     NamedField& expectedField, NamedField& actualField) {
    const std::size_t n = std::max(expected.size(), actual.size());
    for (std::size_t k = 0; k < n; ++k) {
        const NamedField missing{k < expected.size() ? expected[k].group : actual[k].group,
                                 "(none)", ""};
        const NamedField& e = k < expected.size() ? expected[k] : missing;
        const NamedField& a = k < actual.size() ? actual[k] : missing;
        if (e.name != a.name || e.value != a.value) {
            expectedField = e;
            actualField = a;
            return true;
        }
    }
    return false;
}

}  // namespace sim
