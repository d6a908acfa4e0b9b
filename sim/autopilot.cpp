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

constexpr float kPi = 3.14159265f;

// How the autopilot weighs what it sees. Costs are in the units of a path's score, distances
// in arena pixels, times in frames.
struct Tuning {
    // Observing: a jump longer than this between two flips is a respawn, not a velocity.
    float largestStep = 8;
    // Choosing a target: a line of fire passing this close to a snowball is blocked.
    float ballShadow = 22;
    float blockedLine = 400;   // added to a blocked target's distance
    float primaryPull = 250;   // taken off the spawn point's or boss's distance
    float closeFry = 110;      // a lesser enemy this near (score)...
    float closeFryPull = 300;  // ...is shot first: taken off its score
    // Planning the move: every direction held for the whole look-ahead or for a short step.
    int horizon = 32;
    int shortStep = 6;
    float chaserSpeed = 2;    // an enemy chasing this fast...
    float chaserRange = 300;  // ...from this near makes walls and corners traps
    float fadeFrames = 12;    // a cost t frames ahead weighs 1 / (1 + t / fadeFrames)
    float ballReach = 23;     // how far a snowball pushes the player out
    float hitX = 17, hitY = 23, hitCost = 1000;      // a bullet that hits
    float grazeX = 27, grazeY = 33, grazeCost = 40;  // one that passes close
    float contactCost = 700;                         // an enemy body touching the player
    float nearBody = 25;                             // within contact reach plus this, per pixel...
    float nearBodyCost = 6;                          // ...this much
    float wallRoom = 60, chasedWallRoom = 140, wallCost = 3;  // per pixel short of the room
    float chasedCentrePull = 0.3f;  // per pixel from the centre with a chaser about
    // Where a path ends: room kept from a boss, a chaser and any other enemy (cost per pixel
    // short of it); the pull of the nearest present; the distance a spawn point is best shot
    // from, and the farthest a target is shot from, with their costs per pixel off them and
    // for a blocked line.
    float bossRoom = 220, chaserRoom = 150, foeRoom = 110, foeRoomCost = 2;
    float presentPull = 0.8f;
    float spawnRange = 180, spawnRangeCost = 0.6f, spawnBlocked = 200;
    float targetRange = 320, targetRangeCost = 0.5f, targetBlocked = 150;
    float betterBy = 0.01f;  // a later path must be this much cheaper to be taken
    // Aiming: refinements of the lead on a moving target, and the reach (far to near, in
    // steps) along which the pointer is placed on the aimed ray.
    int leadRounds = 4;
    double farthestAim = 300, nearestAim = 30, aimStep = 10;
};

constexpr Tuning kTuning;

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

