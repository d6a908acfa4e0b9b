// The ES 2 renderer's batching: how many draw calls a frame costs, and that what it holds
// back still reaches the screen when a state change or a texture deletion comes first.
#if CCA_HAVE_GLES2
#include <gtest/gtest.h>

#include "graphics/drawing.h"
#include "graphics/gles2_renderer.h"
#include "graphics/graphics.h"
#include "graphics/image.h"
#include "tests/gl/renderer_fixture.h"

namespace {

using namespace vdl;
using glfix::Rgb;

class GLES2Batching : public glfix::RendererTest {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        FlipFrame(0);
    }
    static int DrawCalls() { return GLES2Driver2D()->FrameDrawCalls(); }
};
INSTANTIATE_TEST_SUITE_P(Renderers, GLES2Batching, testing::Values(glfix::Renderer::GLES2),
                         glfix::RendererName);

ImageRef Square(uint32_t argb) {
    PixmapRef p = TPixmap::Create(4, 4, PF_RGBA8888, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            p->WritePixel(x, y, argb);
    }
    return LoadImageFrom(p, 0);
}

TEST_P(GLES2Batching, AHundredSpritesOfOneTextureAreOneDrawCall) {
    const ImageRef sprite = Square(0xFFFF0000u);
    SetBlendMode(ALPHABLEND);
    for (int i = 0; i < 100; ++i) {
        SetDrawTransform(static_cast<float>(i * 7), 1.0f + (i % 3) * 0.5f, 1.0f);
        SetDrawColor(255, i * 2, 0);
        SetDrawAlpha(0.5f + (i % 2) * 0.5f);
        DrawImageFrame(sprite, static_cast<float>(i * 3 % 300), static_cast<float>(i % 200));
    }
    EXPECT_EQ(DrawCalls(), 0) << "nothing is drawn before it must be";
    FlipFrame(0);
    EXPECT_EQ(GLES2Driver2D()->LastFrameDrawCalls(), 1);
    EXPECT_EQ(DrawCalls(), 0);
}

TEST_P(GLES2Batching, ShapesShareTheTriangleRunAndStateChangesSplitTheBatch) {
    FillRect(0, 0, 10, 10);
    DrawEllipse(20, 0, 10, 10);
    DrawPolygon({40, 0, 50, 0, 45, 10});
    DrawSegment(0, 20, 50, 20, 0);
    DrawSegment(0, 22, 50, 22, 0);
    PlotPoint(60, 0);
    PlotPoint(61, 0);
    GrabScreenPixmap(0, 0, 1, 1);
    EXPECT_EQ(DrawCalls(), 3) << "triangles, lines, points";

    const ImageRef red = Square(0xFFFF0000u), green = Square(0xFF00FF00u);
    for (int i = 0; i < 4; ++i)
        DrawImageFrame(i % 2 ? red : green, 10.0f * i, 40.0f);
    SetBlendMode(LIGHTBLEND);
    DrawImageFrame(green, 0, 50);
    SetViewArea(0, 0, 100, 100);
    DrawImageFrame(green, 10, 50);
    SetLineThickness(3);  // a wide line is two triangles: it joins the run
    FillRect(0, 60, 5, 5);
    DrawSegment(0, 70, 50, 70, 0);
    GrabScreenPixmap(0, 0, 1, 1);
    EXPECT_EQ(DrawCalls(), 3 + 4 + 1 + 1 + 1) << "each texture, blend and scissor change";
}

TEST_P(GLES2Batching, WhatTheBatchHoldsIsDrawnBeforeItsTextureGoes) {
    ImageRef sprite = Square(0xFF00FF00u);
    DrawImageFrame(sprite, 10, 10);
    sprite = nullptr;  // the frame and its texture go while the batch still draws with it
    const ImageRef other = Square(0xFFFF0000u);  // may be given the same texture name
    DrawImageFrame(other, 20, 10);
    EXPECT_EQ(Pixel(11, 11), (Rgb{0, 255, 0}));
    EXPECT_EQ(Pixel(21, 11), (Rgb{255, 0, 0}));
}

}  // namespace
#endif
