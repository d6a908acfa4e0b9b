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
// Appends enemy to enemyList at (x, y) with image, and returns it.
template <class T>
std::shared_ptr<T> Place(std::shared_ptr<T> enemy, int x, int y, const vdl::ImageRef& image) {
    enemy->x = static_cast<float>(x);
    enemy->y = static_cast<float>(y);
    enemy->image = image;
    enemyList->Append(enemy);
    return enemy;
}

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

void TEnemy::DieIfSpent(int points) {
    if (health > 0) return;
    alive = 0;
    SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), 30);
    player->AddScore(points);
}

void TEnemy::CollideAsEnemy(float rotation, int points) {
    TakePlayerHits(rotation, true, [](const Tbullet& bullet) {
        SpawnBurst(vdl::TruncToInt(bullet.x), vdl::TruncToInt(bullet.y), 30);
    });
    DieIfSpent(points);
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
        destX = vdl::RandomInt(1, 800);
        destY = vdl::RandomInt(1, 600);
        needDest = 0;
    }
    x += (destX - x) / 70;
    y += (destY - y) / 70;
}

void TBasicEnemy::Collide() {
    TakePlayerHits(0, true, [this](const Tbullet&) {
        SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), 15);
    });
    DieIfSpent(10);
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
    return Place(std::make_shared<TBasicEnemy>(), x, y, images.snowman);
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
        x += vdl::CosDeg(angle) * 2.0;
        y += vdl::SinDeg(angle) * 2.0;
    }
}

void Tshooter::Draw() {
    DrawTurned(*this, static_cast<float>(angle + 90));
}

void Tshooter::Collide() {
    CollideAsEnemy(static_cast<float>(angle + 90), 50);
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
    tree->health = 3;
    tree->fireDelay = 750;
    tree->moves = moves;
    return Place(std::move(tree), x, y, images.tree);
}

// ---- Santa hat --------------------------------------------------------------------------

void TCharger::Update() {
    Move();
    Draw();
    Collide();
}

void TCharger::Move() {
    angle = DirectionToPlayer();
    x += vdl::CosDeg(angle) * 1.0;
    y += vdl::SinDeg(angle) * 1.0;
}

void TCharger::Draw() {
    DrawTurned(*this, static_cast<float>(angle - 270));
}

void TCharger::Collide() {
    CollideAsEnemy(static_cast<float>(angle - 270), 25);
}

std::shared_ptr<TCharger> TCharger::Create(int x, int y) {
    auto hat = std::make_shared<TCharger>();
    hat->health = 4;
    return Place(std::move(hat), x, y, images.hat);
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
    vx = static_cast<float>(vdl::CosDeg(toPlayer) * 1.1f);
    vy = static_cast<float>(vdl::SinDeg(toPlayer) * 1.1f);
    x += vx;
    y += vy;
    angle += 3;  // never wrapped
}

void TRoundShooter::Draw() {
    DrawTurned(*this, static_cast<float>(angle + 90));
}

void TRoundShooter::Collide() {
    CollideAsEnemy(static_cast<float>(angle - 270), 60);
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
    bell->health = 4;
    bell->fireDelay = 300;
    bell->angle = vdl::RandomInt(1, 360);
    return Place(std::move(bell), x, y, images.bell);
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
    CollideAsEnemy(static_cast<float>(angle - 270), 20);
    PushOutOfSnowballs(x, y, vx, vy, size);
}

void TBouncer::Draw() {
    vdl::DrawImageFrame(image, x, y, 0);
}

std::shared_ptr<TBouncer> TBouncer::Create(int x, int y) {
    auto ornament = std::make_shared<TBouncer>();
    ornament->health = 3;
    ornament->size = 8;
    ornament->vx = static_cast<float>(vdl::RandomReal(-3, 3));
    ornament->vy = static_cast<float>(vdl::RandomReal(-3, 3));
    return Place(std::move(ornament), x, y, images.ornament);
}

}  // namespace game
