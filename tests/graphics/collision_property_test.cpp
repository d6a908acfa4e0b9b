// The scan-line overlap test against the brute-force model over many random placements:
// they must agree whenever the overlap (or the gap) is more than a pixel deep; at the
// boundary, where sampling differs, disagreements must be rare.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "graphics/collision.h"
#include "graphics/drawing.h"
#include "graphics/headless_renderer.h"
#include "tests/graphics/collision_model.h"

namespace vdl {
namespace {

using testing::MakeAlphaImage;
using testing::Placement;
using testing::PlacementMap;

// A random sprite: a few opaque discs and bars on a transparent ground, alpha values on both
// sides of the threshold.
ImageRef RandomSprite(std::mt19937& rng) {
    std::uniform_int_distribution<int> side(6, 48);
    const int w = side(rng), h = side(rng);
    struct Blob {
        float cx, cy, rx, ry;
        uint8_t alpha;
    };
    std::vector<Blob> blobs;
    std::uniform_real_distribution<float> unit(0, 1);
    const int count = 1 + static_cast<int>(unit(rng) * 3);
    for (int i = 0; i < count; ++i) {
        blobs.push_back({unit(rng) * w, unit(rng) * h, 1.5f + unit(rng) * w / 2,
                         1.5f + unit(rng) * h / 2,
                         static_cast<uint8_t>(unit(rng) < 0.2f ? 127 : 200)});
    }
    return MakeAlphaImage(w, h, [&](int x, int y) {
        uint8_t a = 0;
        for (const Blob& b : blobs) {
            const float dx = (x + 0.5f - b.cx) / b.rx, dy = (y + 0.5f - b.cy) / b.ry;
            if (dx * dx + dy * dy <= 1) a = std::max(a, b.alpha);
        }
        return a;
    });
}

Placement RandomPlacement(std::mt19937& rng, const ImageRef& image, int x, int y) {
    std::uniform_real_distribution<float> unit(0, 1);
    if (unit(rng) < 0.7f) CenterImageAnchor(image);
    auto scale = [&] {
        const float s = 0.5f + unit(rng) * 1.5f;
        return unit(rng) < 0.2f ? -s : s;
    };
    Placement p;
    p.image = image;
    p.x = x;
    p.y = y;
    p.rotation = unit(rng) < 0.2f ? 0.0f : unit(rng) * 720 - 360;
    p.scaleX = unit(rng) < 0.3f ? 1.0f : scale();
    p.scaleY = unit(rng) < 0.3f ? p.scaleX : scale();
    return p;
}

// Screen-space depth classes on a half-pixel grid: a deep overlap has a point where both
// images are opaque everywhere within a pixel (diagonals included); a clear miss has no point
// where both are opaque anywhere within a pixel.
struct Depth {
    bool deep = false;
    bool possible = false;
};

// Screen bounding box of a placement.
void Bounds(const Placement& p, double box[4]) {
    const PlacementMap m(p);
    box[0] = box[1] = 1e9;
    box[2] = box[3] = -1e9;
    const double corners[4][2] = {{0, 0},
                                  {double(p.image->width), 0},
                                  {0, double(p.image->height)},
                                  {double(p.image->width), double(p.image->height)}};
    for (const auto& c : corners) {
        double sx, sy;
        m.ToScreen(c[0], c[1], sx, sy);
        box[0] = std::min(box[0], sx), box[1] = std::min(box[1], sy);
        box[2] = std::max(box[2], sx), box[3] = std::max(box[3], sy);
    }
}

Depth Classify(const Placement& a, const Placement& b) {
    const PlacementMap ma(a), mb(b);
    static const double kRing[9][2] = {{0, 0}, {1, 0},  {-1, 0}, {0, 1},  {0, -1},
                                       {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    double ba[4], bb[4];
    Bounds(a, ba);
    Bounds(b, bb);
    const double x0 = std::floor(std::max(ba[0], bb[0])) - 2;
    const double y0 = std::floor(std::max(ba[1], bb[1])) - 2;
    const double x1 = std::min(ba[2], bb[2]) + 2;
    const double y1 = std::min(ba[3], bb[3]) + 2;
    Depth d;
    for (double y = y0; y <= y1 && !d.deep; y += 0.5) {
        for (double x = x0; x <= x1 && !d.deep; x += 0.5) {
            bool allA = true, allB = true, anyA = false, anyB = false;
            for (const auto& o : kRing) {
                const bool oa = ma.OpaqueAt(x + o[0], y + o[1]);
                const bool ob = mb.OpaqueAt(x + o[0], y + o[1]);
                allA &= oa, allB &= ob, anyA |= oa, anyB |= ob;
            }
            d.deep |= allA && allB;
            d.possible |= anyA && anyB;
        }
    }
    d.possible |= d.deep;
    return d;
}

TEST(CollisionProperty, AgreesWithBruteForceAwayFromTheBoundary) {
    const auto graphics = OpenHeadlessGraphics(800, 600);
    SetDrawTransform(0, 1, 1);
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> offset(-30, 30);

    constexpr int kTrials = 3000;
    int deepHits = 0, clearMisses = 0, boundary = 0, disagreements = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        const Placement a = RandomPlacement(rng, RandomSprite(rng), 300, 300);
        const Placement b =
            RandomPlacement(rng, RandomSprite(rng), 300 + offset(rng), 300 + offset(rng));
        const bool fast = ImagesOverlap(a.image, a.x, a.y, 0, a.rotation, a.scaleX, a.scaleY,
                                        b.image, b.x, b.y, 0, b.rotation, b.scaleX, b.scaleY);
        const bool brute = testing::BruteForceOverlap(a, b);
        const Depth depth = Classify(a, b);
        SCOPED_TRACE(::testing::Message()
                     << "trial " << trial << ": rotations " << a.rotation << ", " << b.rotation
                     << " scales " << a.scaleX << "x" << a.scaleY << ", " << b.scaleX << "x"
                     << b.scaleY << " at " << b.x << "," << b.y);
        if (depth.deep) {
            ++deepHits;
            EXPECT_TRUE(fast);
            EXPECT_TRUE(brute);
        } else if (!depth.possible) {
            ++clearMisses;
            EXPECT_FALSE(fast);
            EXPECT_FALSE(brute);
        } else {
            ++boundary;
            if (fast != brute) ++disagreements;
        }
    }
    const double rate = static_cast<double>(disagreements) / kTrials;
    std::printf(
        "collision vs brute force: %d deep hits, %d clear misses, %d at the boundary, "
        "%d disagreements (%.2f%% of all trials)\n",
        deepHits, clearMisses, boundary, disagreements, rate * 100);
    ::testing::Test::RecordProperty("disagreement_rate_percent", std::to_string(rate * 100));
    // The random placements must exercise all three classes.
    EXPECT_GT(deepHits, kTrials / 10);
    EXPECT_GT(clearMisses, kTrials / 10);
    EXPECT_LT(rate, 0.03);
}

}  // namespace
}  // namespace vdl
