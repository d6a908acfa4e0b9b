#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/headless_renderer.h"
#include "graphics/image.h"
#include "recording_renderer.h"

namespace {

using namespace vdl;
using rec::Call;
using rec::RecordingTest;
using Strings = std::vector<std::string>;

// Where a local point of a recorded shape call lands on screen through the surface's
// current transform.
struct Point {
    float x, y;
};
Point Map(const TVex2DGraphics& s, float x, float y, float tx, float ty) {
    return {tx + x * s.ix + y * s.iy, ty + x * s.jx + y * s.jy};
}

using DrawingState = RecordingTest;

TEST_F(DrawingState, FirstSelectionClearsBothBuffersThenSendsTheDefaults) {
    EXPECT_EQ(driver->Names(), (Strings{"SetTransform", "Cls", "Flip", "Cls", "Flip", "SetBlend",
                                        "SetColor", "SetAlpha", "SetClsColor", "SetLineWidth",
                                        "SetTransform", "SetTransform", "SetViewport"}));
    EXPECT_EQ(driver->Last("SetViewport").args, (std::vector<float>{0, 0, 800, 600}));
    EXPECT_EQ(driver->Last("SetTransform").args, (std::vector<float>{1, 0, 0, 1}));
    EXPECT_EQ(driver->Last("Flip").args, std::vector<float>{0});

    float sx, sy;
    GetDrawScale(sx, sy);
    EXPECT_EQ(GetBlendMode() * sx * sy, MASKBLEND);

    // Selecting it again does not clear again.
    driver->calls.clear();
    SelectGraphics(surface);
    EXPECT_EQ(driver->Count("Cls"), 0);
    EXPECT_EQ(driver->Count("SetBlend"), 1);
}

TEST_F(DrawingState, TheStateOfEachSurfaceSurvivesSwitching) {
    SetDrawColor(10, 20, 30);
    SetBlendMode(ALPHABLEND);
    SetDrawRotation(30);
    SetViewArea(5, 6, 70, 80);
    auto first = surface;

    auto second =
        std::dynamic_pointer_cast<TVex2DGraphics>(CreateGraphicsContext(320, 200, 0, 0, 0));
    SelectGraphics(second);
    EXPECT_EQ(driver->Last("SetColor").args, (std::vector<float>{255, 255, 255}));
    EXPECT_EQ(driver->Last("SetViewport").args, (std::vector<float>{0, 0, 320, 200}));

    driver->calls.clear();
    SelectGraphics(first);
    EXPECT_EQ(driver->Last("SetColor").args, (std::vector<float>{10, 20, 30}));
    EXPECT_EQ(driver->Last("SetBlend").args, std::vector<float>{ALPHABLEND});
    EXPECT_EQ(driver->Last("SetViewport").args, (std::vector<float>{5, 6, 70, 80}));
    EXPECT_NEAR(driver->Last("SetTransform").args[2], 0.5f, 1e-6);  // jx = sin 30
    EXPECT_EQ(TVex2DGraphics::Current(), first);
}

TEST_F(DrawingState, MakingASurfaceCurrentSendsItsTransformToTheRenderer) {
    SetDrawRotation(90);
    auto first = surface;
    auto second =
        std::dynamic_pointer_cast<TVex2DGraphics>(CreateGraphicsContext(320, 200, 0, 0, 0));
    SelectGraphics(second);
    SetDrawScale(2, 3);

    // Only MakeCurrent: the renderer must not keep drawing with the other surface's transform.
    driver->calls.clear();
    first->MakeCurrent();
    EXPECT_EQ(driver->Names(), Strings{"SetTransform"});
    EXPECT_EQ(driver->Last("SetTransform").args,
              (std::vector<float>{first->ix, first->iy, first->jx, first->jy}));
    EXPECT_NEAR(driver->Last("SetTransform").args[2], 1.0f, 1e-6);  // jx = sin 90

    second->MakeCurrent();
    EXPECT_EQ(driver->Last("SetTransform").args, (std::vector<float>{2, 0, 0, 3}));
    EXPECT_EQ(TVex2DGraphics::Current(), second);
}

TEST_F(DrawingState, AnchorPlacesShapesAndRotationTurnsThemAboutThePosition) {
    SetDrawAnchor(8, 8);
    float ax, ay;
    GetDrawAnchor(ax, ay);
    EXPECT_EQ(ax, 8.0f);
    EXPECT_EQ(surface->anchorX, -8.0f);

    FillRect(100, 100, 16, 16);
    Call rect = driver->Last("DrawRect");
    EXPECT_EQ(rect.args, (std::vector<float>{-8, -8, 8, 8, 100, 100}));
    Point tl = Map(*surface, rect.args[0], rect.args[1], rect.args[4], rect.args[5]);
    Point br = Map(*surface, rect.args[2], rect.args[3], rect.args[4], rect.args[5]);
    EXPECT_EQ(tl.x, 92.0f);
    EXPECT_EQ(tl.y, 92.0f);
    EXPECT_EQ(br.x, 108.0f);
    EXPECT_EQ(br.y, 108.0f);

    // Rotated by 90 degrees (clockwise on screen) the local top-left corner goes to the
    // top-right of the same square about (100, 100).
    SetDrawRotation(90);
    FillRect(100, 100, 16, 16);
    rect = driver->Last("DrawRect");
    tl = Map(*surface, rect.args[0], rect.args[1], rect.args[4], rect.args[5]);
    br = Map(*surface, rect.args[2], rect.args[3], rect.args[4], rect.args[5]);
    EXPECT_NEAR(tl.x, 108.0f, 1e-4);
    EXPECT_NEAR(tl.y, 92.0f, 1e-4);
    EXPECT_NEAR(br.x, 92.0f, 1e-4);
    EXPECT_NEAR(br.y, 108.0f, 1e-4);
}

TEST_F(DrawingState, ScaleActsAlongTheObjectsAxesBeforeRotation) {
    SetDrawTransform(90, 2, 3);
    EXPECT_EQ(GetDrawRotation(), 90.0f);
    // The local x axis (scaled by 2) points down after the turn, the y axis (by 3) left.
    const Point px = Map(*surface, 1, 0, 0, 0);
    const Point py = Map(*surface, 0, 1, 0, 0);
    EXPECT_NEAR(px.x, 0.0f, 1e-6);
    EXPECT_NEAR(px.y, 2.0f, 1e-6);
    EXPECT_NEAR(py.x, -3.0f, 1e-6);
    EXPECT_NEAR(py.y, 0.0f, 1e-6);
    const std::vector<float> sent = driver->Last("SetTransform").args;
    EXPECT_EQ(sent, (std::vector<float>{surface->ix, surface->iy, surface->jx, surface->jy}));
    const CollisionTransform& copy = CurrentCollisionTransform();
    EXPECT_EQ(std::vector<float>({copy.ix, copy.iy, copy.jx, copy.jy}), sent);
}

TEST_F(DrawingState, OriginMovesEveryPrimitiveButNotTheViewport) {
    SetDrawOrigin(10, 20);
    SetDrawAnchor(1, 2);
    driver->calls.clear();
    PlotPoint(1, 1);
    FillRect(5, 5, 2, 2);
    DrawSegment(3, 4, 13, 4, 0);
    DrawEllipse(7, 8, 4, 4);
    DrawPolygon({0, 0, 4, 0, 4, 4});
    auto image = TImage::Create(6, 4, 1, 0, 0, 0, 0);
    DrawImageFrame(image, 30, 40);

    EXPECT_EQ(driver->Last("Plot").args, (std::vector<float>{11, 21})) << "no anchor on points";
    EXPECT_EQ(driver->Last("DrawRect").args, (std::vector<float>{-1, -2, 1, 0, 15, 25}));
    EXPECT_EQ(driver->Last("DrawLine").args, (std::vector<float>{-1, -2, 9, -2, 13, 24}));
    EXPECT_EQ(driver->Last("DrawOval").args, (std::vector<float>{-1, -2, 3, 2, 17, 28}));
    EXPECT_EQ(driver->Last("DrawPoly").args,
              (std::vector<float>{-1, -2, 10, 20, 0, 0, 4, 0, 4, 4}));
    EXPECT_EQ(driver->Last("Frame.Draw").args, (std::vector<float>{0, 0, 6, 4, 40, 60}))
        << "images use their own handle, not the drawing anchor";
    EXPECT_EQ(driver->Count("SetViewport"), 0);
    int x, y, w, h;
    GetViewArea(x, y, w, h);
    EXPECT_EQ(x + y, 0);
}

TEST_F(DrawingState, SegmentsPlotTheirEndPointOnRequestThroughTheTransform) {
    DrawSegment(0, 0, 10, 0, 1);
    EXPECT_EQ(driver->Last("DrawLine").args, (std::vector<float>{0, 0, 10, 0, 0, 0}));
    EXPECT_EQ(driver->Last("Plot").args, (std::vector<float>{10, 0}));

    SetDrawRotation(90);
    SetDrawOrigin(100, 50);
    driver->calls.clear();
    DrawSegment(20, 20, 30, 20, 1);
    const std::vector<float> end = driver->Last("Plot").args;
    EXPECT_NEAR(end[0], 120.0f, 1e-4);  // turned to point down from (20, 20) + origin
    EXPECT_NEAR(end[1], 80.0f, 1e-4);

    driver->calls.clear();
    DrawSegment(0, 0, 10, 0, 0);
    EXPECT_EQ(driver->Count("Plot"), 0);
}

TEST_F(DrawingState, ImagesDrawAroundTheirHandleWithStretchingAndSkipMissingFrames) {
    auto image = TImage::Create(20, 10, 2, 0, 0, 0, 0);
    SetImageAnchor(image, 5, 2.5f);
    SetDrawAnchor(100, 100);  // ignored by images
    DrawImageStretched(image, 50, 60, 40, 5, 1);
    EXPECT_EQ(driver->Last("Frame.Draw").args, (std::vector<float>{-5, -2.5f, 35, 2.5f, 50, 60}));

    driver->refuseFrames = true;
    driver->calls.clear();
    DrawImageFrame(image, 0, 0, 0);
    DrawImageFrame(image, 0, 0, 0);
    EXPECT_EQ(driver->Count("Frame.Draw"), 0);
    EXPECT_EQ(driver->Count("CreateFrame"), 2) << "a refused texture is tried again";
    DrawImageFrame(nullptr, 0, 0, 0);
}

TEST_F(DrawingState, TilingCoversTheViewportInPhaseWithIdentityTransform) {
    SetViewArea(10, 10, 100, 50);
    SetDrawRotation(45);
    SetDrawOrigin(2, 0);
    auto image = TImage::Create(30, 20, 1, 0, 0, 0, 0);
    SetImageAnchor(image, 1, 0);
    driver->calls.clear();
    TileImageFrame(image, 4.25f, -3.5f);

    // The copy would sit at (4.25 + 2 - 1, -3.5) = (5.25, -3.5): whole parts (5, -3) place
    // the grid, fractions (0.25, -0.5) shift every copy.
    std::vector<std::pair<float, float>> placed;
    for (const Call& c : driver->calls) {
        if (c.name == "Frame.Draw") placed.push_back({c.args[4], c.args[5]});
    }
    const float xs[] = {5.25f, 35.25f, 65.25f, 95.25f};
    const float ys[] = {-3.5f, 16.5f, 36.5f, 56.5f};
    ASSERT_EQ(placed.size(), 16u);
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            EXPECT_EQ(placed[row * 4 + col].first, xs[col]);
            EXPECT_EQ(placed[row * 4 + col].second, ys[row]);
        }
    }
    EXPECT_EQ(driver->calls.front().name, "CreateFrame");
    EXPECT_EQ(driver->calls[1].args, (std::vector<float>{1, 0, 0, 1}));
    EXPECT_EQ(driver->calls.back().args,
              (std::vector<float>{surface->ix, surface->iy, surface->jx, surface->jy}));
}

