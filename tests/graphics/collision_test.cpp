// Pixel-accurate collision on images made here, through the drawing state of a headless
// surface: touching edges, the alpha threshold, rotated and mirrored sprites, handles and
// origin, the state left behind, and the layers.
#include <gtest/gtest.h>

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
        ASSERT_NE(TVex2DGraphics::Current(), nullptr);
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
    const ImageRef b = MakeSolidImage(16, 16);
    EXPECT_TRUE(Overlap(a, 100, 100, b, 100, 100));
    // Spans [100, 116) and [116, 132) share no column; bounding boxes still meet.
    EXPECT_FALSE(Overlap(a, 100, 100, b, 116, 100));
    EXPECT_TRUE(Overlap(a, 100, 100, b, 115, 100));
    EXPECT_FALSE(Overlap(a, 100, 100, b, 84, 100));
    EXPECT_TRUE(Overlap(a, 100, 100, b, 85, 100));
    // The same along rows.
    EXPECT_FALSE(Overlap(a, 100, 100, b, 100, 116));
    EXPECT_TRUE(Overlap(a, 100, 100, b, 100, 115));
    EXPECT_FALSE(Overlap(a, 100, 100, b, 100, 84));
    EXPECT_TRUE(Overlap(a, 100, 100, b, 115, 115));
    EXPECT_FALSE(Overlap(a, 100, 100, b, 116, 115));
    // Negative coordinates truncate like any other.
    EXPECT_TRUE(Overlap(a, -10, -10, b, 5, 5));
    EXPECT_FALSE(Overlap(a, -10, -10, b, 6, 5));
    // Far apart: rejected by the bounding boxes.
    EXPECT_FALSE(Overlap(a, 0, 0, b, 500, 400));
}

TEST_F(Collision, AlphaBelow128NeverCollidesAnd128Does) {
    const ImageRef solid = MakeSolidImage(16, 16);
    for (int alpha : {0, 1, 127}) {
        const ImageRef faint = MakeAlphaImage(16, 16, [=](int, int) { return uint8_t(alpha); });
        EXPECT_FALSE(Overlap(solid, 50, 50, faint, 50, 50)) << alpha;
        EXPECT_FALSE(Overlap(faint, 50, 50, solid, 50, 50)) << alpha;
        EXPECT_FALSE(Overlap(faint, 50, 50, faint, 50, 50)) << alpha;
    }
    for (int alpha : {128, 200, 255}) {
        const ImageRef firm = MakeAlphaImage(16, 16, [=](int, int) { return uint8_t(alpha); });
        EXPECT_TRUE(Overlap(solid, 50, 50, firm, 50, 50)) << alpha;
        EXPECT_TRUE(Overlap(firm, 50, 50, firm, 57, 43)) << alpha;
    }
}

TEST_F(Collision, OnlyOpaquePixelsMeetNotBoundingBoxes) {
    // A 16 x 16 ring: opaque border two pixels wide, transparent inside.
    const ImageRef ring = MakeAlphaImage(16, 16, [](int x, int y) {
        return uint8_t(x < 2 || y < 2 || x >= 14 || y >= 14 ? 255 : 0);
    });
    const ImageRef dot = MakeSolidImage(4, 4);
    EXPECT_FALSE(Overlap(ring, 0, 0, dot, 6, 6));   // inside the hole
    EXPECT_TRUE(Overlap(ring, 0, 0, dot, 6, 11));   // reaches row 14
    EXPECT_FALSE(Overlap(ring, 0, 0, dot, 6, 10));  // rows 10-13 only
    EXPECT_TRUE(Overlap(ring, 0, 0, dot, -2, 6));   // columns -2..1 reach the left border
    EXPECT_FALSE(Overlap(ring, 0, 0, dot, 2, 2));
}

