// The player.
#include "game/player.h"

#include <vector>

#include "game/arena.h"
#include "game/bullets.h"
#include "game/enemies.h"
#include "game/screens.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "runtime/math.h"
#include "system/clock.h"
#include "system/polled_input.h"

namespace game {

namespace {
constexpr int kMaxWeaponLevel = 5;
constexpr int kPresentsPerUpgrade = 5;

// What one press of the left button fires at each weapon level: straight bullets at these
// offsets from the aim, then homing bullets at these offsets (kAlongAim: along the aim).
struct WeaponPattern {
    std::vector<int> straight;
    std::vector<int> homing;
};
const WeaponPattern kWeaponPatterns[kMaxWeaponLevel] = {
    {{0}, {}}, {{-3, 3}, {}}, {{-5, 0, 5}, {}}, {{-5, 0, 5}, {kAlongAim}}, {{-5, 0, 5}, {45, -45}},
};
}  // namespace

Tplayer::Tplayer() : lastShot(vdl::Millis()) {}

void Tplayer::Fields(FieldVisitor& v) {
    v.Field("x", x);
    v.Field("y", y);
    v.Field("vx", vx);
    v.Field("vy", vy);
    v.Field("size", size);
    v.Field("fireDelay", fireDelay);
    v.Field("lastShot", lastShot);
    v.Field("canFire", canFire);
    v.Field("aimAngle", aimAngle);
    v.Field("score", score);
    v.Field("shownScore", shownScore);
    v.Field("lives", lives);
    v.Field("health", health);
    v.Field("weaponLevel", weaponLevel);
    v.Field("lifeLost", lifeLost);
    v.Field("presentLoop.spin", presentLoop->spin);
    v.Field("presentLoop.count", presentLoop->count);
}

void Tplayer::Update() {
    presentLoop->DrawAround(vdl::TruncToInt(x), vdl::TruncToInt(y));
    Move();
    Collide();
    Draw();
    HandleFiring();
    if (presentLoop->count >= kPresentsPerUpgrade) {
        presentLoop->Reset();
        weaponLevel += 1;
        TMessage::Create(vdl::TruncToInt(x - 25), vdl::TruncToInt(y),
                         weaponLevel >= kMaxWeaponLevel ? "MAXIMUM!" : "UPGRADE!", 100);
    }
    if (shownScore < score) shownScore += 1;
}

// NOTE: the timer restarts 5 ms late and is tested once a frame, so shots come at most every
// 205 ms plus up to a frame, whether or not a button is held. The left button wins.
void Tplayer::HandleFiring() {
    if (weaponLevel > kMaxWeaponLevel) weaponLevel = kMaxWeaponLevel;
    if (vdl::IsMouseDown(kLeftButton) && canFire == 1) {
        Fire();
        canFire = 0;
    }
    if (vdl::IsMouseDown(kRightButton) && canFire == 1) {
        THomingBullet::Create(vdl::TruncToInt(x), vdl::TruncToInt(y), kPlayerShot, kAlongAim);
        canFire = 0;
    }
    if (TimerDue(lastShot, fireDelay)) {
        lastShot = vdl::WrapAdd(vdl::Millis(), 5);
        canFire = 1;
    }
}

void Tplayer::Fire() {
    const int bx = vdl::TruncToInt(x);
    const int by = vdl::TruncToInt(y);
    const WeaponPattern& pattern = kWeaponPatterns[weaponLevel - 1];
    for (const int offset : pattern.straight) {
        TBasicBullet::Create(bx, by, aimAngle + offset, kPlayerShot);
    }
    for (const int offset : pattern.homing) {
        THomingBullet::Create(bx, by, kPlayerShot,
                              offset == kAlongAim ? kAlongAim : aimAngle + offset);
    }
}

void Tplayer::Move() {
    aimAngle = vdl::TruncToInt(vdl::ATan2Deg(vdl::PointerY() - y, vdl::PointerX() - x));
    if (vdl::IsKeyDown(kKeyA)) {
        vx -= kPlayerStep;
    } else if (vdl::IsKeyDown(kKeyD)) {
        vx += kPlayerStep;
    }
    if (vdl::IsKeyDown(kKeyW)) {
        vy -= kPlayerStep;
    } else if (vdl::IsKeyDown(kKeyS)) {
        vy += kPlayerStep;
    }
    x += vx;
    y += vy;
    vx = 0;
    vy = 0;
    if (x < 0) {
        x = 0;
    } else if (x > kFieldWidth) {
        x = kFieldWidth;
    }
    if (y < 0) {
        y = 0;
    } else if (y > kFieldHeight) {
        y = kFieldHeight;
    }
}

void Tplayer::Collide() {
    PushOutOfSnowballs(x, y, vx, vy, size);

    // Enemy bullets, tested with the candy cane unturned.
    const int px = vdl::TruncToInt(x);
    const int py = vdl::TruncToInt(y);
    const int band = ScreenBand(px, py);
    ForEach<Tbullet>(*bulletList, [&](Tbullet& bullet) {
        if (bullet.owner != kEnemyShot) return;
        const int bx = vdl::TruncToInt(bullet.x);
        const int by = vdl::TruncToInt(bullet.y);
        if (ScreenBand(bx, by) != band) return;
        if (!SpritesOverlap(images.candycane, px, py, 0, bullet.image, bx, by, 0)) return;
        bullet.alive = 0;
        health -= bullet.damage;
        SpawnBurst(bx, by, kBurst8);
    });

    if (health <= 0) {
        lives -= 1;
        SpawnBurst(px, py, kBurst51);
        health = 6;
        SetPosition(400, 300);
        enemyList->RemoveAll();
        levelNumber -= 1;
        LifeLostScreen();
    }
    if (lives <= 0) {
        presentLoop->Reset();
        GameOverScreen();
    }

    // Presents and enemies are tested with the candy cane turned to its aim, where it now is.
    const int cx = vdl::TruncToInt(x);
    const int cy = vdl::TruncToInt(y);
    const float turn = static_cast<float>(aimAngle - 90);
    ForEach<TPresent>(*presentList, [&](TPresent& present) {
        if (!SpritesOverlap(images.candycane, cx, cy, turn, images.present, present.x, present.y,
                            0)) {
            return;
        }
        present.Collect();
        presentLoop->AddPresent();
    });
    // NOTE: every enemy is tested turned by its angle + 90, also those drawn unturned.
    ForEach<TEnemy>(*enemyList, [&](TEnemy& enemy) {
        const int ex = vdl::TruncToInt(enemy.x);
        const int ey = vdl::TruncToInt(enemy.y);
        if (!SpritesOverlap(images.candycane, cx, cy, turn, enemy.image, ex, ey,
                            static_cast<float>(enemy.angle + 90))) {
            return;
        }
        enemy.health -= 2;
        health -= 1;
        SpawnBurst(ex, ey, kBurst16);
    });
}

void Tplayer::Draw() {
    vdl::SetDrawRotation(static_cast<float>(aimAngle - 90));
    vdl::DrawImageFrame(images.candycane, static_cast<float>(vdl::TruncToInt(x)),
                        static_cast<float>(vdl::TruncToInt(y)), 0);
    vdl::SetDrawRotation(0);
}

void Tplayer::SetPosition(int newX, int newY) {
    x = static_cast<float>(newX);
    y = static_cast<float>(newY);
}

void Tplayer::AddScore(int points) {
    score += points;
}

}  // namespace game
