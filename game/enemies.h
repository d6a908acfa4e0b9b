// Enemies: the five ordinary kinds, and the base every enemy, spawn point and boss shares.
//
// Every TEnemy lives in enemyList; the level is over when the list is empty. Each frame an
// enemy moves, draws itself, takes hits from the player's bullets, dies when its health is
// spent (scoring for the player) and, if its kind shoots, fires straight bullets on a
// millisecond timer. The enemies pass removes dead enemies, ringing the bell when sound is on.
// What sets the kinds apart (health, points, fire delay, chase speed, image) is the table of
// EnemyKind constants below, one line a kind.
#pragma once

#include <memory>
#include <vector>

#include "game/arena.h"
#include "game/bullets.h"
#include "game/fields.h"
#include "game/world.h"
#include "graphics/image.h"
#include "runtime/math.h"
#include "runtime/object.h"

namespace game {

// One kind of enemy as it starts out.
struct EnemyKind {
    const char* name;                  // in the state listing
    int health;                        // hits it takes
    int points;                        // to the player at its death
    int fireDelay;                     // ms between shots; a spawn point's period is its own
    float chaseSpeed;                  // pixels a frame toward the player, when it walks at it
    vdl::ImageRef GameImages::*image;  // what it looks like and how it is hit
};

// NOTE: kinds that never fire keep the default delay of 2000 ms, which their timers still run
// on; the snowman fires only one time in 500 once its 2000 ms are up. Only a tree made to move
// walks; the snowman and the ornament move in ways of their own, and the gingerbread man's
// chase speed is set per level (TBoss::speed).
// clang-format off
//                                   name        health  points  fireDelay  chaseSpeed  image
inline constexpr EnemyKind kSnowman{"snowman",   2,      10,     2000,      0,          &GameImages::snowman};
inline constexpr EnemyKind kTree{"tree",         3,      50,     750,       2,          &GameImages::tree};
inline constexpr EnemyKind kHat{"hat",           4,      25,     2000,      1,          &GameImages::hat};
inline constexpr EnemyKind kBell{"bell",         4,      60,     300,       1.1f,       &GameImages::bell};
inline constexpr EnemyKind kOrnament{"ornament", 3,      20,     2000,      0,          &GameImages::ornament};
inline constexpr EnemyKind kSpawnPoint{"spawn",  25,     0,      0,         0,          &GameImages::spawn};
inline constexpr EnemyKind kGinger{"ginger",     150,    200,    200,       0,          &GameImages::gingerbread};
inline constexpr EnemyKind kWreath{"wreath",     500,    400,    2000,      3,          &GameImages::wreath};
// clang-format on

// A player's bullet in bulletList, in list order, where the hit tests see it.
struct PlayerShot {
    Tbullet* bullet;
    int x, y;  // truncated position
    int band;
};

// Every player bullet in bulletList, dead ones included, in list order.
std::vector<PlayerShot> PlayerShots();

class TEnemy : public vdl::Object {
public:
    float x = 0;
    float y = 0;
    int angle = 0;  // facing in whole degrees; also used for drawing and hit tests
    float vx = 0;
    float vy = 0;
    int alive = 1;
    int health = 2;
    vdl::ImageRef image;
    int fireDelay = 2000;
    int ready = 0;     // 1 once the fire timer has run out and no shot has been taken
    int lastFire = 0;  // 0: ready in the first frame
    int size = 6;      // for the snowball push-out

    virtual void Update() = 0;
    // Its kind: health, points, fire delay, chase speed and image as it starts out.
    virtual const EnemyKind& Kind() const = 0;
    // Every field that lasts from frame to frame.
    virtual void Fields(FieldVisitor& v);

    // The enemies pass: live enemies update, dead ones are removed with the bell; then
    // rotation 0 and alpha 1.
    static void UpdateAll();

