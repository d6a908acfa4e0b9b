#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "graphics/pixmap.h"
#include "graphics/texture_layout.h"
#include "runtime/errors.h"

namespace {

using namespace vdl;

// A GL that takes textures up to max on each side.
TextureSizeTest UpTo(int max) {
    return [max](int w, int h) { return w <= max && h <= max; };
}

TEST(TextureLayout, SizesRoundUpThenHalveUntilGLTakesThem) {
    EXPECT_EQ(NextPow2(0), 1);
    EXPECT_EQ(NextPow2(20), 32);
    EXPECT_EQ(NextPow2(64), 64);

    int w = 300, h = 5;
    CalcTexSize(w, h, UpTo(128));
    EXPECT_EQ(std::pair(w, h), std::pair(128, 2)) << "both sides halve together";
    w = h = 2;
    try {
        CalcTexSize(w, h, [](int, int) { return false; });
        FAIL() << "no size is taken";
    } catch (const TRuntimeException& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to calculate tex size");
    }
}

TEST(TextureLayout, TooLargeSourcesAreScaledIntoTheTextureAndComePacked) {
    PixmapRef src = TPixmap::Create(40, 10, PF_RGB888, 4);
    for (int x = 0; x < 40; ++x) {
        src->WritePixel(x, 8, 0xFF0000FFu);
        src->WritePixel(x, 9, 0xFF0000FFu);
    }
    const TextureLayout layout = LayOutTexture(src->Window(0, 0, 40, 10), UpTo(32));
    ASSERT_EQ(layout.pixels->width, 32);
    ASSERT_EQ(layout.pixels->height, 8);
    EXPECT_EQ(layout.pixels->format, PF_RGBA8888);
    EXPECT_EQ(layout.pixels->pitch, 32 * 4);
    EXPECT_EQ(layout.uRight, 1.0f);
    EXPECT_EQ(layout.vBottom, 1.0f);
    EXPECT_EQ(layout.pixels->ReadPixel(31, 7), 0xFF0000FFu);

    // A window onto a wider pixmap is copied into packed rows, whatever its size.
    PixmapRef wide = TPixmap::Create(64, 16, PF_RGBA8888, 4);
    EXPECT_EQ(LayOutTexture(wide->Window(0, 0, 16, 16), UpTo(64)).pixels->pitch, 64);
}

}  // namespace
