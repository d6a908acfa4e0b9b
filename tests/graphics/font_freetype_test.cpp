// FreeType source fonts: metrics and glyphs agree with FreeType's own figures, the smooth
// border, refused sizes retried smaller, monochrome bitmaps unpacked, and bad sources.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "graphics/freetype_font.h"
#include "runtime/errors.h"
#include "stream/embedded.h"

namespace vdl {
namespace {

const char* const kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// A bitmap-only font with a single 8 x 16 strike.
const char* const kTerminus = "/usr/share/fonts/X11/misc/ter-u16n_iso-8859-1.pcf.gz";

bool Have(const char* path) {
    return std::filesystem::exists(path);
}

std::vector<unsigned char> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// FreeType opened directly, as the reference the font must agree with.
class ReferenceFace {
public:
    ReferenceFace(const char* path, int size) {
        FT_Init_FreeType(&library_);
        FT_New_Face(library_, path, 0, &face_);
        FT_Set_Pixel_Sizes(face_, 0, size);
    }
    ~ReferenceFace() {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    FT_Face operator->() const { return face_; }
    FT_Face get() const { return face_; }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

// Floor division by 64, written without shifts so it checks the font's own arithmetic.
int FloorPixels(long v26_6) {
    return static_cast<int>(v26_6 >= 0 ? v26_6 / 64 : -((-v26_6 + 63) / 64));
}

TEST(FreeTypeFont, MetricsAndAdvancesAgreeWithFreeTypeAtTheGameSizes) {
    if (!Have(kDejaVu)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
    for (int size : {32, 28, 24}) {
        SCOPED_TRACE(size);
        const auto font = TFreeTypeFont::Load(kDejaVu, size, 0);
        ASSERT_NE(font, nullptr);
        ReferenceFace ref(kDejaVu, size);
        const FT_Size_Metrics& m = ref->size->metrics;
        EXPECT_EQ(font->Height(), FloorPixels(m.height));
        EXPECT_EQ(font->ascend, FloorPixels(m.ascender));
        EXPECT_EQ(font->descend, FloorPixels(m.descender));
        EXPECT_LT(font->descend, 0);
        EXPECT_EQ(font->CountGlyphs(), ref->num_glyphs);

        for (char c : std::string("AgW .,1")) {
            SCOPED_TRACE(c);
            const int index = font->CharToGlyph(c);
            ASSERT_EQ(index + 1, static_cast<int>(FT_Get_Char_Index(ref.get(), c)));
            ASSERT_EQ(FT_Load_Char(ref.get(), c, FT_LOAD_RENDER), 0);
            const FT_GlyphSlot slot = ref->glyph;
            const GlyphRef glyph = font->LoadGlyph(index);
            EXPECT_EQ(glyph->Advance(), static_cast<float>(FloorPixels(slot->advance.x)));
            int x, y, w, h;
            glyph->GetRect(x, y, w, h);
            EXPECT_EQ(x, slot->bitmap_left);
            EXPECT_EQ(y, font->ascend - slot->bitmap_top);
            EXPECT_EQ(w, static_cast<int>(slot->bitmap.width));
            EXPECT_EQ(h, static_cast<int>(slot->bitmap.rows));
            const PixmapRef pixmap = glyph->Pixmap();
            if (w == 0) {
                EXPECT_EQ(pixmap, nullptr);
                continue;
            }
            ASSERT_NE(pixmap, nullptr);
            EXPECT_EQ(pixmap->format, PF_A8);
            for (int row = 0; row < h; ++row) {
                for (int col = 0; col < w; ++col) {
                    ASSERT_EQ(*pixmap->PixelPtr(col, row),
                              slot->bitmap.buffer[row * slot->bitmap.pitch + col]);
                }
            }
        }
        // A character the face does not have maps to -1.
        EXPECT_EQ(font->CharToGlyph(0xE000), -1);
    }
}

TEST(FreeTypeFont, GlyphsAreRenderedOnceAndCached) {
    if (!Have(kDejaVu)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
    const auto font = TFreeTypeFont::Load(kDejaVu, 24, 0);
    ASSERT_NE(font, nullptr);
    const int a = font->CharToGlyph('a');
    EXPECT_EQ(font->LoadGlyph(a), font->LoadGlyph(a));
    EXPECT_THROW(font->LoadGlyph(font->CountGlyphs()), TArrayBoundsException);
    EXPECT_THROW(font->LoadGlyph(-1), TArrayBoundsException);
}

TEST(FreeTypeFont, SmoothGlyphsGetATransparentBorderAndMoveUpLeft) {
    if (!Have(kDejaVu)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
    const auto plain = TFreeTypeFont::Load(kDejaVu, 28, 0);
    const auto smooth = TFreeTypeFont::Load(kDejaVu, 28, SMOOTHFONT);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(smooth, nullptr);
    EXPECT_EQ(smooth->Style(), SMOOTHFONT);
    for (char c : std::string("Qj")) {
        const GlyphRef p = plain->LoadGlyph(plain->CharToGlyph(c));
        const GlyphRef s = smooth->LoadGlyph(smooth->CharToGlyph(c));
        int px, py, pw, ph, sx, sy, sw, sh;
        p->GetRect(px, py, pw, ph);
        s->GetRect(sx, sy, sw, sh);
        EXPECT_EQ(sx, px - 1);
        EXPECT_EQ(sy, py - 1);
        EXPECT_EQ(sw, pw + 2);
        EXPECT_EQ(sh, ph + 2);
        EXPECT_EQ(s->Advance(), p->Advance());
        const PixmapRef pp = p->Pixmap();
        const PixmapRef sp = s->Pixmap();
        ASSERT_EQ(sp->width, sw);
        ASSERT_EQ(sp->height, sh);
        for (int y = 0; y < sh; ++y) {
            for (int x = 0; x < sw; ++x) {
                const bool border = x == 0 || y == 0 || x == sw - 1 || y == sh - 1;
                const uint8_t expected = border ? 0 : *pp->PixelPtr(x - 1, y - 1);
                ASSERT_EQ(*sp->PixelPtr(x, y), expected) << c << " at " << x << "," << y;
            }
        }
    }
}

TEST(FreeTypeFont, RefusedSizesAreRetriedSmallerDownToOne) {
    if (!Have(kTerminus)) GTEST_SKIP() << "xfonts-terminus is not installed";
    // The bitmap font has only a 16-pixel strike: 32 is refused and retried 31, 30, ... 16.
    const auto font = TFreeTypeFont::Load(kTerminus, 32, 0);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Height(), 16);
    EXPECT_EQ(font->metrics.yPpem, 16);
    // Below the strike no size is accepted down to 1: no font.
    EXPECT_EQ(TFreeTypeFont::Load(kTerminus, 15, 0), nullptr);
    EXPECT_EQ(TFreeTypeFont::Load(kTerminus, 0, 0), nullptr);
    EXPECT_EQ(TFreeTypeFont::Load(kTerminus, -3, 0), nullptr);
}

TEST(FreeTypeFont, MonochromeBitmapsUnpackMostSignificantBitFirst) {
    if (!Have(kTerminus)) GTEST_SKIP() << "xfonts-terminus is not installed";
    const auto font = TFreeTypeFont::Load(kTerminus, 16, 0);
    ASSERT_NE(font, nullptr);
    // The built-in font was made from this strike, so its bits (bit 0 leftmost) must match
    // the unpacked glyph pixel for pixel.
    const std::vector<unsigned char> bits = ReadFile(CCA_SOURCE_DIR "/graphics/vardofont.bin");
    ASSERT_EQ(bits.size(), 1536u);
    for (char c : std::string("A%g~")) {
        SCOPED_TRACE(c);
        const GlyphRef glyph = font->LoadGlyph(font->CharToGlyph(c));
        int x, y, w, h;
        glyph->GetRect(x, y, w, h);
        ASSERT_EQ(x, 0);
        ASSERT_EQ(y, 0);
        ASSERT_EQ(w, 8);
        ASSERT_EQ(h, 16);
        EXPECT_EQ(glyph->Advance(), 8.0f);
        const PixmapRef pixmap = glyph->Pixmap();
        for (int row = 0; row < 16; ++row) {
            for (int col = 0; col < 8; ++col) {
                const bool set = (bits[row * 96 + (c - 32)] >> col) & 1;
                ASSERT_EQ(*pixmap->PixelPtr(col, row), set ? 255 : 0) << col << "," << row;
            }
        }
    }
}

TEST(FreeTypeFont, StreamUrlsOpenMemoryFacesThatKeepTheirBytes) {
    if (!Have(kDejaVu)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
    static const std::vector<unsigned char> bytes = ReadFile(kDejaVu);
    RegisterEmbedded("font-test-dejavu.ttf", bytes.data(), static_cast<int>(bytes.size()));
    const auto fromMemory = TFreeTypeFont::Load("incbin::font-test-dejavu.ttf", 24, 0);
    const auto fromFile = TFreeTypeFont::Load(kDejaVu, 24, 0);
    ASSERT_NE(fromMemory, nullptr);
    EXPECT_EQ(fromMemory->fontDataSize, static_cast<int>(bytes.size()));
    EXPECT_EQ(fromMemory->Height(), fromFile->Height());
    EXPECT_EQ(fromMemory->LoadGlyph(fromMemory->CharToGlyph('M'))->Advance(),
              fromFile->LoadGlyph(fromFile->CharToGlyph('M'))->Advance());
}

TEST(FreeTypeFont, MissingEmptyAndCorruptSourcesGiveNull) {
    static const unsigned char junk[] = "this is not a font at all, just some bytes";
    RegisterEmbedded("font-test-junk.ttf", junk, sizeof junk);
    static const unsigned char nothing[1] = {0};
    RegisterEmbedded("font-test-empty.ttf", nothing, 0);

    TFreeTypeFontLoader loader;
    EXPECT_EQ(loader.LoadFont("", 24, 0), nullptr);
    EXPECT_EQ(loader.LoadFont("/no/such/font.ttf", 24, 0), nullptr);
    EXPECT_EQ(loader.LoadFont("incbin::font-test-missing.ttf", 24, 0), nullptr);
    EXPECT_EQ(loader.LoadFont("incbin::font-test-empty.ttf", 24, 0), nullptr);
    EXPECT_EQ(loader.LoadFont("incbin::font-test-junk.ttf", 24, 0), nullptr);
    EXPECT_EQ(loader.LoadFont(CCA_SOURCE_DIR "/graphics/vardofont.bin", 24, 0), nullptr);
}

TEST(FreeTypeFont, ATruncatedFontNeverCrashes) {
    if (!Have(kDejaVu)) GTEST_SKIP() << "fonts-dejavu-core is not installed";
    static std::vector<unsigned char> bytes = ReadFile(kDejaVu);
    bytes.resize(bytes.size() / 3);
    RegisterEmbedded("font-test-truncated.ttf", bytes.data(), static_cast<int>(bytes.size()));
    const auto font = TFreeTypeFont::Load("incbin::font-test-truncated.ttf", 24, 0);
    if (!font) return;  // refused outright: fine
    // Whatever FreeType makes of it, glyphs it cannot read are empty ones.
    for (int i = 0; i < font->CountGlyphs(); i += 97) {
        const GlyphRef glyph = font->LoadGlyph(i);
        ASSERT_NE(glyph, nullptr);
        if (!glyph->Pixmap()) continue;
        int x, y, w, h;
        glyph->GetRect(x, y, w, h);
        EXPECT_EQ(glyph->Pixmap()->width, w);
    }
}

}  // namespace
}  // namespace vdl
