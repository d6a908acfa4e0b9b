// Image fonts on a headless surface: the built-in font, measuring, drawing through the
// current font, and image fonts over a TrueType source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "graphics/drawing.h"
#include "graphics/freetype_font.h"
#include "graphics/headless_renderer.h"
#include "graphics/image_font.h"
#include "runtime/errors.h"
#include "stream/embedded.h"

namespace vdl {
namespace {

const char* const kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class ImageFonts : public ::testing::Test {
protected:
    void SetUp() override {
        StartImageFonts();
        graphics_ = OpenHeadlessGraphics(640, 480);
        ASSERT_NE(TVex2DGraphics::Current(), nullptr);
        UseImageFont(nullptr);
        SetDrawTransform(0, 1, 1);
        SetDrawOrigin(0, 0);
        SetDrawAnchor(0, 0);
        HeadlessDriver2D()->counts = {};
    }
    std::shared_ptr<TGraphics> graphics_;
};

// A source font with one glyph of a fractional advance for every letter.
class FractionalFont : public TFont {
public:
    class Glyph : public TGlyph {
    public:
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

TEST_F(ImageFonts, TheBuiltInFontIsEightBySixteenForCharacters32To127) {
    EXPECT_EQ(EmbeddedSize("vardofont.bin"), 1536);
    const ImageFontRef font = CurrentImageFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, DefaultImageFont());
    EXPECT_EQ(font->srcFont, nullptr);
    EXPECT_EQ(font->Style(), 0);
    EXPECT_EQ(FontLineHeight(), 16);
    EXPECT_EQ(font->CountGlyphs(), 96);
    EXPECT_EQ(font->CharToGlyph(' '), 0);
    EXPECT_EQ(font->CharToGlyph(127), 95);
    EXPECT_EQ(font->CharToGlyph(31), -1);
    EXPECT_EQ(font->CharToGlyph(128), -1);

    EXPECT_EQ(MeasureTextWidth("abc"), 24);
    EXPECT_EQ(MeasureTextWidth(" ~\x7f"), 24);
    EXPECT_EQ(MeasureTextWidth(""), 0);
    // Control characters and bytes above 127 are skipped without advancing.
    EXPECT_EQ(MeasureTextWidth("a\tb\nc\x01"), 24);
    EXPECT_EQ(MeasureTextWidth("\xc3\xa9t\xc3\xa9"), 8);

