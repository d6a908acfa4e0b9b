#include <GL/gl.h>
#include <gtest/gtest.h>

#include "graphics/drawing.h"
#include "graphics/gl_renderer.h"
#include "graphics/graphics.h"
#include "renderer_fixture.h"

namespace {

using namespace vdl;
using glfix::Rgb;

using RendererShapes = glfix::RendererTest;
RENDERER_TEST_SUITE(RendererShapes);

TEST_P(RendererShapes, RectanglesFollowAnchorRotationScaleAndOrigin) {
    SetDrawAnchor(8, 8);
    FillRect(100, 100, 16, 16);
    EXPECT_EQ(LitIn(92, 92, 108, 108), 16 * 16);
    EXPECT_EQ(LitIn(80, 80, 120, 120), 16 * 16) << "nothing outside (92, 92)-(108, 108)";

    // A 20 x 10 bar turned a quarter clockwise about its anchor stands 10 wide and 20 tall.
    ClearScreen();
    SetDrawAnchor(0, 0);
    SetDrawRotation(90);
    FillRect(100, 100, 20, 10);
    EXPECT_EQ(LitIn(90, 100, 100, 120), 200);
    EXPECT_EQ(LitIn(80, 90, 130, 130), 200);

    // Scale doubles along the bar's own axes before it turns; the origin moves it all.
    ClearScreen();
    SetDrawTransform(90, 2, 1);
    SetDrawOrigin(10, 20);
    FillRect(100, 100, 20, 10);
    EXPECT_EQ(LitIn(100, 120, 110, 160), 400);
    EXPECT_EQ(LitIn(90, 110, 130, 170), 400);
}

TEST_P(RendererShapes, TheViewportClipsWithItsYAxisFromTheTop) {
    SetViewArea(50, 30, 20, 10);
    SetDrawOrigin(5, 5);  // moves drawing, not the viewport
    FillRect(0, 0, glfix::kWidth, glfix::kHeight);
    EXPECT_EQ(LitIn(0, 0, glfix::kWidth, glfix::kHeight), 200);
    EXPECT_EQ(LitIn(50, 30, 70, 40), 200);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    SetViewArea(0, 0, glfix::kWidth, glfix::kHeight);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

TEST_P(RendererShapes, PointsAndLinesLandOnPixelCentres) {
    PlotPoint(5, 7);
    EXPECT_TRUE(Lit(5, 7));
    EXPECT_EQ(LitIn(0, 0, 20, 20), 1);

    ClearScreen();
    DrawSegment(10, 20, 30, 20, 1);
    EXPECT_EQ(LitIn(10, 20, 31, 21), 21) << "line and end point";
    EXPECT_EQ(LitIn(0, 15, 40, 25), 21);

    // Rotated 90 degrees, a segment from (40, 40) to (50, 40) points down. Whether a line
    // lights the pixel it starts on when it runs along pixel centres is the GL
    // implementation's choice; the end point comes from the extra plot.
    ClearScreen();
    SetDrawRotation(90);
    DrawSegment(40, 40, 50, 40, 1);
    const int column = LitIn(40, 40, 41, 51);
    EXPECT_GE(column, 10);
    EXPECT_TRUE(Lit(40, 50));
    EXPECT_EQ(LitIn(30, 30, 60, 60), column);
}

TEST_P(RendererShapes, OvalsFillTheirBoxAndTurnWithTheTransform) {
    DrawEllipse(100, 100, 40, 20);
    EXPECT_TRUE(Lit(120, 110));
    for (auto [x, y] : {std::pair{102, 110}, {137, 110}, {120, 101}, {120, 118}}) {
        EXPECT_TRUE(Lit(x, y)) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{101, 101}, {138, 101}, {101, 118}, {138, 118}, {99, 110}}) {
        EXPECT_FALSE(Lit(x, y)) << x << "," << y;
    }
    const int area = LitIn(90, 90, 150, 130);
    EXPECT_NEAR(area, 3.14159 * 20 * 10, 40);

    // Turned a quarter about its anchor (the box's corner) it stands tall.
    ClearScreen();
    SetDrawRotation(90);
    DrawEllipse(100, 100, 40, 20);
    EXPECT_TRUE(Lit(90, 120));
    EXPECT_TRUE(Lit(90, 102));
    EXPECT_FALSE(Lit(110, 110));
    EXPECT_NEAR(LitIn(70, 90, 110, 150), area, 40);
}

TEST_P(RendererShapes, PolygonsNeedThreeWholePoints) {
    DrawPolygon({10, 10, 40, 10, 10, 40});
    EXPECT_TRUE(Lit(15, 15));
    EXPECT_FALSE(Lit(35, 35));
    ClearScreen();
    DrawPolygon({10, 10, 40, 10, 10});
    DrawPolygon({10, 10, 40, 10, 10, 40, 40});
    EXPECT_EQ(LitIn(0, 0, 50, 50), 0);
}

TEST_P(RendererShapes, ColourAndAlphaAreClamped) {
    SetDrawColor(300, -5, 128);
    FillRect(0, 0, 4, 4);
    EXPECT_EQ(Pixel(1, 1), (Rgb{255, 0, 128}));

    SetBlendMode(ALPHABLEND);
    SetDrawColor(200, 100, 0);
    SetDrawAlpha(1.5f);
    FillRect(10, 0, 4, 4);
    EXPECT_EQ(Pixel(11, 1), (Rgb{200, 100, 0}));
    SetDrawAlpha(-1.0f);
    FillRect(20, 0, 4, 4);
    EXPECT_EQ(Pixel(21, 1), (Rgb{0, 0, 0}));
    // 0.5 stores 127, not 128: white at that alpha over black blends to 127.
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(0.5f);
    FillRect(30, 0, 4, 4);
    EXPECT_EQ(Pixel(31, 1), (Rgb{127, 127, 127}));
}

// Each mode over a blue background with an orange source at alpha 0.5 (127 / 255).
TEST_P(RendererShapes, TheFiveBlendModes) {
    struct Case {
        int mode;
        float alpha;
        Rgb expected;
    };
    const float a = 127.0f / 255.0f;
    const Case cases[] = {
        {MASKBLEND, 0.6f, {200, 100, 0}},
        {MASKBLEND, 0.4f, {0, 50, 200}},
        {SOLIDBLEND, 0.2f, {200, 100, 0}},
        {ALPHABLEND, 0.5f, {int(200 * a), int(100 * a + 50 * (1 - a)), int(200 * (1 - a))}},
        {LIGHTBLEND, 0.5f, {int(200 * a), int(100 * a + 50), 200}},
        {SHADEBLEND, 0.5f, {0, 100 * 50 / 255, 0}},
    };
    int x = 0;
    for (const Case& c : cases) {
        SetBlendMode(SOLIDBLEND);
        SetDrawAlpha(1);
        SetDrawColor(0, 50, 200);
        FillRect(x, 0, 8, 8);
        SetBlendMode(c.mode);
        SetDrawAlpha(c.alpha);
        SetDrawColor(200, 100, 0);
        FillRect(x, 0, 8, 8);
        EXPECT_TRUE(glfix::Near(Pixel(x + 4, 4), c.expected, 2))
            << "mode " << c.mode << ": " << Pixel(x + 4, 4) << " vs " << c.expected;
        x += 10;
    }
}

TEST_P(RendererShapes, BlendChangesAreCachedUntilTheSurfaceIsSelectedAgain) {
    SetBlendMode(ALPHABLEND);
    glDisable(GL_BLEND);  // behind the renderer's back
    SetBlendMode(ALPHABLEND);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "the same mode again changes nothing";
    SelectGraphics(CurrentGraphics());
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "selecting sets every state afresh";
}

TEST_P(RendererShapes, GrabbedPixmapsAreRightSideUp) {
    SetDrawColor(255, 0, 0);
    FillRect(0, 0, 6, 2);
    SetDrawColor(0, 0, 255);
    FillRect(0, 2, 6, 2);
    PixmapRef grab = GrabScreenPixmap(0, 0, 6, 4);
    ASSERT_NE(grab, nullptr);
    EXPECT_EQ(grab->format, PF_RGBA8888);
    EXPECT_EQ(grab->ReadPixel(3, 0), 0xFFFF0000u);
    EXPECT_EQ(grab->ReadPixel(3, 3), 0xFF0000FFu);

    // Drawn back elsewhere it looks the same, whatever the transform.
    SetDrawRotation(45);
    SetBlendMode(ALPHABLEND);
    DrawPixmapAt(grab, 100, 50);
    EXPECT_EQ(Pixel(100, 50), (Rgb{255, 0, 0}));
    EXPECT_EQ(Pixel(105, 53), (Rgb{0, 0, 255}));
    EXPECT_EQ(LitIn(95, 45, 115, 60), 24);
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "the blend mode comes back";
}

}  // namespace
