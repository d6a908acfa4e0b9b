// Presents, the present ring, spawn points and floating messages.
#include "game/pickups.h"

#include "game/arena.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "graphics/image_font.h"
#include "runtime/math.h"
#include "system/clock.h"
#include "system/random.h"

namespace game {

namespace {
constexpr int kRingRadius = 15;

// What each spawn-point kind produces, at (x, y).
using EnemyMaker = void (*)(int x, int y);
constexpr EnemyMaker kSpawnMakers[] = {
    nullptr,
    [](int x, int y) { TBouncer::Create(x, y); },
    [](int x, int y) { TCharger::Create(x, y); },
    [](int x, int y) { TRoundShooter::Create(x, y); },
    [](int x, int y) { Tshooter::Create(x, y, 1); },
    [](int x, int y) { TBasicEnemy::Create(x, y); },
};
}  // namespace

// ---- Presents ---------------------------------------------------------------------------

void TPresent::Update() {
    Draw();
}

void TPresent::Draw() {
    vdl::DrawImageFrame(images.present, static_cast<float>(x), static_cast<float>(y), 0);
}

void TPresent::Collect() {
    alive = 0;
}

void TPresent::Fields(FieldVisitor& v) {
    v.Field("x", x);
    v.Field("y", y);
    v.Field("alive", alive);
}

std::shared_ptr<TPresent> TPresent::Create(int x, int y) {
    auto present = std::make_shared<TPresent>();
    present->x = x;
    present->y = y;
    presentList->Append(present);
    return present;
}

std::shared_ptr<TPresent> TPresent::CreateAtRandom() {
    const int x = vdl::RandomInt(kArenaWidth, 1);
    const int y = vdl::RandomInt(kArenaHeight, 1);
    return Create(x, y);
}

void TPresent::UpdateAll() {
    RunPass<TPresent>(*presentList);
}

// ---- The ring ---------------------------------------------------------------------------

void TPresentLoop::DrawAround(int x, int y) {
    if (count > 0) {
        const int step = 360 / count;
        for (int i = 0; i < count; ++i) {
            const int a = i * step + spin;
            vdl::DrawImageFrame(images.present,
                                static_cast<float>(x + vdl::CosDeg(a) * kRingRadius),
                                static_cast<float>(y + vdl::SinDeg(a) * kRingRadius), 0);
        }
    }
    spin += 1;
    if (spin > 360) spin = 0;
}

void TPresentLoop::AddPresent() {
    count += 1;
}

void TPresentLoop::Reset() {
    count = 0;
}

// ---- Spawn points -----------------------------------------------------------------------

void TSpawnPoint::Update() {
    Draw();
    CheckTimer();
    Collide();
}

void TSpawnPoint::CheckTimer() {
    if (TimerDue(lastFire, fireDelay)) {
        lastFire = vdl::Millis();
        Spawn();
    }
}

void TSpawnPoint::Spawn() {
    if (kind < kSpawnOrnament || kind > kSpawnSnowman) return;
    kSpawnMakers[kind](vdl::TruncToInt(x), vdl::TruncToInt(y));
}

void TSpawnPoint::Draw() {
    vdl::DrawImageFrame(image, x, y, 0);
}

void TSpawnPoint::Collide() {
    TakePlayerHits(0, true, [](const Tbullet& bullet) {
        SpawnBurst(vdl::TruncToInt(bullet.x), vdl::TruncToInt(bullet.y), kBurst8);
    });
    if (health > 0) return;
    alive = 0;
    SpawnBurst(vdl::TruncToInt(x), vdl::TruncToInt(y), kBurst16);
    TPresent::CreateAtRandom();
}

std::shared_ptr<TSpawnPoint> TSpawnPoint::Create(int x, int y, int kind, int period) {
    auto spawn = std::make_shared<TSpawnPoint>();
    spawn->kind = kind;
    PlaceEnemy(spawn, x, y);
    spawn->fireDelay = period;
    return spawn;
}

void TSpawnPoint::Fields(FieldVisitor& v) {
    TEnemy::Fields(v);
    v.Field("kind", kind);
}

// ---- Messages ---------------------------------------------------------------------------

void TMessage::Update() {
    if (life <= 0) {
        alive = 0;
    } else {
        vdl::SetDrawAlpha(life / 100);
        vdl::SetDrawColor(0, 0, 0);
        vdl::DrawString(text, static_cast<float>(x), static_cast<float>(y));
    }
    y -= 1;
    life -= 1;
    vdl::SetDrawColor(255, 255, 255);
}

void TMessage::Fields(FieldVisitor& v) {
    v.Field("x", x);
    v.Field("y", y);
    v.Field("text", text);
    v.Field("life", life);
    v.Field("alive", alive);
}

std::shared_ptr<TMessage> TMessage::Create(int x, int y, const std::string& text, float life) {
    auto message = std::make_shared<TMessage>();
    message->x = x;
    message->y = y;
    message->text = text;
    message->life = life;
    messageList->Append(message);
    return message;
}

void TMessage::UpdateAll() {
    RunPass<TMessage>(*messageList);
}

}  // namespace game
