// The ES 2 renderer's batching: how many draw calls a frame costs, and that what it holds
// back still reaches the screen when a state change or a texture deletion comes first.
#if CCA_HAVE_GLES2
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/gles2_renderer.h"
#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/pixmap.h"
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

PixmapRef Solid(int width, int height, uint32_t argb) {
    PixmapRef p = TPixmap::Create(width, height, PF_RGBA8888, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            p->WritePixel(x, y, argb);
    }
    return p;
}

ImageRef Square(uint32_t argb) {
    return LoadImageFrom(Solid(4, 4, argb), 0);
}

// Two sprites at x 0 and 10, then a green rectangle at 20; the colour is white again after.
void DrawTwoSpritesAndAShape(const ImageRef& first, const ImageRef& second) {
    DrawImageFrame(first, 0, 0);
    DrawImageFrame(second, 10, 0);
    SetDrawColor(10, 200, 30);
    FillRect(20, 0, 4, 4);
    SetDrawColor(255, 255, 255);
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
    const ImageRef red = Square(0xFFFF0000u), green = Square(0xFF00FF00u);
    FillRect(0, 0, 10, 10);
    DrawEllipse(20, 0, 10, 10);
    DrawPolygon({40, 0, 50, 0, 45, 10});
    DrawSegment(0, 20, 50, 20, 0);
    DrawSegment(0, 22, 50, 22, 0);
    PlotPoint(60, 0);
    PlotPoint(61, 0);
    GrabScreenPixmap(0, 0, 1, 1);
    EXPECT_EQ(DrawCalls(), 3) << "triangles, lines, and points as triangles";

    for (int i = 0; i < 4; ++i)
        DrawImageFrame(i % 2 ? red : green, 10.0f * i, 40.0f);
    FillRect(0, 45, 5, 5);
    SetBlendMode(LIGHTBLEND);
    DrawImageFrame(green, 0, 50);
    SetViewArea(0, 0, 100, 100);
    DrawImageFrame(green, 10, 50);
    SetLineThickness(3);  // a wide line is two triangles: it joins the run
    FillRect(0, 60, 5, 5);
    DrawSegment(0, 70, 50, 70, 0);
    GrabScreenPixmap(0, 0, 1, 1);
    EXPECT_EQ(DrawCalls(), 3 + 1 + 1 + 1)
        << "small sprites share a page: each blend and scissor change";
}

// Sharp and filtered sprites sit in a page each; shapes join either. A mipmapped sprite is
// drawn from the page only unturned and unscaled, a large one only from its own texture.
TEST_P(GLES2Batching, SmallSpritesAndShapesOfAnyColourAreOneDrawCallPerPage) {
    const ImageRef red = Square(0xFFFF0000u), green = Square(0xFF00FF00u);
    const PixmapRef blue = Solid(4, 4, 0xFF0000FFu);
    const ImageRef filtered = LoadImageFrom(blue, FILTERED_IMAGE);
    const ImageRef mipmapped = LoadImageFrom(blue, FILTERED_IMAGE | MIPMAPPED_IMAGE);
    const ImageRef large = LoadImageFrom(Solid(200, 4, 0xFFFFFF00u), 0);
    FlipFrame(0);

    DrawTwoSpritesAndAShape(red, green);
    DrawImageFrame(red, 30, 0);
    DrawImageFrame(filtered, 40, 0);
    DrawImageFrame(mipmapped, 50, 0);
    FillRect(60, 0, 4, 4);
    EXPECT_EQ(DrawCalls(), 1) << "the sharp page's sprites and shape, drawn at the switch";
    SetDrawScale(2, 2);
    DrawImageFrame(mipmapped, 70, 0);
    SetDrawScale(1, 1);
    DrawImageFrame(large, 0, 10);
    DrawImageFrame(green, 80, 0);
    FlipFrame(0);
    EXPECT_EQ(GLES2Driver2D()->LastFrameDrawCalls(), 5);

    DrawTwoSpritesAndAShape(red, green);
    DrawImageFrame(filtered, 40, 0);
    DrawImageFrame(large, 0, 10);
    EXPECT_EQ(Pixel(1, 1), (Rgb{255, 0, 0}));
    EXPECT_EQ(Pixel(11, 1), (Rgb{0, 255, 0}));
    EXPECT_EQ(Pixel(21, 1), (Rgb{10, 200, 30})) << "shapes sample white: the colour is exact";
    EXPECT_EQ(Pixel(41, 1), (Rgb{0, 0, 255}));
    EXPECT_EQ(Pixel(150, 11), (Rgb{255, 255, 0}));
}

// A filtered sprite blown up and turned samples the texels around its edges: from the page
// it must look as from a texture of its own, without its neighbours' colours.
TEST_P(GLES2Batching, AFilteredSpriteInThePageLooksAsOnItsOwnWhenBlownUp) {
    auto drawn = [](bool atlas) {
        GLES2Driver2D()->SetSpriteAtlas(atlas);
        PixmapRef p = Solid(4, 4, 0xFFFF0000u);
        p->WritePixel(1, 1, 0xFF0000FFu);
        const ImageRef sprite = LoadImageFrom(p, FILTERED_IMAGE);
        const ImageRef neighbour = LoadImageFrom(Solid(4, 4, 0xFF00FF00u), FILTERED_IMAGE);
        ClearScreen();
        SetDrawTransform(20, 9, 9);
        DrawImageFrame(neighbour, 200, 100);  // the first draws make the textures
        DrawImageFrame(sprite, 50.3f, 40.6f);
        SetDrawTransform(0, 1, 1);
        GLES2Driver2D()->SetSpriteAtlas(true);
        return GrabScreenPixmap(0, 0, 120, 110);
    };
    const PixmapRef own = drawn(false), paged = drawn(true);
    int lit = 0;
    for (int y = 0; y < own->height; ++y) {
        for (int x = 0; x < own->width; ++x) {
            const uint32_t a = own->ReadPixel(x, y), b = paged->ReadPixel(x, y);
            const Rgb ra{int(a >> 16 & 255), int(a >> 8 & 255), int(a & 255)};
            const Rgb rb{int(b >> 16 & 255), int(b >> 8 & 255), int(b & 255)};
            ASSERT_TRUE(glfix::Near(ra, rb, 1)) << x << "," << y << ": " << ra << " vs " << rb;
            lit += ra.r > 0;
        }
    }
    EXPECT_GT(lit, 1000);
}

// A page holds what fits; the images after that have textures of their own and draw alike.
TEST_P(GLES2Batching, ImagesBeyondAFullPageGetTexturesOfTheirOwn) {
    std::vector<ImageRef> images;
    for (int i = 0; i < 80; ++i) {
        const uint32_t argb = 0xFF000000u | static_cast<uint32_t>(i) << 16 | 0x80u;
        images.push_back(LoadImageFrom(Solid(128, 128, argb), FILTERED_IMAGE));
        ASSERT_NE(images.back()->Frame(0), nullptr);
    }
    for (int i : {0, 79}) {
        DrawImageFrame(images[static_cast<std::size_t>(i)], 10, 10);
        EXPECT_EQ(Pixel(70, 70), (Rgb{i, 0, 0x80})) << "image " << i;
    }
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
