// The scan-line overlap test against the brute-force model over many random placements:
// they must agree whenever the overlap (or the gap) is more than a pixel deep; at the
// boundary, where the two sample differently, disagreements must be rare.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "graphics/collision.h"
#include "graphics/drawing.h"
#include "graphics/headless_renderer.h"
#include "tests/graphics/collision_model.h"

namespace vdl {
namespace {

using testing::Placement;
using testing::PlacementMap;

// A random sprite of one to three opaque ellipses on a transparent ground; one in five
// ellipses has alpha 127, just under the threshold.
ImageRef RandomSprite(std::mt19937& rng) {
    std::uniform_real_distribution<float> unit(0, 1);
    const int w = 6 + static_cast<int>(unit(rng) * 42), h = 6 + static_cast<int>(unit(rng) * 42);
    struct Blob {
        float cx, cy, rx, ry;
        uint8_t alpha;
    };
    std::vector<Blob> blobs(1 + static_cast<int>(unit(rng) * 3));
    for (Blob& b : blobs) {
        b = {unit(rng) * w, unit(rng) * h, 1.5f + unit(rng) * w / 2, 1.5f + unit(rng) * h / 2,
             static_cast<uint8_t>(unit(rng) < 0.2f ? 127 : 200)};
    }
    return testing::MakeAlphaImage(w, h, [&](int x, int y) {
        uint8_t a = 0;
        for (const Blob& b : blobs) {
            const float dx = (x + 0.5f - b.cx) / b.rx, dy = (y + 0.5f - b.cy) / b.ry;
            if (dx * dx + dy * dy <= 1) a = std::max(a, b.alpha);
        }
        return a;
    });
}

// Any rotation, scales from 0.5 to 2 (one in five mirrored), mostly centred handles.
Placement RandomPlacement(std::mt19937& rng, int x, int y) {
    std::uniform_real_distribution<float> unit(0, 1);
    Placement p{RandomSprite(rng), x, y};
    if (unit(rng) < 0.7f) CenterImageAnchor(p.image);
    auto scale = [&] { return (unit(rng) < 0.2f ? -1 : 1) * (0.5f + unit(rng) * 1.5f); };
    p.rotation = unit(rng) < 0.2f ? 0.0f : unit(rng) * 720 - 360;
    p.scaleX = unit(rng) < 0.3f ? 1.0f : scale();
    p.scaleY = unit(rng) < 0.3f ? p.scaleX : scale();
    return p;
}

// On a half-pixel grid over the shared bounding box: deep when some point has both images
// opaque at it and at its eight neighbours one pixel away; possible when some point has
// both opaque somewhere among those nine.
void Classify(const Placement& a, const Placement& b, bool& deep, bool& possible) {
    const PlacementMap ma(a), mb(b);
    double box[2][4];
    for (int i = 0; i < 2; ++i) {
        const PlacementMap m(i == 0 ? a : b);
        const Placement& p = i == 0 ? a : b;
        box[i][0] = box[i][1] = 1e9;
        box[i][2] = box[i][3] = -1e9;
        for (int c = 0; c < 4; ++c) {
            double sx, sy;
            m.ToScreen(c % 2 * p.image->width, c / 2 * p.image->height, sx, sy);
            box[i][0] = std::min(box[i][0], sx), box[i][1] = std::min(box[i][1], sy);
            box[i][2] = std::max(box[i][2], sx), box[i][3] = std::max(box[i][3], sy);
        }
    }
    deep = possible = false;
    for (double y = std::max(box[0][1], box[1][1]) - 2; y <= std::min(box[0][3], box[1][3]) + 2;
         y += 0.5) {
        for (double x = std::max(box[0][0], box[1][0]) - 2; x <= std::min(box[0][2], box[1][2]) + 2;
             x += 0.5) {
            bool allA = true, allB = true, anyA = false, anyB = false;
            for (int o = 0; o < 9; ++o) {
                const bool oa = ma.OpaqueAt(x + o % 3 - 1, y + o / 3 - 1);
                const bool ob = mb.OpaqueAt(x + o % 3 - 1, y + o / 3 - 1);
                allA &= oa, allB &= ob, anyA |= oa, anyB |= ob;
            }
            deep |= allA && allB;
            possible |= anyA && anyB;
            if (deep) return;
        }
    }
}

TEST(CollisionProperty, AgreesWithBruteForceAwayFromTheBoundary) {
    const auto graphics = OpenHeadlessGraphics(800, 600);
    SetDrawTransform(0, 1, 1);
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> offset(-30, 30);

    constexpr int kTrials = 3000;
    int deepHits = 0, clearMisses = 0, boundary = 0, disagreements = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        const Placement a = RandomPlacement(rng, 300, 300);
        const Placement b = RandomPlacement(rng, 300 + offset(rng), 300 + offset(rng));
        const bool fast = ImagesOverlap(a.image, a.x, a.y, 0, a.rotation, a.scaleX, a.scaleY,
                                        b.image, b.x, b.y, 0, b.rotation, b.scaleX, b.scaleY);
        const bool brute = testing::BruteForceOverlap(a, b);
        bool deep, possible;
        Classify(a, b, deep, possible);
        if (deep || !possible) {
            (deep ? deepHits : clearMisses)++;
            EXPECT_EQ(fast, deep) << "trial " << trial;
            EXPECT_EQ(brute, deep) << "trial " << trial;
        } else {
            ++boundary;
            disagreements += fast != brute;
        }
    }
    const double rate = 100.0 * disagreements / kTrials;
    std::printf(
        "collision vs brute force: %d deep hits, %d clear misses, %d at the boundary, "
        "%d disagreements (%.2f%% of all trials)\n",
        deepHits, clearMisses, boundary, disagreements, rate);
    // The placements must exercise both sure outcomes; boundary disagreements stay rare.
    EXPECT_GT(deepHits, kTrials / 10);
    EXPECT_GT(clearMisses, kTrials / 10);
    EXPECT_LT(rate, 3.0);
}

}  // namespace
}  // namespace vdl
