// Bosses: the gingerbread man and the Christmas wreath.
//
// A boss is an enemy that cycles through three attack phases on a timer, draws a health bar
// at the bottom of the screen, and on death drops two presents, scores and shows
// "BOSS DEFEATED". The gingerbread man starts in phase 2 and advances every 5 s
// (2 -> 3 -> 1 -> 2): a turning fan of eleven bullets, a ring, then a chase with three-bullet
// spreads. The wreath walks at the player and advances every 15 s (1 -> 2 -> 3): two phases of
// spawning hats with an aimed homing bullet, then rings of homing bullets; held by a snowball,
// it also fires a fan of nineteen homing bullets whenever its timer runs out.
#pragma once

#include <memory>

#include "game/enemies.h"

namespace game {

// The gingerbread man's chase, the phase in which it walks at the player at its speed.
constexpr int kGingerPhaseChase = 1;

class TBoss : public TEnemy {
public:
    int phase = 0;
    int phaseStart;  // Millis() at construction
    int phaseDuration = 5000;
    int speed = 0;
    int phaseCount = 3;
    int maxHealth = 0;  // also the width of the health bar's frame

    TBoss();

    void Update() override = 0;
    void Fields(FieldVisitor& v) override;
    // The next phase, 1 after the last.
    virtual void NextPhase();
    // "Boss Health: " and the bar, half transparent, at the bottom of the screen.
    virtual void DrawHealthBar();

protected:
    // Every player bullet overlapping the boss (no band test) dies and takes its damage; 8
    // particles at the boss or at the bullet. Then the boss's death, worth its kind's points.
    void CollideAsBoss(bool burstAtBoss);
};

class TGinger : public TBoss {
public:
    TGinger();

    void Update() override;
    const EnemyKind& Kind() const override { return kGinger; }
    virtual void Move();
    virtual void Collide();
    virtual void Fire();
    virtual void Draw();

    static std::shared_ptr<TGinger> Create(int x, int y, int speed);
};

class TWreath : public TBoss {
public:
    int lastX = 0;  // truncated position after the previous Move
    int lastY = 0;

    TWreath();

    void Update() override;
    const EnemyKind& Kind() const override { return kWreath; }
    void Fields(FieldVisitor& v) override;
    // Every two seconds: a hat at the wreath and a fast homing bullet at the player.
    virtual void SpawnAttack();
    virtual void Move();
    virtual void Draw();
    virtual void Collide();

    static std::shared_ptr<TWreath> Create(int x, int y);
};

}  // namespace game
