// Bullets: every shot of both sides, in bulletList.
//
// A bullet moves itself, dies on snowballs and at the border, and draws itself; it never
// looks for victims. The player tests enemy bullets (owner 2) against itself, and every enemy,
// boss and spawn point tests the player's bullets (owner 1). Straight bullets fly at 5 pixels
// a frame; homing bullets turn at most one degree a frame toward their target (the nearest
// enemy for the player's, the player for the enemies'), or, once no enemy is left, straight
// at the mouse pointer.
#pragma once

#include <memory>

#include "game/fields.h"
#include "graphics/image.h"
#include "runtime/object.h"

namespace game {

class TEnemy;

constexpr int kPlayerShot = 1;  // owner of the player's bullets
constexpr int kEnemyShot = 2;   // owner of the enemies' bullets
// The angle that tells a player's homing bullet to start along the player's aim.
constexpr int kAlongAim = 500;
// A straight bullet's pixels a frame.
constexpr double kStraightSpeed = 5.0;
// A bullet this close to a snowball's centre, by truncated distance, dies.
constexpr int kSnowballStop = 20;

// A homing bullet's turn in one frame: one degree from heading (0..359) toward the whole-degree
// direction wanted (-180..180), along the shorter way round, none within two degrees of it.
// Returns the new heading, 0..359.
int TurnToward(int heading, int wanted);

class Tbullet : public vdl::Object {
public:
    float x = 0;
    float y = 0;
    float vx = 0;
    float vy = 0;
    int owner = 0;
    int damage = 0;
    int alive = 1;
    vdl::ImageRef image;

    // Move, then Draw.
    virtual void Update() = 0;
    // "straight" or "homing", in the state listing.
    virtual const char* Kind() const = 0;
    // Every field that lasts from frame to frame.
    virtual void Fields(FieldVisitor& v);

    // The bullets pass: live bullets update, dead ones are removed.
    static void UpdateAll();
};

class TBasicBullet : public Tbullet {
public:
    void Update() override;
    const char* Kind() const override { return "straight"; }
    // Five pixels along the angle; dies within 20 of a snowball's centre or off the field.
    virtual void Move();
    virtual void Draw();

    // A straight bullet from (x, y) along angle, appended to bulletList.
    static std::shared_ptr<TBasicBullet> Create(int x, int y, int angle, int owner);
};

class THomingBullet : public Tbullet {
public:
    std::shared_ptr<TEnemy> target;
    int heading = 0;
    int speed = 3;

    void Update() override;
    const char* Kind() const override { return "homing"; }
    void Fields(FieldVisitor& v) override;
    // Turns and moves; see bullets.cpp.
    virtual void Move();
    // The nearest enemy by truncated distance; ties go to the earlier one in enemyList.
    virtual std::shared_ptr<TEnemy> FindTarget();
    // Drawn turned to its heading.
    virtual void Draw();

    // A homing bullet from (x, y); NOTE: the arguments run owner, then angle. A player's
    // bullet created with angle kAlongAim starts along the player's aim.
    static std::shared_ptr<THomingBullet> Create(int x, int y, int owner, int angle);
};

}  // namespace game
