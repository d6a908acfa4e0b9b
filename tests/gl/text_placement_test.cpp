// Text on a real OpenGL surface: glyphs of the built-in font land pixel for pixel where the
// drawing mapping puts them (turned 90 degrees at scale 2), and TrueType text stays inside
// the box its measurements give.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "graphics/image_font.h"
#include "tests/gl/renderer_fixture.h"

namespace {

using glfix::kHeight;
using glfix::kWidth;

class TextPlacement : public glfix::RendererTest {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        vdl::StartImageFonts();
        vdl::UseImageFont(nullptr);
        vdl::SetBlendMode(vdl::ALPHABLEND);
        std::ifstream in(CCA_SOURCE_DIR "/graphics/vardofont.bin", std::ios::binary);
        bits_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ASSERT_EQ(bits_.size(), 1536u);
    }

    // Whether pixel (x, y) of character c is set in the built-in font.
    bool Bit(char c, int x, int y) const { return (bits_[y * 96 + (c - 32)] >> x) & 1; }

    std::vector<unsigned char> bits_;
};
RENDERER_TEST_SUITE(TextPlacement);

TEST_P(TextPlacement, RotatedAndScaledTextFollowsTheMapping) {
    // Turned 90 degrees clockwise at scale 2: local (x, y) goes to (200 - 2y, 50 + 2x), and
    // the pen moves 16 pixels down per character.
    vdl::SetDrawOrigin(3, 5);
    vdl::SetDrawTransform(90, 2, 2);
    vdl::DrawString("F7", 197, 45);
    vdl::SetDrawTransform(0, 1, 1);
    vdl::SetDrawOrigin(0, 0);
    int checked = 0;
    for (int k = 0; k < 2; ++k) {
        const char c = "F7"[k];
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 8; ++x) {
                // The centre of the 2 x 2 block the pixel becomes.
                const int sx = 200 - 2 * y - 1;
                const int sy = 50 + 16 * k + 2 * x + 1;
                ASSERT_EQ(Lit(sx, sy), Bit(c, x, y)) << c << " pixel " << x << "," << y;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 256);
    // Nothing to the right of the line's top edge or above its start.
    EXPECT_EQ(LitIn(200, 40, 220, 90), 0);
    EXPECT_EQ(LitIn(160, 30, 200, 50), 0);
}

TEST_P(TextPlacement, TrueTypeTextStaysInsideItsMeasuredBox) {
    const char* const dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    ASSERT_TRUE(std::filesystem::exists(dejavu))
        << "fonts-dejavu-core is not installed; tools/install-deps.sh test installs it";
    const vdl::ImageFontRef font = vdl::OpenImageFont(dejavu, 24, vdl::SMOOTHFONT);
    ASSERT_NE(font, nullptr);
    vdl::UseImageFont(font);
    const int width = vdl::MeasureTextWidth("Hello, gl");
    const int height = vdl::FontLineHeight();
    vdl::DrawString("Hello, gl", 20, 100);
    // Ink inside the box, none outside it (the smooth border is transparent).
    EXPECT_GT(LitIn(20, 100, 20 + width, 100 + height), 150);
    EXPECT_EQ(LitIn(0, 0, kWidth, 99), 0);
    EXPECT_EQ(LitIn(0, 100 + height + 1, kWidth, kHeight), 0);
    EXPECT_EQ(LitIn(0, 0, 18, kHeight), 0);
    EXPECT_EQ(LitIn(20 + width + 2, 0, kWidth, kHeight), 0);
    vdl::UseImageFont(nullptr);
}

}  // namespace
