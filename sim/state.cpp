// Hashing and naming the game's state.
#include "sim/state.h"

#include <cstring>
#include <sstream>

#include "game/arena.h"
#include "game/bosses.h"
#include "game/bullets.h"
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

// Feeds every field to the visitor: visitor.Field(group, owner, index, name, value) with value
// an int, a float or a string. owner is the entity's list name ("enemies") or a fixed name.
template <class V>
struct Walk {
    V& v;

    void Enemy(int i, game::TEnemy& e) {
        constexpr Group g = Group::kEnemies;
        const char* kind = "enemy";
        if (dynamic_cast<game::TGinger*>(&e)) {
            kind = "ginger";
        } else if (dynamic_cast<game::TWreath*>(&e)) {
            kind = "wreath";
        } else if (dynamic_cast<game::TSpawnPoint*>(&e)) {
            kind = "spawn";
        } else if (dynamic_cast<game::TCharger*>(&e)) {
            kind = "hat";
        } else if (dynamic_cast<game::Tshooter*>(&e)) {
            kind = "tree";
        } else if (dynamic_cast<game::TRoundShooter*>(&e)) {
            kind = "bell";
        } else if (dynamic_cast<game::TBouncer*>(&e)) {
            kind = "ornament";
        } else if (dynamic_cast<game::TBasicEnemy*>(&e)) {
            kind = "snowman";
        }
        v.Field(g, "enemies", i, "kind", std::string(kind));
        v.Field(g, "enemies", i, "x", e.x);
        v.Field(g, "enemies", i, "y", e.y);
        v.Field(g, "enemies", i, "vx", e.vx);
        v.Field(g, "enemies", i, "vy", e.vy);
        v.Field(g, "enemies", i, "angle", e.angle);
        v.Field(g, "enemies", i, "alive", e.alive);
        v.Field(g, "enemies", i, "health", e.health);
        v.Field(g, "enemies", i, "ready", e.ready);
        v.Field(g, "enemies", i, "lastFire", e.lastFire);
        if (auto* boss = dynamic_cast<game::TBoss*>(&e)) {
            v.Field(g, "enemies", i, "phase", boss->phase);
            v.Field(g, "enemies", i, "phaseStart", boss->phaseStart);
        }
        if (auto* snowman = dynamic_cast<game::TBasicEnemy*>(&e)) {
            v.Field(g, "enemies", i, "destX", snowman->destX);
            v.Field(g, "enemies", i, "destY", snowman->destY);
        }
    }

    void Bullet(int i, game::Tbullet& b) {
        constexpr Group g = Group::kBullets;
        auto* homing = dynamic_cast<game::THomingBullet*>(&b);
        v.Field(g, "bullets", i, "kind", std::string(homing ? "homing" : "straight"));
        v.Field(g, "bullets", i, "x", b.x);
        v.Field(g, "bullets", i, "y", b.y);
        v.Field(g, "bullets", i, "vx", b.vx);
        v.Field(g, "bullets", i, "vy", b.vy);
        v.Field(g, "bullets", i, "owner", b.owner);
        v.Field(g, "bullets", i, "alive", b.alive);
        if (homing) v.Field(g, "bullets", i, "heading", homing->heading);
    }

