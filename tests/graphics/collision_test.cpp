// Pixel-accurate collision on images made here, through the drawing state of a headless
// surface: touching edges, the alpha threshold, rotated, scaled and mirrored sprites, handles
// and origin, the state left behind, and the layers.
#include <gtest/gtest.h>
#include <algorithm>

#include "graphics/collision.h"
#include "graphics/drawing.h"
#include "graphics/headless_renderer.h"
#include "runtime/errors.h"
#include "tests/graphics/collision_model.h"

namespace vdl {
namespace {

using testing::MakeAlphaImage;
using testing::MakeSolidImage;

class Collision : public ::testing::Test {
protected:
    void SetUp() override {
        graphics_ = OpenHeadlessGraphics(800, 600);
        SetDrawTransform(0, 1, 1);
        SetDrawOrigin(0, 0);
    }
    void TearDown() override { ResetCollisionLayers(0); }

    // Both images unrotated and unscaled.
    static bool Overlap(const ImageRef& a, int ax, int ay, const ImageRef& b, int bx, int by) {
        return ImagesOverlap(a, ax, ay, 0, 0, 1, 1, b, bx, by, 0, 0, 1, 1);
    }

    std::shared_ptr<TGraphics> graphics_;
};

TEST_F(Collision, OpaqueSquaresTouchOnlyWhenTheirPixelsShareAColumnAndRow) {
    const ImageRef a = MakeSolidImage(16, 16);
    EXPECT_TRUE(Overlap(a, 100, 100, a, 100, 100));
    // Spans [100, 116) and [116, 132) share no column, though the bounding boxes meet.
    EXPECT_FALSE(Overlap(a, 100, 100, a, 116, 100));
    EXPECT_TRUE(Overlap(a, 100, 100, a, 115, 100));
    EXPECT_FALSE(Overlap(a, 100, 100, a, 84, 100));
    EXPECT_TRUE(Overlap(a, 100, 100, a, 85, 100));
    EXPECT_FALSE(Overlap(a, 100, 100, a, 100, 116));
    EXPECT_TRUE(Overlap(a, 100, 100, a, 115, 115));
    EXPECT_FALSE(Overlap(a, -10, -10, a, 6, 5));
    EXPECT_TRUE(Overlap(a, -10, -10, a, 5, 5));
}

TEST_F(Collision, AlphaBelow128NeverCollidesAnd128Does) {
    const ImageRef solid = MakeSolidImage(16, 16);
    const ImageRef faint = MakeAlphaImage(16, 16, [](int, int) { return uint8_t{127}; });
    const ImageRef firm = MakeAlphaImage(16, 16, [](int, int) { return uint8_t{128}; });
    EXPECT_FALSE(Overlap(solid, 50, 50, faint, 50, 50));
    EXPECT_FALSE(Overlap(faint, 50, 50, solid, 50, 50));
    EXPECT_TRUE(Overlap(solid, 50, 50, firm, 50, 50));
    EXPECT_TRUE(Overlap(firm, 50, 50, firm, 57, 43));
    // A ring's hole collides with nothing.
    const ImageRef ring = MakeAlphaImage(16, 16, [](int x, int y) {
        return uint8_t(x < 2 || y < 2 || x >= 14 || y >= 14 ? 255 : 0);
    });
    const ImageRef dot = MakeSolidImage(4, 4);
    EXPECT_FALSE(Overlap(ring, 0, 0, dot, 6, 10));  // rows 10-13, inside
    EXPECT_TRUE(Overlap(ring, 0, 0, dot, 6, 11));   // reaches row 14
}

TEST_F(Collision, RotatedAndScaledSpritesCollideWhereTheirOpaquePixelsAre) {
    // 32 x 32 with only the top-left 8 x 8 block opaque, handle at the centre (200, 200).
    const ImageRef corner =
        MakeAlphaImage(32, 32, [](int x, int y) { return uint8_t(x < 8 && y < 8 ? 255 : 0); });
    CenterImageAnchor(corner);
    const ImageRef dot = MakeSolidImage(2, 2);
    auto hits = [&](float rotation, float scale, int x, int y) {
        return ImagesOverlap(corner, 200, 200, 0, rotation, scale, scale, dot, x, y, 0, 0, 1, 1);
    };
    EXPECT_TRUE(hits(0, 1, 186, 186));  // block at (184..191, 184..191)
    // Turned 90 degrees clockwise the block is at the top right: (208..215, 184..191).
    EXPECT_FALSE(hits(90, 1, 186, 186));
    EXPECT_TRUE(hits(90, 1, 210, 186));
    // At 45 degrees the block's centre (-12, -12) from the handle goes to (0, -17); the
    // corner of the bounding box there is transparent.
    EXPECT_TRUE(hits(45, 1, 199, 182));
    EXPECT_FALSE(hits(45, 1, 180, 180));
    // Scaled by 2 the block spans (168..183, 168..183).
    EXPECT_TRUE(hits(0, 2, 170, 170));
    EXPECT_FALSE(hits(0, 2, 186, 186));
}

TEST_F(Collision, MirroredImagesCollideOnTheirMirroredSide) {
    // Only the left half is opaque; the handle is at the centre (100, 100).
    const ImageRef half =
        MakeAlphaImage(16, 16, [](int x, int) { return uint8_t(x < 8 ? 255 : 0); });
    CenterImageAnchor(half);
    const ImageRef dot = MakeSolidImage(2, 2);
    auto hits = [&](float sx, float sy, int x) {
        return ImagesOverlap(half, 100, 100, 0, 0, sx, sy, dot, x, 99, 0, 0, 1, 1);
    };
    EXPECT_TRUE(hits(1, 1, 94));
    EXPECT_FALSE(hits(1, 1, 104));
    EXPECT_FALSE(hits(-1, 1, 94));
    EXPECT_TRUE(hits(-1, 1, 104));
    EXPECT_TRUE(hits(1, -1, 94));
    EXPECT_TRUE(hits(-1, -1, 104));
    EXPECT_FALSE(hits(-1, -1, 94));
}

TEST_F(Collision, HandlesPlaceImagesAsDrawnAndTheOriginMovesBothAlike) {
    const ImageRef centred = MakeSolidImage(16, 16);
    SetImageAnchor(centred, 8, 8);
    const ImageRef plain = MakeSolidImage(16, 16);
    // With its handle at (8, 8), centred at (108, 108) covers (100..115, 100..115).
    EXPECT_FALSE(Overlap(centred, 108, 108, plain, 116, 100));
    EXPECT_TRUE(Overlap(centred, 108, 108, plain, 115, 100));
    EXPECT_FALSE(Overlap(centred, 108, 108, plain, 84, 100));

    const ImageRef ring = MakeAlphaImage(16, 16, [](int x, int y) {
        return uint8_t(x < 3 || y < 3 || x >= 13 || y >= 13 ? 255 : 0);
    });
    const ImageRef dot = MakeSolidImage(3, 3);
    std::vector<bool> atZero;
    for (float origin : {0.0f, 37.0f, -11.5f, 250.25f}) {
        SetDrawOrigin(origin, -origin);
        for (int step = 0; step < 24; ++step) {
            const bool hit = ImagesOverlap(ring, 300, 300, 0, 33, 1.5f, 1.5f, dot, 290 + step,
                                           300 + step / 2, 0, 0, 1, 1);
            if (origin == 0) {
                atZero.push_back(hit);
            } else {
                EXPECT_EQ(hit, atZero[step]) << origin << " " << step;
            }
        }
    }
    EXPECT_NE(std::count(atZero.begin(), atZero.end(), true), 0);
    EXPECT_NE(std::count(atZero.begin(), atZero.end(), false), 0);
}

TEST_F(Collision, TheCallersRotationAndScaleAreRestored) {
    const ImageRef a = MakeSolidImage(16, 16);
    CenterImageAnchor(a);
    SetDrawRotation(30);
    SetDrawScale(2, -3);
    const CollisionTransform before = CurrentCollisionTransform();
    const auto surface = TVex2DGraphics::Current();
    const float iy = surface->iy;

    EXPECT_TRUE(ImagesOverlap(a, 10, 10, 0, 75, 0.5f, 4, a, 12, 12, 0, -40, 1, 1));
    EXPECT_THROW(ImagesOverlap(a, 0, 0, 0, 10, 1, 1, nullptr, 0, 0, 0, 20, 1, 1),
                 TNullObjectException);

    EXPECT_EQ(GetDrawRotation(), 30.0f);
    float sx, sy;
    GetDrawScale(sx, sy);
    EXPECT_EQ(sx, 2.0f);
    EXPECT_EQ(sy, -3.0f);
    EXPECT_EQ(surface->iy, iy);
    EXPECT_EQ(CurrentCollisionTransform().iy, before.iy);
    EXPECT_EQ(CurrentCollisionTransform().jx, before.jx);

    // The as-drawn test uses that transform for both images and leaves it alone.
    SetDrawTransform(0, 2, 2);
    EXPECT_TRUE(ImagesOverlapAsDrawn(a, 0, 0, 0, a, 30, 0, 0));
    SetDrawTransform(0, 1, 1);
    EXPECT_FALSE(ImagesOverlapAsDrawn(a, 0, 0, 0, a, 30, 0, 0));
}

TEST_F(Collision, WithNoSurfaceTheGivenRotationStillCounts) {
    TVex2DGraphics::ClearCurrent();
    const ImageRef bar = MakeSolidImage(32, 4);
    const ImageRef dot = MakeSolidImage(2, 2);
    // Lying flat the bar misses a dot below its corner; standing up it reaches it.
    EXPECT_FALSE(ImagesOverlap(bar, 100, 100, 0, 0, 1, 1, dot, 101, 120, 0, 0, 1, 1));
    EXPECT_TRUE(ImagesOverlap(bar, 100, 100, 0, 90, 1, 1, dot, 97, 120, 0, 0, 1, 1));
    EXPECT_EQ(CurrentCollisionTransform().iy, 0.0f);
}

TEST_F(Collision, LayersReturnTheIdsOfWhatWasHitNewestFirst) {
    auto first = std::make_shared<Object>();
    auto second = std::make_shared<Object>();
    auto third = std::make_shared<Object>();
    CollideRectLayers(0, 0, 10, 10, 0, 1 << 0, first);
    CollideRectLayers(5, 5, 10, 10, 0, 1 << 0, second);
    CollideRectLayers(100, 100, 10, 10, 0, (1 << 1) | (1 << 0), third);

    EXPECT_EQ(CollideRectLayers(6, 6, 2, 2, 1 << 0, 0, nullptr),
              std::vector<ObjectRef>({second, first}));
    // In two layers, found once per layer tested.
    EXPECT_EQ(CollideRectLayers(101, 101, 1, 1, 3, 0, nullptr),
              std::vector<ObjectRef>({third, third}));
    // Testing and writing in one call: the quad does not hit itself.
    EXPECT_TRUE(CollideRectLayers(200, 200, 5, 5, 1 << 2, 1 << 2, first).empty());
    EXPECT_EQ(CollideRectLayers(202, 202, 5, 5, 1 << 2, 0, nullptr).size(), 1u);

    ResetCollisionLayers(1 << 0);
    EXPECT_TRUE(CollideRectLayers(6, 6, 2, 2, 1 << 0, 0, nullptr).empty());
    EXPECT_EQ(CollideRectLayers(101, 101, 1, 1, 1 << 1, 0, nullptr).size(), 1u);
    ResetCollisionLayers(0);  // all of them
    EXPECT_TRUE(CollideRectLayers(0, 0, 800, 600, -1, 0, nullptr).empty());
}

TEST_F(Collision, AlphaIsReadByPixelFormat) {
    // A pixmap without alpha collides as its whole rectangle.
    const ImageRef rgb = TImage::Create(16, 16, 1, 0, 0, 0, 0);
    rgb->SetPixmap(0, TPixmap::Create(16, 16, PF_RGB888, 4));
    EXPECT_TRUE(Overlap(rgb, 0, 0, MakeSolidImage(1, 1), 8, 8));
    // An A8 pixmap is read by its one byte per pixel.
    const ImageRef a8 = TImage::Create(16, 16, 1, 0, 0, 0, 0);
    PixmapRef alpha = TPixmap::Create(16, 16, PF_A8, 4);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            *alpha->PixelPtr(x, y) = x >= 8 ? 255 : 0;
    }
    a8->SetPixmap(0, alpha);
    EXPECT_FALSE(Overlap(a8, 0, 0, MakeSolidImage(8, 16), 0, 0));
    EXPECT_TRUE(Overlap(a8, 0, 0, MakeSolidImage(9, 16), 0, 0));
}

}  // namespace
}  // namespace vdl
