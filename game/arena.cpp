// The arena: snowballs, particles and the shared routines.
#include "game/arena.h"

#include <algorithm>
#include <cmath>

#include "game/world.h"
#include "graphics/collision.h"
#include "graphics/drawing.h"
#include "runtime/math.h"
#include "system/random.h"

namespace game {

namespace {
constexpr int kSnowballRadius = 16;
constexpr int kBandLine = 350;
constexpr float kParticleFade = 0.025f;

// How far an image drawn unscaled at any rotation reaches from its position along either axis,
// at most: the sum of its handle's farthest horizontal and vertical distances to an edge (no
// smaller than the distance to its farthest corner), plus a margin for the pixel scan's
// truncation.
float ReachOf(const vdl::TImage& image) {
    return std::max(image.handleX, image.width - image.handleX) +
           std::max(image.handleY, image.height - image.handleY) + 2.0f;
}
}  // namespace

// ---- Tport ------------------------------------------------------------------------------

void Tport::Update() {
    Draw();
}

void Tport::Draw() {
    vdl::DrawImageFrame(images.port, static_cast<float>(x), static_cast<float>(y), 0);
}

void Tport::Fields(FieldVisitor& v) {
    v.Field("x", x);
    v.Field("y", y);
}

std::shared_ptr<Tport> Tport::Create(int x, int y) {
    auto snowball = std::make_shared<Tport>();
    snowball->x = x;
    snowball->y = y;
    snowballList->Append(snowball);
    return snowball;
}

void Tport::DrawAll() {
    ForEach<Tport>(*snowballList, [](Tport& snowball) { snowball.Update(); });
}

// ---- Tparticle --------------------------------------------------------------------------

void Tparticle::Update() {
    Move();
    if (alive == 1) Draw();
}

// NOTE: alpha is tested before it fades, and 0.025 is a single-precision step: the 41st fade
// leaves alpha just below 0, so the 42nd update kills the particle and it is drawn 41 times.
void Tparticle::Move() {
    x += vx;
    y += vy;
    if (alpha < 0) alive = 0;
    alpha -= kParticleFade;
}

void Tparticle::Draw() {
    if (colour == 1) {
        vdl::SetDrawColor(255, 0, 0);
    } else {
        vdl::SetDrawColor(12, 120, 12);
    }
    vdl::SetDrawAlpha(alpha);
    vdl::DrawImageFrame(images.whitestar, x, y, 0);
}

void Tparticle::Fields(FieldVisitor& v) {
    v.Field("x", x);
    v.Field("y", y);
    v.Field("vx", vx);
    v.Field("vy", vy);
    v.Field("colour", colour);
    v.Field("alpha", alpha);
    v.Field("alive", alive);
}

std::shared_ptr<Tparticle> Tparticle::Create(int x, int y, int angle) {
    auto particle = std::make_shared<Tparticle>();
    particle->x = static_cast<float>(x);
    particle->y = static_cast<float>(y);
    // Each axis draws its own speed, so the flight only roughly follows angle.
    particle->vx = static_cast<float>(vdl::CosDeg(angle) * vdl::RandomInt(1, 3));
    particle->vy = static_cast<float>(vdl::SinDeg(angle) * vdl::RandomInt(1, 3));
    particle->colour = vdl::RandomInt(1, 2) == 1 ? 1 : 2;
    particleList->Append(particle);
    return particle;
}

void Tparticle::UpdateAll() {
    RunPass<Tparticle>(*particleList);
    vdl::SetDrawAlpha(1.0f);
    vdl::SetDrawColor(255, 255, 255);
}

// ---- Shared routines --------------------------------------------------------------------

int Distance(float x1, float y1, float x2, float y2) {
    const float dx = x1 - x2;
    const float dy = y1 - y2;
    return vdl::TruncToInt(vdl::SquareRoot(dx * dx + dy * dy));
}

int ScreenBand(int, int y) {
    return y < kBandLine ? 1 : 2;
}

void SpawnBurst(int x, int y, int n) {
    const int last = n / 2;
    for (int i = 0; i <= last; ++i) {
        Tparticle::Create(x, y, vdl::RandomInt(1, 360));
    }
}

void PushOutOfSnowballs(float& x, float& y, float& vx, float& vy, int size) {
    const float reach = static_cast<float>(size / 2 + kSnowballRadius);
    ForEach<Tport>(*snowballList, [&](Tport& snowball) {
        const float d = static_cast<float>(Distance(x, y, snowball.x, snowball.y));
        if (d >= reach) return;
        // The direction from the snowball's centre to the mover, not truncated.
        const double angle = vdl::ATan2Deg(y - snowball.y, x - snowball.x);
        const double c = vdl::CosDeg(angle);
        const double s = vdl::SinDeg(angle);
        x = static_cast<float>(x + c * (reach - d));
        y = static_cast<float>(y + s * (reach - d));
        // Mirror the velocity about the tangent, whichever way it pointed.
        const double dot = vx * c + vy * s;
        vx = static_cast<float>(vx - 2 * dot * c);
        vy = static_cast<float>(vy - 2 * dot * s);
    });
}

bool SpritesOverlap(const vdl::ImageRef& a, int ax, int ay, float rotationA, const vdl::ImageRef& b,
                    int bx, int by, float rotationB) {
    const float reach = ReachOf(*a) + ReachOf(*b);
    const float dx = static_cast<float>(ax) - static_cast<float>(bx);
    const float dy = static_cast<float>(ay) - static_cast<float>(by);
    if (std::fabs(dx) > reach || std::fabs(dy) > reach) return false;
    return vdl::ImagesOverlap(a, ax, ay, 0, rotationA, 1.0f, 1.0f, b, bx, by, 0, rotationB, 1.0f,
                              1.0f);
}

}  // namespace game
