// The arena: large snowballs, particles, and the small routines every family shares.
//
// Snowballs (Tport) are fixed circles of radius 16 that stop bullets and push movers out;
// particles (Tparticle) are tinted stars thrown out in bursts that fade over 42 frames.
// Distance, ScreenBand, SpawnBurst and the push-out are used by the player, the bullets, the
// enemies and the bosses; SpritesOverlap is the pixel-accurate hit test they all use.
#pragma once

#include <memory>

#include "game/fields.h"
#include "graphics/image.h"
#include "runtime/object.h"

namespace game {

// A large snowball.
class Tport : public vdl::Object {
public:
    int x = 0;
    int y = 0;

    // Every field that lasts from frame to frame.
    void Fields(FieldVisitor& v);
    // Draws the snowball.
    virtual void Update();
    // The "port.png" image at (x, y).
    virtual void Draw();

    // A new snowball appended to snowballList.
    static std::shared_ptr<Tport> Create(int x, int y);
    // The snowballs pass: every snowball's Update, in list order.
    static void DrawAll();
};

// A fading star.
class Tparticle : public vdl::Object {
public:
    float x = 0;
    float y = 0;
    float vx = 0;
    float vy = 0;
    int colour = 0;  // 1 red, 2 green
    float alpha = 1.0f;
    int alive = 1;

    // Every field that lasts from frame to frame.
    void Fields(FieldVisitor& v);
    // Move, then Draw while alive.
    virtual void Update();
    // Flies on and fades by 0.025 a frame; dies once alpha is below 0.
    virtual void Move();
    // The tinted star at its alpha; leaves colour and alpha set.
    virtual void Draw();

    // A particle at (x, y) flying roughly along angle at 1 to 3 pixels a frame per axis.
    static std::shared_ptr<Tparticle> Create(int x, int y, int angle);
    // The particles pass; ends with alpha 1 and colour white.
    static void UpdateAll();
};

// Distance of two points, truncated toward zero.
int Distance(float x1, float y1, float x2, float y2);

// 1 above the line y = 350, else 2: the broad phase of every bullet test.
int ScreenBand(int x, int y);

// n / 2 + 1 particles at (x, y), each along a random whole direction 1..360.
void SpawnBurst(int x, int y, int n);

// The bursts the game throws, named for the particles each makes (n / 2 + 1).
constexpr int kBurst8 = 15;     // a hit
constexpr int kBurst16 = 30;    // a death, a bullet stopped by a snowball, an enemy's touch
constexpr int kBurst51 = 100;   // the player's lost life
constexpr int kBurst151 = 300;  // a boss's death

// Pushes a mover of the given size out of every snowball it is inside, in list order, and
// mirrors its velocity about each contact's tangent.
void PushOutOfSnowballs(float& x, float& y, float& vx, float& vy, int size);

// Whether the opaque pixels of two images (frame 0, scale 1) meet, each at its position turned
// by its rotation. Pairs too far apart for any rotation to bring them together are rejected
// before the pixel-accurate ImagesOverlap runs, which would give the same answer, only later.
bool SpritesOverlap(const vdl::ImageRef& a, int ax, int ay, float rotationA, const vdl::ImageRef& b,
                    int bx, int by, float rotationB);

}  // namespace game
