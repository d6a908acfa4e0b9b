// Presents, the present ring, spawn points and floating messages.
//
// Destroyed spawn points (one) and bosses (two) drop presents at random places; the player
// collects them into the ring that circles it, and every fifth raises its weapon. A spawn
// point is an enemy that neither moves nor shoots but produces an enemy of its kind every
// period until it is shot down. Messages ("UPGRADE!", "MAXIMUM!", "BOSS DEFEATED") rise a
// pixel a frame and fade out.
#pragma once

#include <memory>
#include <string>

#include "game/enemies.h"
#include "runtime/object.h"

namespace game {

class TPresent : public vdl::Object {
public:
    int x = 0;
    int y = 0;
    int alive = 1;

    // Every field that lasts from frame to frame.
    void Fields(FieldVisitor& v);
    // Draws the present.
    virtual void Update();
    virtual void Draw();
    // Marks the present collected; the next presents pass removes it.
    virtual void Collect();

    // A new present at (x, y), appended to presentList.
    static std::shared_ptr<TPresent> Create(int x, int y);
    // A new present anywhere with x 1..800 and y 1..600.
    static std::shared_ptr<TPresent> CreateAtRandom();
    // The presents pass: live presents draw, collected ones are removed.
    static void UpdateAll();
};

// The ring of collected presents around the player.
class TPresentLoop : public vdl::Object {
public:
    int spin = 0;   // degrees, 0..360
    int count = 0;  // presents toward the next upgrade

    // Draws count presents evenly around (x, y) at radius 15 and turns the ring a degree.
    virtual void DrawAround(int x, int y);
    virtual void AddPresent();
    virtual void Reset();
};

// Kinds of enemy a spawn point produces.
constexpr int kSpawnOrnament = 1;
constexpr int kSpawnHat = 2;
constexpr int kSpawnBell = 3;
constexpr int kSpawnWalkingTree = 4;
constexpr int kSpawnSnowman = 5;

class TSpawnPoint : public TEnemy {
public:
    int kind = 0;  // kSpawnOrnament ... kSpawnSnowman; anything else produces nothing

    // Draw, CheckTimer, Collide.
    void Update() override;
    const EnemyKind& Kind() const override { return kSpawnPoint; }
    void Fields(FieldVisitor& v) override;
    // Spawns when the period (fireDelay) has passed since the last spawn (lastFire).
    virtual void CheckTimer();
    // One enemy of the kind at the spawn point; it joins enemyList behind the spawn point.
    virtual void Spawn();
    // Drawn with whatever colour, alpha and rotation the object before it left.
    virtual void Draw();
    // Player bullets in its band hurt it, even ones already spent on a spawn point on the same
    // spot; at 0 health it dies and drops a present.
    virtual void Collide();

    static std::shared_ptr<TSpawnPoint> Create(int x, int y, int kind, int period);
};

class TMessage : public vdl::Object {
public:
    int x = 0;
    int y = 0;
    std::string text;
    float life = 0;  // frames left; the text is drawn at alpha life / 100
    int alive = 1;

    // Every field that lasts from frame to frame.
    void Fields(FieldVisitor& v);
    // Draws while life is left, then rises a pixel and loses a frame of life.
    virtual void Update();

    // A new message appended to messageList.
    static std::shared_ptr<TMessage> Create(int x, int y, const std::string& text, float life);
    // The messages pass.
    static void UpdateAll();
};

}  // namespace game
