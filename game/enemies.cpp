// Enemies: the shared base and the five ordinary kinds.
#include "game/enemies.h"

#include "game/arena.h"
#include "game/player.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "runtime/math.h"
#include "system/random.h"

namespace game {

namespace {
// Draws the enemy's image at its position turned by rotation, then sets rotation 0 again.
void DrawTurned(const TEnemy& enemy, float rotation) {
    vdl::SetDrawRotation(rotation);
    vdl::DrawImageFrame(enemy.image, enemy.x, enemy.y, 0);
    vdl::SetDrawRotation(0);
}
}  // namespace

// ---- TEnemy -----------------------------------------------------------------------------

std::vector<PlayerShot> PlayerShots() {
    std::vector<PlayerShot> shots;
    ForEach<Tbullet>(*bulletList, [&](Tbullet& bullet) {
        if (bullet.owner != kPlayerShot) return;
        const int x = vdl::TruncToInt(bullet.x);
        const int y = vdl::TruncToInt(bullet.y);
        shots.push_back({&bullet, x, y, ScreenBand(x, y)});
    });
    return shots;
}

const std::vector<PlayerShot>* TEnemy::passShots = nullptr;

void TEnemy::Fields(FieldVisitor& v) {
    v.Field("x", x);
    v.Field("y", y);
    v.Field("vx", vx);
    v.Field("vy", vy);
    v.Field("angle", angle);
    v.Field("alive", alive);
    v.Field("health", health);
    v.Field("fireDelay", fireDelay);
    v.Field("ready", ready);
    v.Field("lastFire", lastFire);
    v.Field("size", size);
}

void TEnemy::UpdateAll() {
    const std::vector<PlayerShot> shots = PlayerShots();
    passShots = &shots;
    // Cleared however the pass ends (a screen inside it may be left by an error).
    struct PassEnd {
        ~PassEnd() { passShots = nullptr; }
    } passEnd;
    RunPass<TEnemy>(*enemyList, [](TEnemy&) {
        // A voice of its own that frees itself when the bell has rung out.
        if (soundOn == kSoundOn) vdl::PlaySoundOn(bellSound, nullptr);
    });
    vdl::SetDrawRotation(0);
    vdl::SetDrawAlpha(1.0f);
}

int TEnemy::DirectionToPlayer() const {
    return vdl::TruncToInt(vdl::ATan2Deg(player->y - y, player->x - x));
}

void TEnemy::RunFireTimer() {
    if (TimerDue(lastFire, fireDelay)) {
        ready = 1;
        lastFire = vdl::Millis();
    }
}

void TEnemy::DieIfSpent() {
    if (health > 0) return;
    alive = 0;
    SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), kBurst16);
    player->AddScore(Kind().points);
}

void TEnemy::CollideAsEnemy(float rotation) {
    TakePlayerHits(rotation, true, [](const Tbullet& bullet) {
        SpawnBurst(vdl::TruncToInt(bullet.x), vdl::TruncToInt(bullet.y), kBurst16);
    });
    DieIfSpent();
}

// ---- Snowman ----------------------------------------------------------------------------

void TBasicEnemy::Update() {
    Move();
    Draw();
    Collide();
    Fire();
}

void TBasicEnemy::Move() {
    if (Distance(static_cast<float>(destX), static_cast<float>(destY), x, y) < 5) needDest = 1;
    if (x == destX && y == destY) needDest = 1;
    if (needDest == 1) {
        destX = vdl::RandomInt(1, kArenaWidth);
        destY = vdl::RandomInt(1, kArenaHeight);
        needDest = 0;
    }
    x += (destX - x) / 70;
    y += (destY - y) / 70;
}

void TBasicEnemy::Collide() {
    TakePlayerHits(0, true, [this](const Tbullet&) {
        SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), kBurst8);
    });
    DieIfSpent();
}

void TBasicEnemy::Draw() {
    vdl::SetDrawAlpha(static_cast<float>(0.5 * health));
    vdl::DrawImageFrame(image, x, y, 0);
    vdl::SetDrawAlpha(1.0f);
}

void TBasicEnemy::Fire() {
    RunFireTimer();
    // NOTE: the one-in-500 draw is only made while ready.
    if (ready == 1 && vdl::RandomInt(1, 500) == 1) {
        const int aim = DirectionToPlayer();
        TBasicBullet::Create(vdl::TruncToInt(x), vdl::TruncToInt(y), aim + vdl::RandomInt(-10, 10),
                             kEnemyShot);
        ready = 0;
    }
}

std::shared_ptr<TBasicEnemy> TBasicEnemy::Create(int x, int y) {
    return PlaceEnemy(std::make_shared<TBasicEnemy>(), x, y);
}

