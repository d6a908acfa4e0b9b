// Bosses: phases, volleys, health bar and death.
#include "game/bosses.h"

#include "game/arena.h"
#include "game/menu.h"
#include "game/pickups.h"
#include "game/player.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "graphics/image_font.h"
#include "runtime/math.h"
#include "system/clock.h"

namespace game {

namespace {
constexpr int kGingerPhaseSpin = 2;
constexpr int kGingerPhaseRing = 3;
constexpr int kWreathPhaseRing = 3;

// A new boss set up as its kind says, at (x, y) in enemyList, its bar as wide as its health.
template <class T>
std::shared_ptr<T> PlaceBoss(std::shared_ptr<T> boss, int x, int y) {
    PlaceEnemy(boss, x, y);
    boss->maxHealth = boss->health;
    return boss;
}
}  // namespace

// ---- TBoss ------------------------------------------------------------------------------

TBoss::TBoss() : phaseStart(vdl::Millis()) {}

void TBoss::Fields(FieldVisitor& v) {
    TEnemy::Fields(v);
    v.Field("phase", phase);
    v.Field("phaseStart", phaseStart);
    v.Field("phaseDuration", phaseDuration);
    v.Field("speed", speed);
    v.Field("phaseCount", phaseCount);
    v.Field("maxHealth", maxHealth);
}

void TBoss::NextPhase() {
    phase += 1;
    if (phase > phaseCount) phase = 1;
}

void TBoss::DrawHealthBar() {
    vdl::SetDrawAlpha(0.5f);
    vdl::UseImageFont(font28);
    vdl::SetDrawColor(0, 0, 0);
    vdl::DrawString("Boss Health: ", 50, 570);
    DrawRectOutline(200, 575, maxHealth, 20);
    vdl::SetDrawColor(0, 255, 0);
    // NOTE: one pixel narrower than health, so one point of health shows an empty bar.
    vdl::FillRect(201, 576, static_cast<float>(health - 1), 18);
    vdl::SetDrawAlpha(1.0f);
    vdl::UseImageFont(font32);
    vdl::SetDrawColor(255, 255, 255);
}

void TBoss::CollideAsBoss(bool burstAtBoss) {
    TakePlayerHits(static_cast<float>(angle), false, [&](const Tbullet& bullet) {
        if (burstAtBoss) {
            SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), kBurst8);
        } else {
            SpawnBurst(vdl::TruncToInt(bullet.x), vdl::TruncToInt(bullet.y), kBurst8);
        }
    });
    if (health > 0) return;
    alive = 0;
    SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), kBurst151);
    TPresent::CreateAtRandom();
    TPresent::CreateAtRandom();
    player->AddScore(Kind().points);
    TMessage::Create(vdl::TruncToInt(x - 50), vdl::TruncToInt(y), "BOSS DEFEATED", 100);
}

// ---- Gingerbread man --------------------------------------------------------------------

TGinger::TGinger() {
    phase = kGingerPhaseSpin;
}

void TGinger::Update() {
    Move();
    Collide();
    Fire();
    Draw();
}

void TGinger::Move() {
    if (phase != kGingerPhaseSpin) angle = DirectionToPlayer();
    if (TimerDue(phaseStart, phaseDuration)) {
        NextPhase();
        phaseStart = vdl::Millis();
    }
    if (phase == kGingerPhaseChase) {
        vx = static_cast<float>(vdl::CosDeg(angle) * speed);
        vy = static_cast<float>(vdl::SinDeg(angle) * speed);
    } else {
        vx = 0;
        vy = 0;
    }
    x += vx;
    y += vy;
}

void TGinger::Collide() {
    CollideAsBoss(true);
}

