#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/gl_graphics.h"
#include "graphics/gl_renderer.h"
#include "graphics/graphics.h"
#include "graphics/image.h"
#include "renderer_fixture.h"

namespace {

using namespace vdl;
using glfix::Rgb;

// Textures of their own: the ES 2 renderer's sprite atlas is off (it has tests of its own).
class RendererTextures : public glfix::RendererTest {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        SetSpriteAtlas(false);
    }
    void TearDown() override { SetSpriteAtlas(true); }

    void SetSpriteAtlas([[maybe_unused]] bool on) const {
#if CCA_HAVE_GLES2
        if (GetParam() == glfix::Renderer::GLES2) GLES2Driver2D()->SetSpriteAtlas(on);
#endif
    }
};
RENDERER_TEST_SUITE(RendererTextures);

// An opaque pixmap whose pixel (x, y) is (10 x, 7 y, 99).
PixmapRef Gradient(int width, int height, int format) {
    PixmapRef p = TPixmap::Create(width, height, format, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            p->WritePixel(x, y, 0xFF000063u | (x * 10 << 16) | (y * 7 << 8));
    }
    return p;
}

// ARGB of a pixmap pixel as the RGBA bytes GL returns, read as a little-endian word.
uint32_t AsTexel(uint32_t argb) {
    return ((argb >> 16) & 0xFF) | (argb & 0xFF00) | ((argb & 0xFF) << 16) | (argb & 0xFF000000);
}

TEST_P(RendererTextures, SizesArePowersOfTwoWithTheEdgeRepeatedIntoThePadding) {
    const PixmapRef src = Gradient(20, 30, PF_RGBA8888);
    const glfix::FrameFields frame = Fields(Driver()->CreateFrameFromPixmap(src, 0));
    EXPECT_EQ(frame.uRight, 0.625f);
    EXPECT_EQ(frame.vBottom, 0.9375f);
    EXPECT_EQ(frame.seq, graphicsSeq);

    int w = 0, h = 0;
    const std::vector<uint32_t> t = Texels(frame.name, 0, w, h);
    ASSERT_EQ(w, 32);
    ASSERT_EQ(h, 32);
    auto at = [&](int x, int y) { return t[y * 32 + x]; };
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(at(x, y), AsTexel(src->ReadPixel(x, y))) << x << "," << y;
        EXPECT_EQ(at(20, y), at(19, y)) << "row " << y;
    }
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(at(x, 30), at(x, 29)) << "column " << x;
    EXPECT_EQ(at(20, 30), at(19, 29));

    // An exact power of two has no border; an RGB source is converted.
    const PixmapRef rgb = Gradient(16, 16, PF_RGB888);
    const glfix::FrameFields exact = Fields(Driver()->CreateFrameFromPixmap(rgb, 0));
    EXPECT_EQ(exact.uRight, 1.0f);
    const std::vector<uint32_t> e = Texels(exact.name, 0, w, h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(e[5 * 16 + 9], AsTexel(rgb->ReadPixel(9, 5)));
}