    // NOTE: while the enemies pass runs, the player's bullets it tests against every enemy,
    // gathered once at its start: bullets do not move during the pass, and no player bullet
    // joins or leaves bulletList in it (enemies only fire bullets of their own). Null
    // otherwise, and each hit test gathers them itself.
    static const std::vector<PlayerShot>* passShots;

protected:
    // The whole-degree direction toward the player.
    int DirectionToPlayer() const;
    // Sets ready (and restarts the timer) when the fire timer has run out.
    void RunFireTimer();
    // Every player bullet that overlaps this enemy's image, turned by rotation, dies and
    // takes its damage off health; hit(bullet) then makes the particles. With bandTest the
    // bullets in the other half of the screen are skipped first.
    template <class Hit>
    void TakePlayerHits(float rotation, bool bandTest, Hit&& hit);
    // The death of an ordinary enemy: 16 particles and its kind's points to the player.
    void DieIfSpent();
    // The Collide of the five ordinary kinds: hits turned by rotation, bursting 16 particles
    // at the bullet (the snowman: 8 at itself), then death.
    void CollideAsEnemy(float rotation);
};

// Sets a new enemy up as its kind says, puts it at (x, y) and appends it to enemyList.
template <class T>
std::shared_ptr<T> PlaceEnemy(std::shared_ptr<T> enemy, int x, int y) {
    const EnemyKind& kind = enemy->Kind();
    enemy->x = static_cast<float>(x);
    enemy->y = static_cast<float>(y);
    enemy->health = kind.health;
    enemy->fireDelay = kind.fireDelay;
    enemy->image = images.*kind.image;
    enemyList->Append(enemy);
    return enemy;
}

// The snowman: wanders from one random point to the next, covering a seventieth of the way
// each frame.
class TBasicEnemy : public TEnemy {
public:
    int destX = 0;
    int destY = 0;
    int needDest = 1;

    void Update() override;
    const EnemyKind& Kind() const override { return kSnowman; }
    void Fields(FieldVisitor& v) override;
    virtual void Move();
    virtual void Collide();
    // Half transparent per point of health lost.
    virtual void Draw();
    virtual void Fire();

    static std::shared_ptr<TBasicEnemy> Create(int x, int y);
};

// The Christmas tree: faces the player, walks toward it at 2 pixels a frame when moves is 1.
class Tshooter : public TEnemy {
public:
    int moves = 0;

    void Update() override;
    const EnemyKind& Kind() const override { return kTree; }
    void Fields(FieldVisitor& v) override;
    virtual void Move();
    virtual void Draw();
    virtual void Collide();
    virtual void Fire();

    static std::shared_ptr<Tshooter> Create(int x, int y, int moves);
};

// The Santa hat: follows the player at one pixel a frame.
class TCharger : public TEnemy {
public:
    void Update() override;
    const EnemyKind& Kind() const override { return kHat; }
    virtual void Move();
    virtual void Draw();
    virtual void Collide();

    static std::shared_ptr<TCharger> Create(int x, int y);
};

// The Christmas bell: drifts toward the player while it spins 3 degrees a frame, firing along
// its spin.
class TRoundShooter : public TEnemy {
public:
    void Update() override;
    const EnemyKind& Kind() const override { return kBell; }
    virtual void Move();
    virtual void Draw();
    virtual void Collide();
    virtual void Fire();

    static std::shared_ptr<TRoundShooter> Create(int x, int y);
};

// The ornament: bounces off the borders and the snowballs at a constant random speed.
class TBouncer : public TEnemy {
public:
    void Update() override;
    const EnemyKind& Kind() const override { return kOrnament; }
    virtual void Move();
    virtual void Collide();
    virtual void Draw();

    static std::shared_ptr<TBouncer> Create(int x, int y);
};

template <class Hit>
void TEnemy::TakePlayerHits(float rotation, bool bandTest, Hit&& hit) {
    std::vector<PlayerShot> gathered;
    const std::vector<PlayerShot>& shots = passShots ? *passShots : (gathered = PlayerShots());
    const int ex = vdl::TruncToInt(x);
    const int ey = vdl::TruncToInt(y);
    const int band = ScreenBand(ex, ey);
    for (const PlayerShot& shot : shots) {
        if (bandTest && shot.band != band) continue;
        if (!SpritesOverlap(image, ex, ey, rotation, shot.bullet->image, shot.x, shot.y, 0)) {
            continue;
        }
        shot.bullet->alive = 0;
        health -= shot.bullet->damage;
        hit(*shot.bullet);
    }
}

}  // namespace game
