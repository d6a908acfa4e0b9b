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
#include "stream/embedded.h"
#include "tests/resident.h"

namespace vdl {
namespace {

const char* const kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// A bitmap-only font with a single 8 x 16 strike.
const char* const kTerminus = "/usr/share/fonts/X11/misc/ter-u16n_iso-8859-1.pcf.gz";

std::vector<unsigned char> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Floor division by 64, written without shifts so it checks the font's own arithmetic.
int FloorPixels(long v) {
    return static_cast<int>(v >= 0 ? v / 64 : -((-v + 63) / 64));
}

TEST(FreeTypeFont, MetricsAndGlyphsAgreeWithFreeTypeAtTheGameSizes) {
    ASSERT_TRUE(std::filesystem::exists(kDejaVu))
        << "fonts-dejavu-core is missing; tools/install-deps.sh test installs it";
    FT_Library library;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, kDejaVu, 0, &face), 0);
    for (int size : {32, 28, 24}) {
        SCOPED_TRACE(size);
        const auto font = TFreeTypeFont::Load(kDejaVu, size, 0);
        ASSERT_NE(font, nullptr);
        FT_Set_Pixel_Sizes(face, 0, size);
        const FT_Size_Metrics& m = face->size->metrics;
        EXPECT_EQ(font->Height(), FloorPixels(m.height));
        EXPECT_EQ(font->ascend, FloorPixels(m.ascender));
        EXPECT_EQ(font->descend, FloorPixels(m.descender));  // negative: floored, not cut
        EXPECT_EQ(font->CountGlyphs(), face->num_glyphs);
        EXPECT_EQ(font->CharToGlyph(0xE000), -1);  // not in the face

        for (char c : std::string("AgW .")) {
            const int index = font->CharToGlyph(c);
            ASSERT_EQ(index + 1, static_cast<int>(FT_Get_Char_Index(face, c)));
            ASSERT_EQ(FT_Load_Char(face, c, FT_LOAD_RENDER), 0);
            const FT_GlyphSlot slot = face->glyph;
            const GlyphRef glyph = font->LoadGlyph(index);
            EXPECT_EQ(font->LoadGlyph(index), glyph);  // cached
            EXPECT_EQ(glyph->Advance(), static_cast<float>(FloorPixels(slot->advance.x))) << c;
            int x, y, w, h;
            glyph->GetRect(x, y, w, h);
            EXPECT_EQ(x, slot->bitmap_left) << c;
            EXPECT_EQ(y, font->ascend - slot->bitmap_top) << c;
            EXPECT_EQ(w, static_cast<int>(slot->bitmap.width)) << c;
            EXPECT_EQ(h, static_cast<int>(slot->bitmap.rows)) << c;
            if (w == 0) {
                EXPECT_EQ(glyph->Pixmap(), nullptr);
                continue;
            }
            const PixmapRef pixmap = glyph->Pixmap();
            ASSERT_EQ(pixmap->format, PF_A8);
            for (int row = 0; row < h; ++row) {
                for (int col = 0; col < w; ++col) {
                    ASSERT_EQ(*pixmap->PixelPtr(col, row),
                              slot->bitmap.buffer[row * slot->bitmap.pitch + col]);
                }
            }
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

TEST(FreeTypeFont, SmoothGlyphsGetATransparentBorderAndMoveUpLeft) {
    ASSERT_TRUE(std::filesystem::exists(kDejaVu))
        << "fonts-dejavu-core is missing; tools/install-deps.sh test installs it";
    const auto plain = TFreeTypeFont::Load(kDejaVu, 28, 0);
    const auto smooth = TFreeTypeFont::Load(kDejaVu, 28, SMOOTHFONT);
    const GlyphRef p = plain->LoadGlyph(plain->CharToGlyph('Q'));
    const GlyphRef s = smooth->LoadGlyph(smooth->CharToGlyph('Q'));
    int px, py, pw, ph, sx, sy, sw, sh;
    p->GetRect(px, py, pw, ph);
    s->GetRect(sx, sy, sw, sh);
    EXPECT_EQ(sx, px - 1);
    EXPECT_EQ(sy, py - 1);
    EXPECT_EQ(sw, pw + 2);
    EXPECT_EQ(sh, ph + 2);
    ASSERT_EQ(s->Pixmap()->width, sw);
    ASSERT_EQ(s->Pixmap()->height, sh);
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
            const bool border = x == 0 || y == 0 || x == sw - 1 || y == sh - 1;
            const uint8_t expected = border ? 0 : *p->Pixmap()->PixelPtr(x - 1, y - 1);
            ASSERT_EQ(*s->Pixmap()->PixelPtr(x, y), expected) << x << "," << y;
        }
    }
}

TEST(FreeTypeFont, RefusedSizesAreRetriedSmallerDownToOne) {
    ASSERT_TRUE(std::filesystem::exists(kTerminus))
        << "xfonts-terminus is missing; tools/install-deps.sh test installs it";
    // The bitmap font has only a 16-pixel strike: 32 is refused and retried 31, 30, ... 16.
    const auto font = TFreeTypeFont::Load(kTerminus, 32, 0);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Height(), 16);
    // Below the strike no size down to 1 is accepted.
    EXPECT_EQ(TFreeTypeFont::Load(kTerminus, 15, 0), nullptr);
    EXPECT_EQ(TFreeTypeFont::Load(kTerminus, 0, 0), nullptr);
}

