// Image fonts on a headless surface: the built-in font, measuring, where glyphs are drawn,
// and image fonts over a TrueType source.
#include <gtest/gtest.h>

#include <filesystem>

#include "graphics/drawing.h"
#include "graphics/headless_renderer.h"
#include "graphics/image_font.h"
#include "stream/embedded.h"

namespace vdl {
namespace {

class ImageFonts : public ::testing::Test {
protected:
    void SetUp() override {
        StartImageFonts();
        graphics_ = OpenHeadlessGraphics(640, 480);
        UseImageFont(nullptr);
        SetDrawTransform(0, 1, 1);
        SetDrawOrigin(0, 0);
        SetDrawAnchor(0, 0);
    }
    std::shared_ptr<TGraphics> graphics_;
};

TEST_F(ImageFonts, TheBuiltInFontIsEightBySixteenForCharacters32To127) {
    EXPECT_EQ(EmbeddedSize("vardofont.bin"), 1536);
    const ImageFontRef font = CurrentImageFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, DefaultImageFont());
    EXPECT_EQ(FontLineHeight(), 16);
    EXPECT_EQ(font->CountGlyphs(), 96);
    EXPECT_EQ(MeasureTextWidth("abc"), 24);
    EXPECT_EQ(MeasureTextWidth(" ~\x7f"), 24);
    // Control characters and bytes above 127 are skipped without advancing.
    EXPECT_EQ(MeasureTextWidth("a\tb\nc\x01"), 24);
    EXPECT_EQ(MeasureTextWidth("\xc3\xa9t\xc3\xa9"), 8);

    const ImageGlyphRef w = font->LoadGlyph(font->CharToGlyph('W'));
    int x, y, width, height;
    w->GetRect(x, y, width, height);
    EXPECT_EQ(x + y, 0);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 16);
    EXPECT_EQ(w->Image()->flags, 0);
    // Opaque white ink on transparent ground.
    const PixmapRef pixmap = w->Image()->Lock(0, true, false);
    int ink = 0;
    for (int py = 0; py < 16; ++py) {
        for (int px = 0; px < 8; ++px) {
            const uint32_t argb = pixmap->ReadPixel(px, py);
            ASSERT_TRUE(argb == 0 || argb == 0xFFFFFFFFu);
            ink += argb != 0;
        }
    }
    EXPECT_GT(ink, 10);
}

// A source font whose letters all advance 2.7 pixels.
class FractionalFont : public TFont {
    class Glyph : public TGlyph {
        PixmapRef Pixmap() override { return nullptr; }
        float Advance() override { return 2.7f; }
        void GetRect(int& x, int& y, int& w, int& h) override { x = y = w = h = 0; }
    };
    int Style() override { return 0; }
    int Height() override { return 11; }
    int CountGlyphs() override { return 1; }
    int CharToGlyph(int c) override { return c >= 'a' && c <= 'z' ? 0 : -1; }
    GlyphRef LoadGlyph(int) override { return std::make_shared<Glyph>(); }
};

TEST_F(ImageFonts, MeasuringTruncatesAfterEveryCharacter) {
    auto font = std::make_shared<TImageFont>();
    font->srcFont = std::make_shared<FractionalFont>();
    font->glyphs.resize(1);
    UseImageFont(font);
    EXPECT_EQ(FontLineHeight(), 11);
    // 2.7 -> 2, 2 + 2.7 -> 4, 4 + 2.7 -> 6; never 8 (the sum 8.1).
    EXPECT_EQ(MeasureTextWidth("abc"), 6);
    EXPECT_EQ(MeasureTextWidth("a-b"), 4);
}

// Records where each glyph frame is drawn.
class RecordingFrame : public TImageFrame {
public:
    explicit RecordingFrame(std::vector<std::pair<float, float>>* at) : at_(at) {}
    void Draw(float, float, float, float, float tx, float ty) override { at_->push_back({tx, ty}); }

private:
    std::vector<std::pair<float, float>>* at_;
};

TEST_F(ImageFonts, TextStartsAtTheAnchoredLineBoxAndFollowsTheTransform) {
    const ImageFontRef font = TImageFont::CreateDefault();
    std::vector<std::pair<float, float>> at;
    for (const ImageGlyphRef& g : font->glyphs) {
        g->image->frames[0] = std::make_shared<RecordingFrame>(&at);
        g->image->seqs[0] = graphicsSeq;
    }
    UseImageFont(font);
    SetDrawOrigin(5, 7);
    SetDrawAnchor(4, 0);
    SetDrawTransform(90, 2, 2);
    DrawString("ab\x01 c", 100, 50);
    // The anchor (4, 0) turns to (0, 8) at scale 2; each advance of 8 moves 16 pixels down.
    ASSERT_EQ(at.size(), 4u);
    const float expectedY[] = {49, 65, 81, 97};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(at[i].first, 105.0f, 1e-4);
        EXPECT_NEAR(at[i].second, expectedY[i], 1e-4);
    }
}

TEST_F(ImageFonts, TrueTypeImageFontsMakeGlyphImagesOnFirstUse) {
    const char* const dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    ASSERT_TRUE(std::filesystem::exists(dejavu))
        << "fonts-dejavu-core is missing; tools/install-deps.sh test installs it";
    const ImageFontRef smooth = OpenImageFont(dejavu, 32, SMOOTHFONT);
    ASSERT_NE(smooth, nullptr);
    EXPECT_EQ(smooth->imageFlags, FILTERED_IMAGE | MIPMAPPED_IMAGE);
    EXPECT_EQ(OpenImageFont(dejavu, 32, 0)->imageFlags, 0);
    EXPECT_EQ(smooth->Height(), smooth->srcFont->Height());

    const int g = smooth->CharToGlyph('g');
    EXPECT_EQ(smooth->glyphs[g], nullptr);
    const ImageGlyphRef glyph = smooth->LoadGlyph(g);
    EXPECT_EQ(smooth->glyphs[g], glyph);
    EXPECT_EQ(glyph->Image()->flags, FILTERED_IMAGE | MIPMAPPED_IMAGE);
    int x, y, w, h;
    glyph->GetRect(x, y, w, h);
    EXPECT_EQ(glyph->Image()->width, w);
    EXPECT_EQ(glyph->Image()->height, h);
    const ImageGlyphRef space = smooth->LoadGlyph(smooth->CharToGlyph(' '));
    EXPECT_EQ(space->Image(), nullptr);
    EXPECT_GT(space->Advance(), 0.0f);

    UseImageFont(smooth);
    EXPECT_EQ(MeasureTextWidth("Hel\x01lo"), MeasureTextWidth("Hello"));
    EXPECT_EQ(OpenImageFont("/no/such.ttf", 32, SMOOTHFONT), nullptr);
}

}  // namespace
}  // namespace vdl
