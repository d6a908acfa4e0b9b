// The autopilot's eyes, aim and feet.
#include "sim/autopilot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "game/arena.h"
#include "game/bosses.h"
#include "game/bullets.h"
#include "game/enemies.h"
#include "game/pickups.h"
#include "game/player.h"
#include "game/world.h"
#include "runtime/object.h"
#include "system/event.h"
#include "system/polled_input.h"

namespace sim {

namespace {
constexpr int kHorizon = 32;
constexpr float kPi = 3.14159265f;

struct Vec {
    float x = 0, y = 0;
};

float Dist(Vec a, Vec b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// What the look-ahead knows of an enemy.
struct Foe {
    Vec p;
    Vec v;         // observed last step
    float chase;   // pixels a frame toward the player; 0 for none
    float radius;  // contact reach, centre to centre
    bool spawn;
    bool boss;
    const game::TEnemy* enemy;
};

// What the look-ahead knows of an enemy bullet.
struct Shot {
    Vec p;
    Vec v;
    bool homing;
    int heading;
    int speed;
};

struct Ball {
    Vec p;
};

// Whether the segment a-b passes within r of c.
bool SegmentNear(Vec a, Vec b, Vec c, float r) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((c.x - a.x) * dx + (c.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0f, 1.0f);
    return Dist({a.x + t * dx, a.y + t * dy}, c) < r;
}

void PushOut(Vec& p, const std::vector<Ball>& balls, float reach) {
    for (const Ball& b : balls) {
        const float d = std::floor(Dist(p, b.p));
        if (d >= reach) continue;
        const float a = std::atan2(p.y - b.p.y, p.x - b.p.x);
        p.x += std::cos(a) * (reach - d);
        p.y += std::sin(a) * (reach - d);
    }
}

float ContactRadius(const game::TEnemy& e) {
    if (dynamic_cast<const game::TWreath*>(&e)) return 52;
    if (dynamic_cast<const game::TGinger*>(&e)) return 36;
    if (dynamic_cast<const game::TSpawnPoint*>(&e)) return 36;
    return 34;
}

// The game's own chase speeds: a tree walks only when made to, the gingerbread man only in
// its chase phase, at the speed its level gave it.
float ChaseSpeed(const game::TEnemy& e) {
    if (auto* tree = dynamic_cast<const game::Tshooter*>(&e)) {
        return tree->moves == 1 ? game::kTree.chaseSpeed : 0;
    }
    if (auto* ginger = dynamic_cast<const game::TGinger*>(&e)) {
        return ginger->phase == game::kGingerPhaseChase ? static_cast<float>(ginger->speed) : 0;
    }
    return e.Kind().chaseSpeed;
}
}  // namespace

void Autopilot::SetKey(int key, bool down, std::vector<InputEvent>& events) {
    if ((vdl::IsKeyDown(key) != 0) == down) return;
    events.push_back({0, down ? vdl::kEventKeyDown : vdl::kEventKeyUp, key, pointerX_, pointerY_});
}

void Autopilot::SetButton(bool down, std::vector<InputEvent>& events) {
    if ((vdl::IsMouseDown(game::kLeftButton) != 0) == down) return;
    events.push_back({0, down ? vdl::kEventMouseDown : vdl::kEventMouseUp, game::kLeftButton,
                      pointerX_, pointerY_});
}

void Autopilot::PointAt(int x, int y, std::vector<InputEvent>& events) {
    x = std::clamp(x, 0, 799);
    y = std::clamp(y, 0, 599);
    if (x == pointerX_ && y == pointerY_) return;
    events.push_back({0, vdl::kEventMouseMove, 0, x, y});
    pointerX_ = x;
    pointerY_ = y;
}

void Autopilot::OnFlip(int, std::vector<InputEvent>& events) {
    if (!game::player) return;
    // Where the pointer is; the events of this flip are sent after the autopilot decides.
    pointerX_ = vdl::PointerX();
    pointerY_ = vdl::PointerY();
    const int spin = game::player->presentLoop->spin;
    if (lastSpin_ == -1000) lastSpin_ = spin;  // the first flip is the title menu's
    const bool played = spin != lastSpin_;
    lastSpin_ = spin;
    if (played) {
        ++playFrames_;
        Play(events);
    } else {
        Menu(events);
    }
}

// Outside play: let go of everything, then click on Start (where every other screen takes
// any click), holding the button for one frame so the screens that test it held see it too.
void Autopilot::Menu(std::vector<InputEvent>& events) {
    for (const int key : {game::kKeyW, game::kKeyA, game::kKeyS, game::kKeyD})
        SetKey(key, false, events);
    if (vdl::IsMouseDown(game::kLeftButton)) {
        SetButton(false, events);
        return;
    }
    PointAt(62, 214, events);
    events.push_back({0, vdl::kEventMouseDown, game::kLeftButton, pointerX_, pointerY_});
}

void Autopilot::Play(std::vector<InputEvent>& events) {
    const game::Tplayer& player = *game::player;
    const Vec me{player.x, player.y};

    std::vector<Ball> balls;
    game::ForEach<game::Tport>(*game::snowballList, [&](game::Tport& s) {
        balls.push_back({{static_cast<float>(s.x), static_cast<float>(s.y)}});
    });

    // Velocities come from where each enemy was at the last flip. The autopilot holds on to
    // the enemies it saw until the next flip, so no new enemy can take a gone one's address.
    std::vector<Foe> foes;
    std::unordered_map<const void*, Seen> seen;
    vdl::TListEnum walker = game::enemyList->Walker();
    while (walker.HasMore()) {
        const vdl::ObjectRef value = walker.Take();
        auto* enemy = dynamic_cast<game::TEnemy*>(value.get());
        if (!enemy || enemy->alive != 1) continue;
        game::TEnemy& e = *enemy;
        Foe f;
        f.p = {e.x, e.y};
        const auto last = lastSeen_.find(&e);
        f.v = last == lastSeen_.end() ? Vec{} : Vec{e.x - last->second.x, e.y - last->second.y};
        if (std::fabs(f.v.x) > 8 || std::fabs(f.v.y) > 8) f.v = {};
        f.chase = ChaseSpeed(e);
        f.radius = ContactRadius(e);
        f.spawn = dynamic_cast<game::TSpawnPoint*>(&e) != nullptr;
        f.boss = dynamic_cast<game::TBoss*>(&e) != nullptr;
        f.enemy = &e;
        foes.push_back(f);
        seen[&e] = {value, e.x, e.y};
    }
    lastSeen_ = std::move(seen);

    std::vector<Shot> shots;
    game::ForEach<game::Tbullet>(*game::bulletList, [&](game::Tbullet& b) {
        if (b.alive != 1 || b.owner != game::kEnemyShot) return;
        Shot s;
        s.p = {b.x, b.y};
        s.v = {b.vx, b.vy};
        s.homing = false;
        s.heading = 0;
        s.speed = 0;
        if (auto* h = dynamic_cast<game::THomingBullet*>(&b)) {
            s.homing = true;
            s.heading = h->heading;
            s.speed = h->speed;
        }
        shots.push_back(s);
    });

    // ---- Target and aim ----
    auto lineBlocked = [&](Vec from, Vec to) {
        for (const Ball& b : balls) {
            if (SegmentNear(from, to, b.p, 22)) return true;
        }
        return false;
    };
    // What the level is about: the weakest spawn point, else a boss. The player works its way
    // to a clear line on it; smaller fry is shot when it comes close or blocks the line.
    const Foe* primary = nullptr;
    for (const Foe& f : foes) {
        if (!f.spawn && !f.boss) continue;
        if (!primary || (f.spawn && !primary->spawn) ||
            (f.spawn == primary->spawn && f.enemy->health < primary->enemy->health)) {
            primary = &f;
        }
    }
    const Foe* target = nullptr;
    float bestScore = std::numeric_limits<float>::max();
    for (const Foe& f : foes) {
        float score = Dist(me, f.p);
        if (lineBlocked(me, f.p)) score += 400;
        if (&f == primary) score -= 250;
        if (!f.spawn && !f.boss && score < 110) score -= 300;
        if (score < bestScore) {
            bestScore = score;
            target = &f;
        }
    }

    // ---- Feet: the safest of a few candidate paths ----
    struct Plan {
        int dx, dy, hold;
    };
    std::vector<Plan> plans;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            plans.push_back({dx, dy, kHorizon});
            if (dx != 0 || dy != 0) plans.push_back({dx, dy, 6});
        }