TEST(FreeTypeFont, MonochromeBitmapsUnpackMostSignificantBitFirst) {
    ASSERT_TRUE(std::filesystem::exists(kTerminus))
        << "xfonts-terminus is missing; tools/install-deps.sh test installs it";
    const auto font = TFreeTypeFont::Load(kTerminus, 16, 0);
    // The built-in font was made from this strike, so its bits (bit 0 leftmost) must match
    // the unpacked glyphs pixel for pixel.
    const std::vector<unsigned char> bits = ReadFile(CCA_SOURCE_DIR "/graphics/vardofont.bin");
    ASSERT_EQ(bits.size(), 1536u);
    for (char c : std::string("A%g~")) {
        const GlyphRef glyph = font->LoadGlyph(font->CharToGlyph(c));
        int x, y, w, h;
        glyph->GetRect(x, y, w, h);
        ASSERT_EQ(w, 8);
        ASSERT_EQ(h, 16);
        for (int row = 0; row < 16; ++row) {
            for (int col = 0; col < 8; ++col) {
                const bool set = (bits[row * 96 + (c - 32)] >> col) & 1;
                ASSERT_EQ(*glyph->Pixmap()->PixelPtr(col, row), set ? 255 : 0) << c;
            }
        }
    }
}

TEST(FreeTypeFont, StreamUrlsOpenMemoryFacesAndBadSourcesGiveNull) {
    ASSERT_TRUE(std::filesystem::exists(kDejaVu))
        << "fonts-dejavu-core is missing; tools/install-deps.sh test installs it";
    static const std::vector<unsigned char> bytes = ReadFile(kDejaVu);
    static const std::vector<unsigned char> truncated(bytes.begin(), bytes.begin() + 4000);
    static const unsigned char junk[] = "this is not a font at all, just some bytes";
    RegisterEmbedded("font-test.ttf", bytes.data(), static_cast<int>(bytes.size()));
    RegisterEmbedded("font-test-cut.ttf", truncated.data(), static_cast<int>(truncated.size()));
    RegisterEmbedded("font-test-junk.ttf", junk, sizeof junk);
    RegisterEmbedded("font-test-empty.ttf", junk, 0);

    TFreeTypeFontLoader loader;
    const FontRef memory = loader.LoadFont("incbin::font-test.ttf", 24, 0);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(memory->Height(), TFreeTypeFont::Load(kDejaVu, 24, 0)->Height());
    EXPECT_GT(memory->LoadGlyph(memory->CharToGlyph('M'))->Advance(), 10.0f);

    for (const char* source :
         {"", "/no/such/font.ttf", "incbin::font-test-missing.ttf", "incbin::font-test-empty.ttf",
          "incbin::font-test-junk.ttf", CCA_SOURCE_DIR "/graphics/vardofont.bin"}) {
        EXPECT_EQ(loader.LoadFont(source, 24, 0), nullptr) << source;
    }
    // A cut-off font is refused, or its unreadable glyphs come back empty: never a crash.
    if (const FontRef cut = loader.LoadFont("incbin::font-test-cut.ttf", 24, 0)) {
        for (int i = 0; i < cut->CountGlyphs(); i += 97)
            EXPECT_NE(cut->LoadGlyph(i), nullptr);
    }
}

// A damaged outline can span thousands of pixels; rasterising it would cost seconds and
// hundreds of megabytes. Such a glyph is left empty.
TEST(FreeTypeFont, AGlyphTooLargeToBeRealIsLeftEmpty) {
    const std::string path =
        CCA_SOURCE_DIR "/fuzz/regressions/truetype/glyph-thousands-of-pixels-wide.ttf";
    ASSERT_TRUE(std::filesystem::exists(path));
    for (int size : {9, 16}) {
        const auto font = TFreeTypeFont::Load(path, size, 0);
        ASSERT_NE(font, nullptr);
        // The damaged outline is the E's.
        const int index = font->CharToGlyph('E');
        ASSERT_GE(index, 0);
        const long grewKb = testing_resident::PeakGrowthKb([&] {
            int x, y, w, h;
            font->LoadGlyph(index)->GetRect(x, y, w, h);
            EXPECT_EQ(w * h, 0) << size;
        });
        EXPECT_LT(grewKb, 32 * 1024) << size;
    }
}

}  // namespace
}  // namespace vdl