TEST_F(DrawingState, FontsDefaultWhenNullAndClosingForgetsTheSurface) {
    // The font is only stored here; any shared pointer stands in for one.
    auto owner = std::make_shared<int>(0);
    std::shared_ptr<TImageFont> font(owner, reinterpret_cast<TImageFont*>(owner.get()));
    UseImageFont(font);
    EXPECT_EQ(CurrentImageFont(), font);
    UseImageFont(nullptr);
    EXPECT_EQ(CurrentImageFont(), DefaultImageFont());

    auto wrapped = std::static_pointer_cast<rec::RecordingSurface>(surface->graphics);
    CloseGraphicsContext(surface);
    EXPECT_TRUE(wrapped->closed);
    EXPECT_EQ(TVex2DGraphics::Current(), nullptr);
    EXPECT_EQ(CurrentRenderer(), nullptr);
    surface->Close();  // a second close does nothing
}

TEST(DrawingWithoutSurface, OperationsAreIgnoredAndGettersGiveTheDefaults) {
    SelectGraphics(nullptr);
    TVex2DGraphics::ClearCurrent();
    SetDrawColor(1, 2, 3);
    SetDrawRotation(45);
    FillRect(0, 0, 5, 5);
    DrawImageFrame(TImage::Create(2, 2, 1, 0, 0, 0, 0), 0, 0);
    EXPECT_EQ(GrabScreenPixmap(0, 0, 4, 4), nullptr);
    int r, g, b;
    GetDrawColor(r, g, b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(GetDrawRotation(), 0.0f);
}

TEST(HeadlessRenderer, RunsTheDrawingLayerWithoutADisplay) {
    ASSERT_NE(OpenHeadlessGraphics(640, 480), nullptr);
    auto headless = HeadlessDriver2D();
    EXPECT_EQ(CurrentGraphicsWidth(), 640);
    headless->counts = {};
    auto image = CreateBlankImage(16, 8);
    DrawImageFrame(image, 10, 10);
    DrawImageFrame(image, 20, 10);
    FillRect(0, 0, 4, 4);
    FlipFrame(-1);
    EXPECT_EQ(headless->counts.framesMade, 1);
    EXPECT_EQ(headless->counts.frameDraws, 2);
    EXPECT_EQ(headless->counts.shapes, 1);
    EXPECT_EQ(headless->counts.flips, 1);
    auto frame = std::dynamic_pointer_cast<THeadlessImageFrame>(image->Frame(0));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width, 16);
    EXPECT_EQ(GrabScreenPixmap(0, 0, 3, 2)->width, 3);
    CloseOpenedGraphics();
    SelectGraphicsDriver(nullptr, 0);
}

}  // namespace