TEST_P(RendererTextures, FlagsChooseFilteringAndTheMipmapChain) {
    const PixmapRef src = Gradient(8, 2, PF_RGBA8888);
    const glfix::FrameFields mip =
        Fields(Driver()->CreateFrameFromPixmap(src, FILTERED_IMAGE | MIPMAPPED_IMAGE));
    const int sizes[][2] = {{8, 2}, {4, 1}, {2, 1}, {1, 1}};
    PixmapRef expected = src;
    for (int level = 0; level < 4; ++level) {
        int w = 0, h = 0;
        const std::vector<uint32_t> t = Texels(mip.name, level, w, h);
        EXPECT_EQ(w, sizes[level][0]) << "level " << level;
        EXPECT_EQ(h, sizes[level][1]) << "level " << level;
        if (level > 0) expected = ResizePixmap(expected, w, h);
        EXPECT_EQ(t.at(w - 1), AsTexel(expected->ReadPixel(w - 1, 0))) << "level " << level;
    }
    GLint minFilter = 0, magFilter = 0;
    glBindTexture(GL_TEXTURE_2D, mip.name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);

    const glfix::FrameFields plain =
        Fields(Driver()->CreateFrameFromPixmap(Gradient(8, 2, PF_RGBA8888), 0));
    glBindTexture(GL_TEXTURE_2D, plain.name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Every pixel of a small unfiltered image, drawn rotated and scaled around its handle,
// shows up where the drawing mapping puts the pixel's centre.
TEST_P(RendererTextures, ImagesLandWhereTheMappingPutsThem) {
    ImageRef image = LoadImageFrom(Gradient(8, 4, PF_RGBA8888), 0);
    SetImageAnchor(image, 2, 1);
    SetDrawTransform(90, 3, 2);
    DrawImageFrame(image, 150, 100);

    const TVex2DGraphics& s = *TVex2DGraphics::Current();
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            const float lx = x + 0.5f - 2, ly = y + 0.5f - 1;
            const float sx = 150 + lx * s.ix + ly * s.iy;
            const float sy = 100 + lx * s.jx + ly * s.jy;
            const uint32_t argb = image->Lock(0, true, false)->ReadPixel(x, y);
            const Rgb expected{int(argb >> 16 & 0xFF), int(argb >> 8 & 0xFF), int(argb & 0xFF)};
            EXPECT_EQ(Pixel(int(std::floor(sx)), int(std::floor(sy))), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(LitIn(100, 50, 200, 150), 8 * 4 * 6);
}

TEST_P(RendererTextures, TheDrawingColourModulatesTextures) {
    ImageRef image = LoadImageFrom(Gradient(4, 4, PF_RGBA8888), 0);
    SetDrawColor(128, 255, 0);
    DrawImageFrame(image, 10, 10);
    const uint32_t argb = image->Lock(0, true, false)->ReadPixel(3, 2);
    EXPECT_TRUE(glfix::Near(
        Pixel(13, 12), Rgb{int((argb >> 16 & 0xFF) * 128 / 255), int(argb >> 8 & 0xFF), 0}, 1));
}

TEST_P(RendererTextures, TexturesAreRebuiltAfterGraphicsAreReopened) {
    ImageRef image = LoadImageFrom(Gradient(6, 6, PF_RGB888), MASKED_IMAGE);
    DrawImageFrame(image, 0, 0);
    const std::shared_ptr<TImageFrame> before = image->frames[0];
    const int seqBefore = graphicsSeq;

    ASSERT_NE(OpenGraphics(glfix::kWidth, glfix::kHeight, 0, 0, 0), nullptr);
    SetUp();
    EXPECT_NE(graphicsSeq, seqBefore);
    DrawImageFrame(image, 20, 20);
    EXPECT_NE(image->frames[0], before);
    EXPECT_EQ(image->seqs[0], graphicsSeq);
    EXPECT_EQ(Pixel(23, 24), (Rgb{30, 28, 99}));
}

// A texture deleted and replaced by one that GL gives the same name must still be bound
// afresh before the next draw. GL may recycle names at once; here the new texture takes
// the old name on purpose.
TEST_P(RendererTextures, ARecycledTextureNameIsBoundAgain) {
    PixmapRef red = TPixmap::Create(4, 4, PF_RGBA8888, 4);
    std::vector<uint32_t> green(16, 0xFF00FF00u);  // RGBA bytes 00 FF 00 FF
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            red->WritePixel(x, y, 0xFFFF0000);
    }
    ImageRef image = LoadImageFrom(red, 0);
    DrawImageFrame(image, 0, 0);
    const unsigned name = Fields(image->frames[0]).name;
    image->SetPixmap(0, red);  // drops the frame: its texture is deleted

    {
        SharedContextScope shared(Api());
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, green.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        glFlush();
    }
    FrameNamed(name)->Draw(0, 0, 4, 4, 10, 0);
    EXPECT_EQ(Pixel(11, 1), (Rgb{0, 255, 0}));
}

}  // namespace