    // The nearest present worth walking to.
    Vec present{};
    bool havePresent = false;
    float presentDist = std::numeric_limits<float>::max();
    game::ForEach<game::TPresent>(*game::presentList, [&](game::TPresent& p) {
        if (p.alive != 1) return;
        const Vec at{static_cast<float>(p.x), static_cast<float>(p.y)};
        const float d = Dist(me, at);
        if (d < presentDist) {
            presentDist = d;
            present = at;
            havePresent = true;
        }
    });

    bool chased = false;
    for (const Foe& f : foes)
        chased = chased || (f.chase >= 2 && Dist(me, f.p) < 300);

    const Plan* best = nullptr;
    float bestCost = std::numeric_limits<float>::max();
    std::vector<Vec> foeAt(foes.size());
    std::vector<Shot> shotAt;
    std::vector<char> shotAlive;
    for (const Plan& plan : plans) {
        float cost = 0;
        Vec p = me;
        for (std::size_t k = 0; k < foes.size(); ++k)
            foeAt[k] = foes[k].p;
        shotAt = shots;
        shotAlive.assign(shots.size(), 1);
        for (int t = 1; t <= kHorizon; ++t) {
            const float weight = 1.0f / (1.0f + t / 12.0f);
            if (t <= plan.hold) {
                p.x = std::clamp(p.x + plan.dx * game::kPlayerStep, 0.0f, game::kFieldWidth);
                p.y = std::clamp(p.y + plan.dy * game::kPlayerStep, 0.0f, game::kFieldHeight);
            }
            PushOut(p, balls, 23);
            // The player is tested against the bullets where the last frame left them.
            for (std::size_t k = 0; k < shotAt.size(); ++k) {
                if (!shotAlive[k]) continue;
                const float dx = std::fabs(shotAt[k].p.x - p.x);
                const float dy = std::fabs(shotAt[k].p.y - p.y);
                if (dx < 17 && dy < 23) {
                    cost += 1000 * weight;
                    shotAlive[k] = 0;
                } else if (dx < 27 && dy < 33) {
                    cost += 40 * weight;
                }
            }
            for (std::size_t k = 0; k < foes.size(); ++k) {
                const Foe& f = foes[k];
                Vec& q = foeAt[k];
                if (f.chase > 0) {
                    const float a = std::atan2(p.y - q.y, p.x - q.x);
                    q.x += std::cos(a) * f.chase;
                    q.y += std::sin(a) * f.chase;
                } else {
                    q.x += f.v.x;
                    q.y += f.v.y;
                    if (q.x < 0 || q.x > game::kFieldWidth)
                        q.x = std::clamp(q.x, 0.0f, game::kFieldWidth);
                    if (q.y < 0 || q.y > game::kFieldHeight)
                        q.y = std::clamp(q.y, 0.0f, game::kFieldHeight);
                }
                const float d = Dist(p, q);
                if (d < f.radius) {
                    cost += 700 * weight;
                } else if (d < f.radius + 25) {
                    cost += (f.radius + 25 - d) * 6 * weight;
                }
            }
            // Then the bullets move, dying on snowballs and off the field.
            for (std::size_t k = 0; k < shotAt.size(); ++k) {
                if (!shotAlive[k]) continue;
                Shot& s = shotAt[k];
                if (s.homing) {
                    const int wanted =
                        static_cast<int>(std::atan2(p.y - s.p.y, p.x - s.p.x) * 180 / kPi);
                    s.heading = game::TurnToward(s.heading, wanted);
                    s.v = {std::cos(s.heading * kPi / 180) * s.speed,
                           std::sin(s.heading * kPi / 180) * s.speed};
                }
                s.p.x += s.v.x;
                s.p.y += s.v.y;
                if (s.p.x < 0 || s.p.x > game::kFieldWidth || s.p.y < 0 ||
                    s.p.y > game::kFieldHeight) {
                    shotAlive[k] = 0;
                    continue;
                }
                for (const Ball& b : balls) {
                    if (Dist(s.p, b.p) < game::kSnowballStop) shotAlive[k] = 0;
                }
            }
        }
        // Where the path ends: away from walls and bodies, near presents, in range and in
        // sight of the target. With a chaser about, walls and corners are traps: keep room.
        const float wallX = std::min(p.x, game::kFieldWidth - p.x);
        const float wallY = std::min(p.y, game::kFieldHeight - p.y);
        const float room = chased ? 140.0f : 60.0f;
        if (wallX < room) cost += (room - wallX) * 3;
        if (wallY < room) cost += (room - wallY) * 3;
        if (chased) cost += Dist(p, {game::kFieldWidth / 2, game::kFieldHeight / 2}) * 0.3f;
        for (std::size_t k = 0; k < foes.size(); ++k) {
            const float d = Dist(p, foeAt[k]);
            const float keep = foes[k].boss ? 220.0f : (foes[k].chase > 0 ? 150.0f : 110.0f);
            if (d < keep) cost += (keep - d) * 2.0f;
        }
        if (havePresent) cost += Dist(p, present) * 0.8f;
        if (primary && primary->spawn) {
            // A spawn point is best shot from close by, where little gets in the way.
            const float d = Dist(p, primary->p);
            cost += std::fabs(d - 180) * 0.6f;
            if (lineBlocked(p, primary->p)) cost += 200;
        } else if (target) {
            const float d = Dist(p, target->p);
            if (!havePresent && d > 320) cost += (d - 320) * 0.5f;
            if (lineBlocked(p, target->p)) cost += 150;
        }
        if (cost < bestCost - 0.01f) {
            bestCost = cost;
            best = &plan;
        }
    }