    void All() {
        game::Tplayer& p = *game::player;
        constexpr Group pg = Group::kPlayer;
        v.Field(pg, "player", -1, "x", p.x);
        v.Field(pg, "player", -1, "y", p.y);
        v.Field(pg, "player", -1, "aimAngle", p.aimAngle);
        v.Field(pg, "player", -1, "health", p.health);
        v.Field(pg, "player", -1, "lives", p.lives);
        v.Field(pg, "player", -1, "score", p.score);
        v.Field(pg, "player", -1, "shownScore", p.shownScore);
        v.Field(pg, "player", -1, "weaponLevel", p.weaponLevel);
        v.Field(pg, "player", -1, "canFire", p.canFire);
        v.Field(pg, "player", -1, "lastShot", p.lastShot);
        v.Field(pg, "player", -1, "lifeLost", p.lifeLost);
        v.Field(pg, "player", -1, "presents", p.presentLoop->count);
        v.Field(pg, "player", -1, "spin", p.presentLoop->spin);

        int i = 0;
        game::ForEach<game::TEnemy>(*game::enemyList, [&](game::TEnemy& e) { Enemy(i++, e); });
        i = 0;
        game::ForEach<game::Tbullet>(*game::bulletList, [&](game::Tbullet& b) { Bullet(i++, b); });
        i = 0;
        game::ForEach<game::Tparticle>(*game::particleList, [&](game::Tparticle& q) {
            constexpr Group g = Group::kParticles;
            v.Field(g, "particles", i, "x", q.x);
            v.Field(g, "particles", i, "y", q.y);
            v.Field(g, "particles", i, "alpha", q.alpha);
            v.Field(g, "particles", i, "colour", q.colour);
            ++i;
        });
        i = 0;
        game::ForEach<game::Tport>(*game::snowballList, [&](game::Tport& s) {
            v.Field(Group::kSnowballs, "snowballs", i, "x", s.x);
            v.Field(Group::kSnowballs, "snowballs", i, "y", s.y);
            ++i;
        });
        i = 0;
        game::ForEach<game::TPresent>(*game::presentList, [&](game::TPresent& s) {
            v.Field(Group::kPresents, "presents", i, "x", s.x);
            v.Field(Group::kPresents, "presents", i, "y", s.y);
            v.Field(Group::kPresents, "presents", i, "alive", s.alive);
            ++i;
        });
        i = 0;
        game::ForEach<game::TMessage>(*game::messageList, [&](game::TMessage& m) {
            v.Field(Group::kMessages, "messages", i, "text", m.text);
            v.Field(Group::kMessages, "messages", i, "y", m.y);
            v.Field(Group::kMessages, "messages", i, "life", m.life);
            ++i;
        });
        constexpr Group gg = Group::kGlobals;
        v.Field(gg, "levelNumber", -1, "", game::levelNumber);
        v.Field(gg, "soundOn", -1, "", game::soundOn);
        v.Field(gg, "random", -1, "", vdl::CurrentSeed());
        i = 0;
        game::ForEach<game::TButton>(*game::buttonList, [&](game::TButton& b) {
            v.Field(gg, "buttons", i, "text", b.text);
            v.Field(gg, "buttons", i, "clicked", b.clicked);
            ++i;
        });
    }
};

struct Hasher {
    StateHash hash;
    Hasher() { hash.fill(kFnvOffset); }

    void Mix(Group g, const void* data, std::size_t n) {
        std::uint64_t& h = hash[static_cast<int>(g)];
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < n; ++k) {
            h = (h ^ bytes[k]) * kFnvPrime;
        }
    }
    void Field(Group g, const char*, int, const char*, int value) { Mix(g, &value, sizeof value); }
    void Field(Group g, const char*, int, const char*, float value) {
        Mix(g, &value, sizeof value);
    }
    void Field(Group g, const char*, int, const char*, const std::string& value) {
        Mix(g, value.data(), value.size() + 1);
    }
};

struct Namer {
    std::vector<NamedField> fields;

    static std::string Name(const char* owner, int index, const char* name) {
        std::string text = owner;
        if (index >= 0) {
            text += '[';
            text += std::to_string(index);
            text += ']';
        }
        if (*name) {
            text += '.';
            text += name;
        }
        return text;
    }
    void Field(Group g, const char* owner, int index, const char* name, int value) {
        fields.push_back({g, Name(owner, index, name), std::to_string(value)});
    }
    void Field(Group g, const char* owner, int index, const char* name, float value) {
        std::ostringstream text;
        text.precision(9);
        text << value;
        fields.push_back({g, Name(owner, index, name), text.str()});
    }
    void Field(Group g, const char* owner, int index, const char* name, const std::string& value) {
        fields.push_back({g, Name(owner, index, name), "\"" + value + "\""});
    }
};

}  // namespace

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
    if (game::player && game::enemyList) Walk<Hasher>{hasher}.All();
    return hasher.hash;
}

std::vector<NamedField> SnapshotState() {
    Namer namer;
    if (game::player && game::enemyList) Walk<Namer>{namer}.All();
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