void TBasicEnemy::Fields(FieldVisitor& v) {
    TEnemy::Fields(v);
    v.Field("destX", destX);
    v.Field("destY", destY);
    v.Field("needDest", needDest);
}

// ---- Christmas tree ---------------------------------------------------------------------

void Tshooter::Update() {
    Move();
    Draw();
    Collide();
    Fire();
}

void Tshooter::Move() {
    angle = DirectionToPlayer();
    if (moves == 1) {
        x += vdl::CosDeg(angle) * kTree.chaseSpeed;
        y += vdl::SinDeg(angle) * kTree.chaseSpeed;
    }
}

void Tshooter::Draw() {
    DrawTurned(*this, static_cast<float>(angle + 90));
}

void Tshooter::Collide() {
    CollideAsEnemy(static_cast<float>(angle + 90));
}

void Tshooter::Fire() {
    RunFireTimer();
    if (ready == 1) {
        TBasicBullet::Create(vdl::TruncToInt(x), vdl::TruncToInt(y), DirectionToPlayer(),
                             kEnemyShot);
        ready = 0;
    }
}

std::shared_ptr<Tshooter> Tshooter::Create(int x, int y, int moves) {
    auto tree = std::make_shared<Tshooter>();
    tree->moves = moves;
    return PlaceEnemy(std::move(tree), x, y);
}

void Tshooter::Fields(FieldVisitor& v) {
    TEnemy::Fields(v);
    v.Field("moves", moves);
}

// ---- Santa hat --------------------------------------------------------------------------

void TCharger::Update() {
    Move();
    Draw();
    Collide();
}

void TCharger::Move() {
    angle = DirectionToPlayer();
    x += vdl::CosDeg(angle) * kHat.chaseSpeed;
    y += vdl::SinDeg(angle) * kHat.chaseSpeed;
}

void TCharger::Draw() {
    DrawTurned(*this, static_cast<float>(angle - 270));
}

void TCharger::Collide() {
    CollideAsEnemy(static_cast<float>(angle - 270));
}

std::shared_ptr<TCharger> TCharger::Create(int x, int y) {
    return PlaceEnemy(std::make_shared<TCharger>(), x, y);
}

// ---- Christmas bell ---------------------------------------------------------------------

void TRoundShooter::Update() {
    Move();
    Draw();
    Collide();
    Fire();
}

void TRoundShooter::Move() {
    const int toPlayer = DirectionToPlayer();
    // NOTE: 1.1 is a single-precision constant.
    vx = static_cast<float>(vdl::CosDeg(toPlayer) * kBell.chaseSpeed);
    vy = static_cast<float>(vdl::SinDeg(toPlayer) * kBell.chaseSpeed);
    x += vx;
    y += vy;
    angle += 3;  // never wrapped
}

void TRoundShooter::Draw() {
    DrawTurned(*this, static_cast<float>(angle + 90));
}

void TRoundShooter::Collide() {
    CollideAsEnemy(static_cast<float>(angle - 270));
}

void TRoundShooter::Fire() {
    RunFireTimer();
    if (ready == 1) {
        TBasicBullet::Create(vdl::TruncToInt(x), vdl::TruncToInt(y), angle, kEnemyShot);
        ready = 0;
    }
}

std::shared_ptr<TRoundShooter> TRoundShooter::Create(int x, int y) {
    auto bell = std::make_shared<TRoundShooter>();
    bell->angle = vdl::RandomInt(1, 360);
    return PlaceEnemy(std::move(bell), x, y);
}

// ---- Ornament ---------------------------------------------------------------------------

void TBouncer::Update() {
    Move();
    Collide();
    Draw();
}

void TBouncer::Move() {
    x += vx;
    y += vy;
    if (x > kFieldWidth || x < 0) vx = -vx;
    if (y > kFieldHeight || y < 0) vy = -vy;
}

// NOTE: the hit test turns the image by angle - 270 although the ornament is drawn unturned.
void TBouncer::Collide() {
    CollideAsEnemy(static_cast<float>(angle - 270));
    PushOutOfSnowballs(x, y, vx, vy, size);
}

void TBouncer::Draw() {
    vdl::DrawImageFrame(image, x, y, 0);
}

std::shared_ptr<TBouncer> TBouncer::Create(int x, int y) {
    auto ornament = std::make_shared<TBouncer>();
    ornament->size = 8;
    ornament->vx = static_cast<float>(vdl::RandomReal(-3, 3));
    ornament->vy = static_cast<float>(vdl::RandomReal(-3, 3));
    return PlaceEnemy(std::move(ornament), x, y);
}

}  // namespace game