TEST_F(Collision, ARotatedSpriteCollidesWhereItsOpaquePixelsAre) {
    // 32 x 32 with only the top-left 8 x 8 block opaque, handle at the centre.
    const ImageRef corner =
        MakeAlphaImage(32, 32, [](int x, int y) { return uint8_t(x < 8 && y < 8 ? 255 : 0); });
    CenterImageAnchor(corner);
    const ImageRef dot = MakeSolidImage(2, 2);
    // Unrotated the block covers (184..191, 184..191) around the handle at (200, 200).
    EXPECT_TRUE(ImagesOverlap(corner, 200, 200, 0, 0, 1, 1, dot, 186, 186, 0, 0, 1, 1));
    // Turned 90 degrees clockwise the block moves to the top-right: (208..215, 184..191).
    EXPECT_FALSE(ImagesOverlap(corner, 200, 200, 0, 90, 1, 1, dot, 186, 186, 0, 0, 1, 1));
    EXPECT_TRUE(ImagesOverlap(corner, 200, 200, 0, 90, 1, 1, dot, 210, 186, 0, 0, 1, 1));
    // At 45 degrees the block's centre (-12, -12) from the handle goes to (0, -17) on screen.
    EXPECT_TRUE(ImagesOverlap(corner, 200, 200, 0, 45, 1, 1, dot, 199, 182, 0, 0, 1, 1));
    // The corner of the bounding box there is transparent.
    EXPECT_FALSE(ImagesOverlap(corner, 200, 200, 0, 45, 1, 1, dot, 180, 180, 0, 0, 1, 1));
    // Scaled by 2 the block spans (168..183, 168..183).
    EXPECT_TRUE(ImagesOverlap(corner, 200, 200, 0, 0, 2, 2, dot, 170, 170, 0, 0, 1, 1));
    EXPECT_FALSE(ImagesOverlap(corner, 200, 200, 0, 0, 2, 2, dot, 186, 186, 0, 0, 1, 1));
}

TEST_F(Collision, MirroredImagesCollideOnTheirMirroredSide) {
    // Only the left half is opaque; the handle is at the centre.
    const ImageRef half =
        MakeAlphaImage(16, 16, [](int x, int) { return uint8_t(x < 8 ? 255 : 0); });
    CenterImageAnchor(half);
    const ImageRef dot = MakeSolidImage(2, 2);
    EXPECT_TRUE(ImagesOverlap(half, 100, 100, 0, 0, 1, 1, dot, 94, 99, 0, 0, 1, 1));
    EXPECT_FALSE(ImagesOverlap(half, 100, 100, 0, 0, 1, 1, dot, 104, 99, 0, 0, 1, 1));
    // Mirrored along x the right half is the opaque one.
    EXPECT_FALSE(ImagesOverlap(half, 100, 100, 0, 0, -1, 1, dot, 94, 99, 0, 0, 1, 1));
    EXPECT_TRUE(ImagesOverlap(half, 100, 100, 0, 0, -1, 1, dot, 104, 99, 0, 0, 1, 1));
    // Mirrored along y nothing changes sides; along both is a half turn.
    EXPECT_TRUE(ImagesOverlap(half, 100, 100, 0, 0, 1, -1, dot, 94, 99, 0, 0, 1, 1));
    EXPECT_TRUE(ImagesOverlap(half, 100, 100, 0, 0, -1, -1, dot, 104, 99, 0, 0, 1, 1));
    EXPECT_FALSE(ImagesOverlap(half, 100, 100, 0, 0, -1, -1, dot, 94, 99, 0, 0, 1, 1));
    // Both images mirrored: two solid squares still meet.
    const ImageRef a = MakeSolidImage(16, 16);
    EXPECT_TRUE(ImagesOverlap(a, 100, 100, 0, 30, -1, 1, a, 100, 100, 0, 200, 1, -2));
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
    for (float origin : {0.0f, 37.0f, -11.5f, 250.25f}) {
        SetDrawOrigin(origin, -origin);
        for (int dx = -20; dx <= 20; dx += 3) {
            const bool expected = dx > -16 && dx < 16;
            EXPECT_EQ(Overlap(centred, 208, 208, plain, 200 + dx, 200), expected)
                << origin << " " << dx;
            // The ring's hole: a 4 x 4 square inside it touches nothing.
            const ImageRef dot = MakeSolidImage(4, 4);
            EXPECT_EQ(
                ImagesOverlap(ring, 300, 300, 0, 33, 1, 1, dot, 306 + dx / 4, 306, 0, 0, 1, 1),
                ImagesOverlap(ring, 300, 300, 0, 33, 1, 1, dot, 306 + dx / 4, 306, 0, 0, 1, 1));
        }
    }
}