void TGinger::Fire() {
    RunFireTimer();
    if (ready != 1) return;
    const int aim = DirectionToPlayer();
    const int bx = vdl::TruncToInt(x);
    const int by = vdl::TruncToInt(y);
    switch (phase) {
        case kGingerPhaseChase:
            for (const int offset : {-5, 0, 5}) {
                TBasicBullet::Create(bx, by, aim + offset, kEnemyShot);
            }
            break;
        case kGingerPhaseSpin:
            // The facing is frozen in this phase except for these steps: 11 degrees a volley.
            for (int i = 0; i < 11; ++i) {
                angle += 1;
                TBasicBullet::Create(bx, by, angle, kEnemyShot);
            }
            break;
        case kGingerPhaseRing:
            // NOTE: 0 and 360 both: nine bullets, then one more at the facing.
            for (int ring = 0; ring <= 360; ring += 45) {
                TBasicBullet::Create(bx, by, ring, kEnemyShot);
            }
            TBasicBullet::Create(bx, by, angle, kEnemyShot);
            break;
        default:
            break;
    }
    ready = 0;
}

// NOTE: drawn turned by angle + 90, hit-tested turned by angle.
void TGinger::Draw() {
    vdl::SetDrawRotation(static_cast<float>(angle + 90));
    vdl::SetDrawAlpha(1.0f);
    vdl::DrawImageFrame(image, x, y, 0);
    vdl::SetDrawRotation(0);
    DrawHealthBar();
}

std::shared_ptr<TGinger> TGinger::Create(int x, int y, int speed) {
    auto ginger = std::make_shared<TGinger>();
    ginger->speed = speed;
    return PlaceBoss(std::move(ginger), x, y);
}

// ---- Wreath -----------------------------------------------------------------------------

TWreath::TWreath() {
    size = 60;
    phaseDuration = 15000;
    phase = 1;
}

void TWreath::Fields(FieldVisitor& v) {
    TBoss::Fields(v);
    v.Field("lastX", lastX);
    v.Field("lastY", lastY);
}

void TWreath::Update() {
    Move();
    Draw();
    Collide();
    if (TimerDue(phaseStart, phaseDuration)) {
        NextPhase();
        phaseStart = vdl::Millis();
    }
}

void TWreath::SpawnAttack() {
    if (!TimerDue(lastFire, fireDelay)) return;
    lastFire = vdl::Millis();
    const int bx = vdl::TruncToInt(x);
    const int by = vdl::TruncToInt(y);
    TCharger::Create(bx, by);
    THomingBullet::Create(bx, by, kEnemyShot, DirectionToPlayer())->speed = 4;
}

void TWreath::Move() {
    const int aim = DirectionToPlayer();
    vx = static_cast<float>(vdl::CosDeg(aim) * kWreath.chaseSpeed);
    vy = static_cast<float>(vdl::SinDeg(aim) * kWreath.chaseSpeed);
    x += vx;
    y += vy;

    // Held where it was since the last frame (only a snowball does that): a fan of homing
    // bullets. NOTE: this does not restart the timer; the phase attack below does.
    const int bx = vdl::TruncToInt(x);
    const int by = vdl::TruncToInt(y);
    if (lastX == bx && lastY == by && TimerDue(lastFire, fireDelay)) {
        for (int offset = -45; offset <= 45; offset += 5) {
            THomingBullet::Create(bx, by, kEnemyShot, aim + offset);
        }
    }
    lastX = bx;
    lastY = by;

    if (phase == kWreathPhaseRing) {
        if (TimerDue(lastFire, fireDelay)) {
            lastFire = vdl::Millis();
            // NOTE: 0 and 360 both: seven bullets.
            for (int ring = 0; ring <= 360; ring += 60) {
                THomingBullet::Create(bx, by, kEnemyShot, ring);
            }
        }
    } else {
        SpawnAttack();
    }
}

void TWreath::Draw() {
    vdl::DrawImageFrame(images.wreath, x, y, 0);
    DrawHealthBar();
}

void TWreath::Collide() {
    CollideAsBoss(false);
    PushOutOfSnowballs(x, y, vx, vy, size);
}

std::shared_ptr<TWreath> TWreath::Create(int x, int y) {
    return PlaceBoss(std::make_shared<TWreath>(), x, y);
}

}  // namespace game