// One way to walk: a direction held for hold frames, then standing still.
struct Plan {
    int dx, dy, hold;
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

// What the autopilot sees at one flip of play.
struct Scene {
    Vec me;
    std::vector<Ball> balls;
    std::vector<Foe> foes;
    std::vector<Shot> shots;
    Vec present{};  // the nearest present worth walking to, if havePresent
    bool havePresent = false;
    bool chased = false;  // a fast chaser is near
    // What the level is about (the weakest spawn point, else a boss), and what to shoot now;
    // both point into foes, and either may be null.
    const Foe* primary = nullptr;
    const Foe* target = nullptr;
};

namespace {

// Whether a snowball stands in the line of fire between the two points.
bool LineBlocked(const Scene& scene, Vec from, Vec to) {
    for (const Ball& b : scene.balls) {
        if (SegmentNear(from, to, b.p, kTuning.ballShadow)) return true;
    }
    return false;
}

// The player works its way to a clear line on the primary; smaller fry is shot when it comes
// close or blocks the line.
void ChooseTarget(Scene& scene) {
    for (const Foe& f : scene.foes) {
        if (!f.spawn && !f.boss) continue;
        const Foe* primary = scene.primary;
        if (!primary || (f.spawn && !primary->spawn) ||
            (f.spawn == primary->spawn && f.enemy->health < primary->enemy->health)) {
            scene.primary = &f;
        }
    }
    float bestScore = std::numeric_limits<float>::max();
    for (const Foe& f : scene.foes) {
        float score = Dist(scene.me, f.p);
        if (LineBlocked(scene, scene.me, f.p)) score += kTuning.blockedLine;
        if (&f == scene.primary) score -= kTuning.primaryPull;
        if (!f.spawn && !f.boss && score < kTuning.closeFry) score -= kTuning.closeFryPull;
        if (score < bestScore) {
            bestScore = score;
            scene.target = &f;
        }
    }
}

// Where a path ends: away from walls and bodies, near presents, in range and in sight of the
// target. With a chaser about, walls and corners are traps: keep room.
// NOTE: added to the path's cost term by term, in this order: a float sum depends on it.
void AddEndCost(const Scene& scene, Vec p, const std::vector<Vec>& foeAt, float& cost) {
    const float wallX = std::min(p.x, game::kFieldWidth - p.x);
    const float wallY = std::min(p.y, game::kFieldHeight - p.y);
    const float room = scene.chased ? kTuning.chasedWallRoom : kTuning.wallRoom;
    if (wallX < room) cost += (room - wallX) * kTuning.wallCost;
    if (wallY < room) cost += (room - wallY) * kTuning.wallCost;
    if (scene.chased) {
        cost += Dist(p, {game::kFieldWidth / 2, game::kFieldHeight / 2}) * kTuning.chasedCentrePull;
    }
    for (std::size_t k = 0; k < scene.foes.size(); ++k) {
        const Foe& f = scene.foes[k];
        const float d = Dist(p, foeAt[k]);
        const float keep =
            f.boss ? kTuning.bossRoom : (f.chase > 0 ? kTuning.chaserRoom : kTuning.foeRoom);
        if (d < keep) cost += (keep - d) * kTuning.foeRoomCost;
    }
    if (scene.havePresent) cost += Dist(p, scene.present) * kTuning.presentPull;
    if (scene.primary && scene.primary->spawn) {
        // A spawn point is best shot from close by, where little gets in the way.
        const float d = Dist(p, scene.primary->p);
        cost += std::fabs(d - kTuning.spawnRange) * kTuning.spawnRangeCost;
        if (LineBlocked(scene, p, scene.primary->p)) cost += kTuning.spawnBlocked;
    } else if (scene.target) {
        const float d = Dist(p, scene.target->p);
        if (!scene.havePresent && d > kTuning.targetRange) {
            cost += (d - kTuning.targetRange) * kTuning.targetRangeCost;
        }
        if (LineBlocked(scene, p, scene.target->p)) cost += kTuning.targetBlocked;
    }
}

// Plays every candidate path forward over the look-ahead (the player's steps pushed out of
// snowballs, bullets and bodies moved as the game moves them) and takes the cheapest.
Plan PlanMove(const Scene& scene) {
    std::vector<Plan> plans;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            plans.push_back({dx, dy, kTuning.horizon});
            if (dx != 0 || dy != 0) plans.push_back({dx, dy, kTuning.shortStep});
        }
    }

    const std::vector<Foe>& foes = scene.foes;
    const std::vector<Ball>& balls = scene.balls;
    const Plan* best = nullptr;
    float bestCost = std::numeric_limits<float>::max();
    std::vector<Vec> foeAt(foes.size());
    std::vector<Shot> shotAt;
    std::vector<char> shotAlive;
    for (const Plan& plan : plans) {
        float cost = 0;
        Vec p = scene.me;
        for (std::size_t k = 0; k < foes.size(); ++k)
            foeAt[k] = foes[k].p;
        shotAt = scene.shots;
        shotAlive.assign(scene.shots.size(), 1);
        for (int t = 1; t <= kTuning.horizon; ++t) {
            const float weight = 1.0f / (1.0f + t / kTuning.fadeFrames);
            if (t <= plan.hold) {
                p.x = std::clamp(p.x + plan.dx * game::kPlayerStep, 0.0f, game::kFieldWidth);
                p.y = std::clamp(p.y + plan.dy * game::kPlayerStep, 0.0f, game::kFieldHeight);
            }
            PushOut(p, balls, kTuning.ballReach);
            // The player is tested against the bullets where the last frame left them.
            for (std::size_t k = 0; k < shotAt.size(); ++k) {
                if (!shotAlive[k]) continue;
                const float dx = std::fabs(shotAt[k].p.x - p.x);
                const float dy = std::fabs(shotAt[k].p.y - p.y);
                if (dx < kTuning.hitX && dy < kTuning.hitY) {
                    cost += kTuning.hitCost * weight;
                    shotAlive[k] = 0;
                } else if (dx < kTuning.grazeX && dy < kTuning.grazeY) {
                    cost += kTuning.grazeCost * weight;
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
                    cost += kTuning.contactCost * weight;
                } else if (d < f.radius + kTuning.nearBody) {
                    cost += (f.radius + kTuning.nearBody - d) * kTuning.nearBodyCost * weight;
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
        AddEndCost(scene, p, foeAt, cost);
        if (cost < bestCost - kTuning.betterBy) {
            bestCost = cost;
            best = &plan;
        }
    }
    return *best;
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
    x = std::clamp(x, 0, game::kArenaWidth - 1);
    y = std::clamp(y, 0, game::kArenaHeight - 1);
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
    Scene scene;
    Observe(scene);
    ChooseTarget(scene);
    const Plan move = PlanMove(scene);
    SetKey(game::kKeyA, move.dx < 0, events);
    SetKey(game::kKeyD, move.dx > 0, events);
    SetKey(game::kKeyW, move.dy < 0, events);
    SetKey(game::kKeyS, move.dy > 0, events);
    AimAndFire(scene, move.dx, move.dy, events);
}

void Autopilot::Observe(Scene& scene) {
    const game::Tplayer& player = *game::player;
    const Vec me{player.x, player.y};
    scene.me = me;

    game::ForEach<game::Tport>(*game::snowballList, [&](game::Tport& s) {
        scene.balls.push_back({{static_cast<float>(s.x), static_cast<float>(s.y)}});
    });

    // Velocities come from where each enemy was at the last flip. The autopilot holds on to
    // the enemies it saw until the next flip, so no new enemy can take a gone one's address.
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
        if (std::fabs(f.v.x) > kTuning.largestStep || std::fabs(f.v.y) > kTuning.largestStep) {
            f.v = {};
        }
        f.chase = ChaseSpeed(e);
        f.radius = ContactRadius(e);
        f.spawn = dynamic_cast<game::TSpawnPoint*>(&e) != nullptr;
        f.boss = dynamic_cast<game::TBoss*>(&e) != nullptr;
        f.enemy = &e;
        scene.foes.push_back(f);
        seen[&e] = {value, e.x, e.y};
    }
    lastSeen_ = std::move(seen);

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
        scene.shots.push_back(s);
    });