    const ImageGlyphRef glyph = font->LoadGlyph(font->CharToGlyph('W'));
    int x, y, w, h;
    glyph->GetRect(x, y, w, h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(glyph->Advance(), 8.0f);
    ASSERT_NE(glyph->Image(), nullptr);
    EXPECT_EQ(glyph->Image()->flags, 0);
    EXPECT_THROW(font->LoadGlyph(96), TArrayBoundsException);
}

TEST_F(ImageFonts, BuiltInGlyphImagesHoldTheFileBitsLeastSignificantFirst) {
    std::ifstream in(CCA_SOURCE_DIR "/graphics/vardofont.bin", std::ios::binary);
    const std::vector<unsigned char> bits{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    ASSERT_EQ(bits.size(), 1536u);
    const ImageFontRef font = TImageFont::CreateDefault();
    int opaque = 0;
    for (int c = 0; c < 96; ++c) {
        const PixmapRef pixmap = font->LoadGlyph(c)->Image()->Lock(0, true, false);
        ASSERT_EQ(pixmap->format, PF_RGBA8888);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool set = (bits[y * 96 + c] >> x) & 1;
                ASSERT_EQ(pixmap->ReadPixel(x, y), set ? 0xFFFFFFFFu : 0u)
                    << "char " << c + 32 << " at " << x << "," << y;
                opaque += set;
            }
        }
    }
    EXPECT_GT(opaque, 500);  // a real font, not an empty file
}

TEST_F(ImageFonts, MeasuringTruncatesAfterEveryCharacter) {
    auto font = std::make_shared<TImageFont>();
    font->srcFont = std::make_shared<FractionalFont>();
    font->glyphs.resize(1);
    UseImageFont(font);
    EXPECT_EQ(FontLineHeight(), 11);
    // 2.7 -> 2, 2 + 2.7 -> 4, 4 + 2.7 -> 6: never 8 (the untruncated 8.1).
    EXPECT_EQ(MeasureTextWidth("abc"), 6);
    EXPECT_EQ(MeasureTextWidth("a-b"), 4);
    UseImageFont(nullptr);
    EXPECT_EQ(CurrentImageFont(), DefaultImageFont());
}

TEST_F(ImageFonts, DrawStringDrawsOneFramePerVisibleGlyph) {
    DrawString("Hi there", 10, 20);
    // The space has a blank image in the built-in font; every glyph has an image.
    EXPECT_EQ(HeadlessDriver2D()->counts.frameDraws, 8);
    HeadlessDriver2D()->counts = {};
    DrawString("\x01\x02", 10, 20);
    EXPECT_EQ(HeadlessDriver2D()->counts.frameDraws, 0);
}

// Records where each glyph frame is drawn.
class RecordingFrame : public TImageFrame {
public:
    explicit RecordingFrame(std::vector<std::pair<float, float>>* at) : at_(at) {}
    void Draw(float, float, float, float, float tx, float ty) override { at_->push_back({tx, ty}); }

private:
    std::vector<std::pair<float, float>>* at_;
};

TEST_F(ImageFonts, TextFollowsTheTransformFromTheAnchoredLineBox) {
    const ImageFontRef font = TImageFont::CreateDefault();
    std::vector<std::pair<float, float>> at;
    for (const ImageGlyphRef& g : font->glyphs) {
        g->image->frames[0] = std::make_shared<RecordingFrame>(&at);
        g->image->seqs[0] = graphicsSeq;
    }
    // Rotated 90 degrees and scaled 2: each advance of 8 moves the pen 16 pixels down.
    font->Draw("ab c", 100, 50, 0, -2, 2, 0);
    ASSERT_EQ(at.size(), 4u);
    EXPECT_EQ(at[0], std::make_pair(100.0f, 50.0f));
    EXPECT_EQ(at[1], std::make_pair(100.0f, 66.0f));
    EXPECT_EQ(at[3], std::make_pair(100.0f, 98.0f));

    // Through DrawString: the origin and the anchor (turned with the text) move the box.
    UseImageFont(font);
    SetDrawOrigin(5, 7);
    SetDrawAnchor(4, 0);
    SetDrawRotation(90);
    at.clear();
    DrawString("ab", 100, 50);
    ASSERT_EQ(at.size(), 2u);
    EXPECT_NEAR(at[0].first, 105.0f, 1e-4);
    EXPECT_NEAR(at[0].second, 53.0f, 1e-4);  // anchor (-4, 0) turned to (0, -4)
    EXPECT_NEAR(at[1].second, 61.0f, 1e-4);
}

TEST_F(ImageFonts, TrueTypeImageFontsMakeGlyphImagesOnFirstUse) {
    if (!std::filesystem::exists(kDejaVu)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
    const ImageFontRef smooth = OpenImageFont(kDejaVu, 32, SMOOTHFONT);
    const ImageFontRef plain = OpenImageFont(kDejaVu, 32, 0);
    ASSERT_NE(smooth, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(smooth->imageFlags, FILTERED_IMAGE | MIPMAPPED_IMAGE);
    EXPECT_EQ(plain->imageFlags, 0);
    EXPECT_EQ(smooth->Style(), SMOOTHFONT);
    EXPECT_EQ(smooth->Height(), smooth->srcFont->Height());
    EXPECT_EQ(smooth->CountGlyphs(), smooth->srcFont->CountGlyphs());

    const int g = smooth->CharToGlyph('g');
    EXPECT_EQ(smooth->glyphs[g], nullptr);
    const ImageGlyphRef glyph = smooth->LoadGlyph(g);
    EXPECT_EQ(smooth->LoadGlyph(g), glyph);
    ASSERT_NE(glyph->Image(), nullptr);
    EXPECT_EQ(glyph->Image()->flags, FILTERED_IMAGE | MIPMAPPED_IMAGE);
    EXPECT_EQ(glyph->Image()->handleX, 0.0f);
    int x, y, w, h;
    glyph->GetRect(x, y, w, h);
    EXPECT_EQ(glyph->Image()->width, w);
    EXPECT_EQ(glyph->Image()->height, h);
    // The space has an advance but no image.
    const ImageGlyphRef space = smooth->LoadGlyph(smooth->CharToGlyph(' '));
    EXPECT_EQ(space->Image(), nullptr);
    EXPECT_GT(space->Advance(), 0.0f);

    UseImageFont(plain);
    const int width = MeasureTextWidth("Hello");
    EXPECT_GT(width, 5 * 10);
    EXPECT_LT(width, 5 * 32);
    EXPECT_EQ(FontLineHeight(), plain->srcFont->Height());
    // Glyphs the font lacks are skipped.
    EXPECT_EQ(MeasureTextWidth("Hel\x01lo"), width);

    EXPECT_EQ(OpenImageFont("/no/such.ttf", 32, SMOOTHFONT), nullptr);
    EXPECT_EQ(OpenImageFont("", 32, 0), nullptr);
}

}  // namespace
}  // namespace vdl