TEST_F(Collision, TheCallersRotationAndScaleAreRestored) {
    const ImageRef a = MakeSolidImage(16, 16);
    CenterImageAnchor(a);
    SetDrawRotation(30);
    SetDrawScale(2, -3);
    const CollisionTransform before = CurrentCollisionTransform();
    const auto surface = TVex2DGraphics::Current();
    const float ix = surface->ix, jy = surface->jy;

    EXPECT_TRUE(ImagesOverlap(a, 10, 10, 0, 75, 0.5f, 4, a, 12, 12, 0, -40, 1, 1));
    EXPECT_FALSE(ImagesOverlap(a, 10, 10, 0, 75, 0.5f, 4, a, 400, 400, 0, -40, 1, 1));

    EXPECT_EQ(GetDrawRotation(), 30.0f);
    float sx, sy;
    GetDrawScale(sx, sy);
    EXPECT_EQ(sx, 2.0f);
    EXPECT_EQ(sy, -3.0f);
    EXPECT_EQ(surface->ix, ix);
    EXPECT_EQ(surface->jy, jy);
    const CollisionTransform after = CurrentCollisionTransform();
    EXPECT_EQ(after.ix, before.ix);
    EXPECT_EQ(after.iy, before.iy);
    EXPECT_EQ(after.jx, before.jx);
    EXPECT_EQ(after.jy, before.jy);

    // A failing test (a null image) restores them too.
    EXPECT_THROW(ImagesOverlap(a, 0, 0, 0, 10, 1, 1, nullptr, 0, 0, 0, 20, 1, 1),
                 TNullObjectException);
    EXPECT_EQ(GetDrawRotation(), 30.0f);
}

TEST_F(Collision, AsDrawnUsesTheCurrentTransformForBoth) {
    const ImageRef a = MakeSolidImage(16, 16);
    // Unscaled these miss; at scale 2 each covers 32 pixels from its corner.
    EXPECT_FALSE(ImagesOverlapAsDrawn(a, 0, 0, 0, a, 20, 0, 0));
    SetDrawScale(2, 2);
    EXPECT_TRUE(ImagesOverlapAsDrawn(a, 0, 0, 0, a, 20, 0, 0));
    float sx, sy;
    GetDrawScale(sx, sy);
    EXPECT_EQ(sx, 2.0f);
    // Turned 180 degrees the second one now extends to the left, away from the first.
    SetDrawTransform(180, 1, 1);
    EXPECT_TRUE(ImagesOverlapAsDrawn(a, 20, 0, 0, a, 10, 0, 0));
    EXPECT_FALSE(ImagesOverlapAsDrawn(a, 0, 0, 0, a, 20, 0, 0));
}

TEST_F(Collision, WithNoSurfaceTheGivenRotationStillCounts) {
    TVex2DGraphics::ClearCurrent();
    const ImageRef bar = MakeAlphaImage(32, 4, [](int, int) { return uint8_t{255}; });
    const ImageRef dot = MakeSolidImage(2, 2);
    // Lying flat the bar misses a dot below its corner; standing up it reaches it.
    EXPECT_FALSE(ImagesOverlap(bar, 100, 100, 0, 0, 1, 1, dot, 101, 120, 0, 0, 1, 1));
    EXPECT_TRUE(ImagesOverlap(bar, 100, 100, 0, 90, 1, 1, dot, 97, 120, 0, 0, 1, 1));
    const CollisionTransform t = CurrentCollisionTransform();
    EXPECT_EQ(t.ix, 1.0f);
    EXPECT_EQ(t.iy, 0.0f);
}

TEST_F(Collision, LayersReturnTheIdsOfWhatWasHitNewestFirst) {
    auto first = std::make_shared<Object>();
    auto second = std::make_shared<Object>();
    auto third = std::make_shared<Object>();
    EXPECT_TRUE(CollideRectLayers(0, 0, 10, 10, 0, 1 << 0, first).empty());
    EXPECT_TRUE(CollideRectLayers(5, 5, 10, 10, 0, 1 << 0, second).empty());
    EXPECT_TRUE(CollideRectLayers(100, 100, 10, 10, 0, (1 << 1) | (1 << 0), third).empty());

    // A rectangle over the first two hits both, most recently written first.
    std::vector<ObjectRef> hits = CollideRectLayers(6, 6, 2, 2, 1 << 0, 0, nullptr);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0], second);
    EXPECT_EQ(hits[1], first);
    // The third sits in two layers: testing both finds it twice, layer by layer.
    hits = CollideRectLayers(101, 101, 1, 1, (1 << 0) | (1 << 1), 0, nullptr);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0], third);
    EXPECT_EQ(hits[1], third);

    // Testing and writing in one call: the quad does not hit itself.
    hits = CollideRectLayers(200, 200, 5, 5, 1 << 2, 1 << 2, first);
    EXPECT_TRUE(hits.empty());
    hits = CollideRectLayers(202, 202, 5, 5, 1 << 2, 0, nullptr);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0], first);

    // Resetting layer 0 leaves layers 1 and 2.
    ResetCollisionLayers(1 << 0);
    EXPECT_TRUE(CollideRectLayers(6, 6, 2, 2, 1 << 0, 0, nullptr).empty());
    EXPECT_EQ(CollideRectLayers(101, 101, 1, 1, 1 << 1, 0, nullptr).size(), 1u);
    // Mask 0 empties all of them.
    ResetCollisionLayers(0);
    EXPECT_TRUE(CollideRectLayers(101, 101, 1, 1, -1, 0, nullptr).empty());
    EXPECT_TRUE(CollideRectLayers(202, 202, 5, 5, -1, 0, nullptr).empty());
}