    float presentDist = std::numeric_limits<float>::max();
    game::ForEach<game::TPresent>(*game::presentList, [&](game::TPresent& p) {
        if (p.alive != 1) return;
        const Vec at{static_cast<float>(p.x), static_cast<float>(p.y)};
        const float d = Dist(me, at);
        if (d < presentDist) {
            presentDist = d;
            scene.present = at;
            scene.havePresent = true;
        }
    });

    for (const Foe& f : scene.foes) {
        scene.chased =
            scene.chased || (f.chase >= kTuning.chaserSpeed && Dist(me, f.p) < kTuning.chaserRange);
    }
}

void Autopilot::AimAndFire(const Scene& scene, int dx, int dy, std::vector<InputEvent>& events) {
    const Vec me = scene.me;
    const Foe* target = scene.target;
    if (!target) {
        // Nothing to shoot: homing bullets make for the pointer, so keep it away.
        PointAt(static_cast<int>(game::kFieldWidth - me.x),
                static_cast<int>(game::kFieldHeight - me.y), events);
        SetButton(false, events);
        return;
    }
    // Where the player will be when it fires, and where a bullet from there meets the target.
    const Vec from{std::clamp(me.x + dx * game::kPlayerStep, 0.0f, game::kFieldWidth),
                   std::clamp(me.y + dy * game::kPlayerStep, 0.0f, game::kFieldHeight)};
    Vec v = target->v;
    Vec aim = target->p;
    for (int i = 0; i < kTuning.leadRounds; ++i) {
        const float t = Dist(from, aim) / static_cast<float>(game::kStraightSpeed);
        aim = {target->p.x + v.x * t, target->p.y + v.y * t};
    }
    // The game aims from where the player stands before the step, in whole degrees
    // truncated toward zero: point where the truncation gives the nearest whole degree.
    const double wanted = std::atan2(aim.y - from.y, aim.x - from.x) * 180 / kPi;
    // At weapon level 2 the two straight shots go 3 degrees either side of the aim: aim
    // so the second one flies at the target.
    const int offset = game::player->weaponLevel == 2 ? 3 : 0;
    const int degree = static_cast<int>(std::lround(wanted)) - offset;
    const double half = degree >= 0 ? 0.5 : -0.5;
    const double ray = (degree + half) * kPi / 180;
    int px = static_cast<int>(std::lround(aim.x)), py = static_cast<int>(std::lround(aim.y));
    for (double reach = kTuning.farthestAim; reach >= kTuning.nearestAim;
         reach -= kTuning.aimStep) {
        const int cx = static_cast<int>(std::lround(me.x + std::cos(ray) * reach));
        const int cy = static_cast<int>(std::lround(me.y + std::sin(ray) * reach));
        if (cx < 0 || cx >= game::kArenaWidth || cy < 0 || cy >= game::kArenaHeight) continue;
        const double got = std::atan2(cy - me.y, cx - me.x) * 180 / kPi;
        px = cx;
        py = cy;
        if (static_cast<int>(got) == degree) break;
    }
    PointAt(px, py, events);
    SetButton(true, events);
}

}  // namespace sim
