// The player: the candy cane.
//
// One Tplayer lives for the whole run. Each frame it draws its present ring, moves 4 pixels
// per held axis (A wins over D, W over S), aims at the pointer, is pushed out of snowballs,
// takes hits from enemy bullets and enemies it touches, collects presents, draws itself and
// fires: the left button a pattern that widens with the weapon level, the right button one
// homing bullet, at most once per 205 ms. Every fifth present raises the weapon level (up to
// 5). It also keeps the score, the score shown by the HUD (counting up a point a frame), the
// lives and the health.
#pragma once

#include <memory>

#include "game/pickups.h"
#include "runtime/object.h"

namespace game {

// The pixels a frame the player moves along each axis whose key is held.
constexpr float kPlayerStep = 4;

class Tplayer : public vdl::Object {
public:
    float x = 0;
    float y = 0;
    float vx = 0;
    float vy = 0;
    int size = 15;
    int fireDelay = 200;
    int lastShot;  // Millis() at construction
    int canFire = 1;
    int aimAngle = 0;
    int score = 0;
    int shownScore = 0;
    int lives = 3;
    int health = 6;
    std::shared_ptr<TPresentLoop> presentLoop = std::make_shared<TPresentLoop>();
    int weaponLevel = 1;
    int lifeLost = 0;  // set by the life-lost screen, cleared by the play loop

    Tplayer();

    // Every field that lasts from frame to frame, the present ring's included.
    void Fields(FieldVisitor& v);

    // Ring, Move, Collide, Draw, HandleFiring, the weapon upgrade, the score count-up.
    virtual void Update();
    // The mouse buttons and the refire timer.
    virtual void HandleFiring();
    // The straight-shot pattern of the weapon level.
    virtual void Fire();
    // Aim, the W/A/S/D step, and the clamp to the field.
    virtual void Move();
    // Snowballs, enemy bullets, death and game over, presents, enemy contact.
    virtual void Collide();
    // The candy cane turned to the aim.
    virtual void Draw();
    virtual void SetPosition(int x, int y);
    virtual void AddScore(int points);
};

}  // namespace game