    SetKey(game::kKeyA, best->dx < 0, events);
    SetKey(game::kKeyD, best->dx > 0, events);
    SetKey(game::kKeyW, best->dy < 0, events);
    SetKey(game::kKeyS, best->dy > 0, events);

    if (target) {
        // Where the player will be when it fires, and where a bullet from there meets the
        // target.
        const Vec from{std::clamp(me.x + best->dx * game::kPlayerStep, 0.0f, game::kFieldWidth),
                       std::clamp(me.y + best->dy * game::kPlayerStep, 0.0f, game::kFieldHeight)};
        Vec v = target->v;
        Vec aim = target->p;
        for (int i = 0; i < 4; ++i) {
            const float t = Dist(from, aim) / static_cast<float>(game::kStraightSpeed);
            aim = {target->p.x + v.x * t, target->p.y + v.y * t};
        }
        // The game aims from where the player stands before the step, in whole degrees
        // truncated toward zero: point where the truncation gives the nearest whole degree.
        const double wanted = std::atan2(aim.y - from.y, aim.x - from.x) * 180 / kPi;
        // At weapon level 2 the two straight shots go 3 degrees either side of the aim: aim
        // so the second one flies at the target.
        const int offset = player.weaponLevel == 2 ? 3 : 0;
        const int degree = static_cast<int>(std::lround(wanted)) - offset;
        const double half = degree >= 0 ? 0.5 : -0.5;
        const double ray = (degree + half) * kPi / 180;
        int px = static_cast<int>(std::lround(aim.x)), py = static_cast<int>(std::lround(aim.y));
        for (double reach = 300; reach >= 30; reach -= 10) {
            const int cx = static_cast<int>(std::lround(me.x + std::cos(ray) * reach));
            const int cy = static_cast<int>(std::lround(me.y + std::sin(ray) * reach));
            if (cx < 0 || cx > 799 || cy < 0 || cy > 599) continue;
            const double got = std::atan2(cy - me.y, cx - me.x) * 180 / kPi;
            px = cx;
            py = cy;
            if (static_cast<int>(got) == degree) break;
        }
        PointAt(px, py, events);
        SetButton(true, events);
    } else {
        // Nothing to shoot: homing bullets make for the pointer, so keep it away.
        PointAt(static_cast<int>(game::kFieldWidth - me.x),
                static_cast<int>(game::kFieldHeight - me.y), events);
        SetButton(false, events);
    }
}

}  // namespace sim
