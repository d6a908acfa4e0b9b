// Bullets: straight and homing shots.
#include "game/bullets.h"

#include "game/arena.h"
#include "game/enemies.h"
#include "game/player.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "runtime/math.h"
#include "system/polled_input.h"

namespace game {

namespace {
bool OffField(float x, float y) {
    return x < 0 || x > kFieldWidth || y < 0 || y > kFieldHeight;
}

// Kills the bullet once per snowball it is within reach of, with 16 particles each time.
void StopAtSnowballs(Tbullet& bullet) {
    ForEach<Tport>(*snowballList, [&](Tport& snowball) {
        if (Distance(bullet.x, bullet.y, snowball.x, snowball.y) < kSnowballStop) {
            bullet.alive = 0;
            SpawnBurst(vdl::TruncToInt(bullet.x), vdl::TruncToInt(bullet.y), kBurst16);
        }
    });
}

// The whole-degree direction from (x, y) toward (toX, toY).
int DirectionTo(float x, float y, float toX, float toY) {
    return vdl::TruncToInt(vdl::ATan2Deg(toY - y, toX - x));
}
}  // namespace

int TurnToward(int heading, int wanted) {
    if (wanted < 0) wanted += 360;
    int d = wanted - heading;
    if (d < 0) d += 360;
    // One degree toward the shorter side, with a dead zone of two degrees either way.
    if (d > 180 && d < 358) {
        heading -= 1;
    } else if (d > 2 && d <= 180) {
        heading += 1;
    }
    if (heading < 0) {
        heading += 360;
    } else if (heading >= 360) {
        heading -= 360;
    }
    return heading;
}

void Tbullet::UpdateAll() {
    RunPass<Tbullet>(*bulletList);
}

// ---- Straight bullets -------------------------------------------------------------------

void TBasicBullet::Update() {
    Move();
    Draw();
}

void TBasicBullet::Move() {
    x += vx;
    y += vy;
    StopAtSnowballs(*this);
    if (OffField(x, y)) {
        alive = 0;
        SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), kBurst16);
    }
}

void TBasicBullet::Draw() {
    vdl::DrawImageFrame(image, x, y, 0);
}

void Tbullet::Fields(FieldVisitor& v) {
    v.Field("x", x);
    v.Field("y", y);
    v.Field("vx", vx);
    v.Field("vy", vy);
    v.Field("owner", owner);
    v.Field("damage", damage);
    v.Field("alive", alive);
}

std::shared_ptr<TBasicBullet> TBasicBullet::Create(int x, int y, int angle, int owner) {
    auto bullet = std::make_shared<TBasicBullet>();
    bullet->x = static_cast<float>(x);
    bullet->y = static_cast<float>(y);
    bullet->vx = static_cast<float>(vdl::CosDeg(angle) * kStraightSpeed);
    bullet->vy = static_cast<float>(vdl::SinDeg(angle) * kStraightSpeed);
    bullet->owner = owner;
    bullet->damage = 1;
    bullet->image = owner == kPlayerShot ? images.redBall : images.ball;
    bulletList->Append(bullet);
    return bullet;
}

// ---- Homing bullets ---------------------------------------------------------------------

void THomingBullet::Update() {
    Move();
    Draw();
}

void THomingBullet::Move() {
    if (!enemyList->Empty()) {
        if (!target || target->alive == 0) target = FindTarget();
        int wanted = 0;
        if (owner == kEnemyShot) {
            wanted = DirectionTo(x, y, player->x, player->y);
        } else if (target) {
            wanted = DirectionTo(x, y, target->x, target->y);
        }
        heading = TurnToward(heading, wanted);
        if (OffField(x, y)) {
            alive = 0;
            SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), kBurst8);
        }
    } else {
        // The level is cleared: every homing bullet, either side's, makes for the pointer.
        const int px = vdl::PointerX();
        const int py = vdl::PointerY();
        heading = DirectionTo(x, y, static_cast<float>(px), static_cast<float>(py));
        if (Distance(static_cast<float>(px), static_cast<float>(py), x, y) < 2) {
            alive = 0;
            SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), kBurst8);
        }
    }
    vx = static_cast<float>(vdl::CosDeg(heading) * speed);
    vy = static_cast<float>(vdl::SinDeg(heading) * speed);
    x += vx;
    y += vy;
    StopAtSnowballs(*this);
}

void THomingBullet::Fields(FieldVisitor& v) {
    Tbullet::Fields(v);
    v.Field("target", target);
    v.Field("heading", heading);
    v.Field("speed", speed);
}

std::shared_ptr<TEnemy> THomingBullet::FindTarget() {
    vdl::ObjectRef nearest;
    int nearestDistance = 0;
    vdl::TListEnum walker = enemyList->Walker();
    while (walker.HasMore()) {
        vdl::ObjectRef value = walker.Take();
        const auto* enemy = dynamic_cast<const TEnemy*>(value.get());
        if (!enemy) continue;
        const int d = Distance(enemy->x, enemy->y, x, y);
        if (!nearest || d < nearestDistance) {
            nearest = std::move(value);
            nearestDistance = d;
        }
    }
    return std::static_pointer_cast<TEnemy>(nearest);
}

void THomingBullet::Draw() {
    vdl::SetDrawRotation(static_cast<float>(heading));
    vdl::DrawImageFrame(image, x, y, 0);
    vdl::SetDrawRotation(0);
}

std::shared_ptr<THomingBullet> THomingBullet::Create(int x, int y, int owner, int angle) {
    auto bullet = std::make_shared<THomingBullet>();
    bullet->x = static_cast<float>(x);
    bullet->y = static_cast<float>(y);
    bullet->damage = 1;
    if (owner == kPlayerShot) {
        bullet->image = images.homing;
        if (!enemyList->Empty()) bullet->target = bullet->FindTarget();
        bullet->heading = angle == kAlongAim ? player->aimAngle : angle;
    } else {
        bullet->image = images.enemyHoming;
        bullet->heading = angle;
    }
    bullet->owner = owner;
    bulletList->Append(bullet);
    return bullet;
}

}  // namespace game