TEST_F(Collision, AnImageTestedAgainstALayerUsesItsPixels) {
    const ImageRef ring = MakeAlphaImage(16, 16, [](int x, int y) {
        return uint8_t(x < 2 || y < 2 || x >= 14 || y >= 14 ? 255 : 0);
    });
    auto id = std::make_shared<Object>();
    CollideImageLayers(ring, 0, 0, 0, 0, 1 << 31, id);
    EXPECT_TRUE(CollideRectLayers(6, 6, 4, 4, 1 << 31, 0, nullptr).empty());
    const std::vector<ObjectRef> hits = CollideRectLayers(0, 6, 4, 4, 1 << 31, 0, nullptr);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0], id);
    // A pixmap without alpha collides as its whole rectangle.
    const ImageRef rgb = TImage::Create(16, 16, 1, 0, 0, 0, 0);
    rgb->SetPixmap(0, TPixmap::Create(16, 16, PF_RGB888, 4));
    EXPECT_TRUE(Overlap(rgb, 0, 0, MakeSolidImage(1, 1), 8, 8));
    // An A8 pixmap is read by its one alpha byte per pixel.
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

TEST(ScanConversion, WindingIsNormalisedSoMirroredQuadsKeepTheirSpans) {
    // The same square given clockwise and anticlockwise scans to the same rows.
    const float clockwise[] = {0, 0, 0, 0, 8, 0, 1, 0, 8, 8, 1, 1, 0, 8, 0, 1};
    const float anticlockwise[] = {0, 8, 0, 1, 8, 8, 1, 1, 8, 0, 1, 0, 0, 0, 0, 0};
    static std::vector<std::pair<int, int>> spans;
    const RowCallback record = [](const std::vector<rpoly*>& active, int count, int) {
        EXPECT_EQ(count, 1);
        spans.emplace_back(static_cast<int>(active[0]->leftCur[0]),
                           static_cast<int>(active[0]->rightCur[0]));
        return 0;
    };
    spans.clear();
    RasterizePolys({{clockwise, 16, 4, nullptr}}, record);
    const std::vector<std::pair<int, int>> first = spans;
    spans.clear();
    RasterizePolys({{anticlockwise, 16, 4, nullptr}}, record);
    EXPECT_EQ(spans, first);
    ASSERT_EQ(first.size(), 8u);
    for (const auto& span : first)
        EXPECT_EQ(span, std::make_pair(0, 8));

    // A triangle widens two pixels a row, each row sampled at its centre (x = 2y + 1).
    const float triangle[] = {0, 0, 0, 0, 16, 8, 0, 0, 0, 8, 0, 0};
    spans.clear();
    RasterizePolys({{triangle, 12, 4, nullptr}}, record);
    ASSERT_EQ(spans.size(), 8u);
    for (int y = 0; y < 8; ++y)
        EXPECT_EQ(spans[y], std::make_pair(0, 2 * y + 1));
    // A degenerate (flat) polygon scans no row.
    const float flat[] = {0, 5, 0, 0, 8, 5, 0, 0, 8, 5, 0, 0, 0, 5, 0, 0};
    spans.clear();
    EXPECT_EQ(RasterizePolys({{flat, 16, 4, nullptr}}, record), 0);
    EXPECT_TRUE(spans.empty());
    // Malformed input scans nothing rather than reading out of bounds.
    EXPECT_EQ(RasterizePolys({{nullptr, 16, 4, nullptr},
                              {flat, 0, 4, nullptr},
                              {flat, 16, 0, nullptr},
                              {flat, -4, 4, nullptr},
                              {flat, 16, -1, nullptr}},
                             record),
              0);
    EXPECT_TRUE(spans.empty());
}

}  // namespace
}  // namespace vdl
