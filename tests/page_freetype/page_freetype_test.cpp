// The web page's FreeType (graphics/freetype_truetype.cpp, the TrueType modules alone) draws
// the game's font exactly as FreeType with every module does: the same face, the same
// character map, and at every size the game uses (and a few more) the same glyph metrics and
// the same bitmaps, glyph by glyph. This program links vdl_freetype_truetype as the page does,
// so the engine's fonts here are made with the page's modules. And the font has none of the
// tables whose support the web build's FreeType leaves out (packaging/web/build-deps.sh).
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H
#include FT_FONT_FORMATS_H
#include FT_TRUETYPE_TABLES_H

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/freetype_font.h"
#include "graphics/freetype_library.h"

namespace vdl {
namespace {

const std::string kFont = CCA_SOURCE_DIR "/assets/santbsb_.ttf";
// The game's three (game/world.cpp), and sizes around them.
const int kSizes[] = {24, 28, 32, 8, 12, 16, 20, 40, 48, 64};

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A library and a face on the font's bytes, released together.
struct Opened {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Opened() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

void Open(Opened& opened, bool pageModules, const std::vector<unsigned char>& bytes) {
    ASSERT_EQ(pageModules ? NewFreeTypeLibrary(&opened.library) : FT_Init_FreeType(&opened.library),
              0);
    ASSERT_EQ(FT_New_Memory_Face(opened.library, bytes.data(), static_cast<FT_Long>(bytes.size()),
                                 0, &opened.face),
              0);
}

// The font opened with FreeType's every module (all) and with the page's (page).
class PageFreeTypeFaces : public ::testing::Test {
protected:
    void SetUp() override {
        bytes = ReadFile(kFont);
        ASSERT_FALSE(bytes.empty()) << kFont;
        ASSERT_NO_FATAL_FAILURE(Open(all, false, bytes));
        ASSERT_NO_FATAL_FAILURE(Open(page, true, bytes));
    }

    std::vector<unsigned char> bytes;  // the faces read it while they live
    Opened all, page;
};

std::string Bitmap(const FT_Bitmap& b) {
    std::string pixels;
    for (unsigned row = 0; row < b.rows; ++row) {
        const unsigned char* line = b.buffer + static_cast<ptrdiff_t>(row) * b.pitch;
        pixels.append(reinterpret_cast<const char*>(line), b.width);
    }
    return pixels;
}

TEST(PageFreeType, ThePageRegistersTheTrueTypeModulesAlone) {
    Opened page;
    ASSERT_EQ(NewFreeTypeLibrary(&page.library), 0);
    for (const char* name : {"truetype", "sfnt", "smooth"})
        EXPECT_NE(FT_Get_Module(page.library, name), nullptr) << name;
    for (const char* name :
         {"autofitter", "type1", "cff", "t1cid", "pfr", "type42", "winfonts", "pcf", "bdf", "psaux",
          "psnames", "pshinter", "raster1", "sdf", "bsdf", "ot-svg"})
        EXPECT_EQ(FT_Get_Module(page.library, name), nullptr) << name;

    // And the engine's fonts are made with it.
    const auto font = TFreeTypeFont::Load(kFont, 24, SMOOTHFONT);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(FT_Get_Module(font->face->glyph->library, "cff"), nullptr);
    EXPECT_NE(FT_Get_Module(font->face->glyph->library, "truetype"), nullptr);
}

TEST_F(PageFreeTypeFaces, TheFaceAndItsCharacterMapAreTheWholeFreeTypes) {
    const FT_FaceRec& a = *all.face;
    const FT_FaceRec& p = *page.face;
    EXPECT_EQ(p.face_flags, a.face_flags);
    EXPECT_EQ(p.style_flags, a.style_flags);
    EXPECT_EQ(p.num_glyphs, a.num_glyphs);
    EXPECT_STREQ(p.family_name, a.family_name);
    EXPECT_STREQ(p.style_name, a.style_name);
    EXPECT_EQ(p.num_charmaps, a.num_charmaps);
    EXPECT_EQ(p.units_per_EM, a.units_per_EM);
    EXPECT_EQ(p.ascender, a.ascender);
    EXPECT_EQ(p.descender, a.descender);
    EXPECT_EQ(p.height, a.height);
    EXPECT_EQ(std::memcmp(&p.bbox, &a.bbox, sizeof p.bbox), 0);
    EXPECT_STREQ(FT_Get_Font_Format(page.face), "TrueType");
    EXPECT_STREQ(FT_Get_Font_Format(all.face), "TrueType");
    for (FT_ULong c = 0; c <= 0xFFFF; ++c)
        ASSERT_EQ(FT_Get_Char_Index(page.face, c), FT_Get_Char_Index(all.face, c)) << c;
}

TEST_F(PageFreeTypeFaces, TheFontHasNoTableTheWebFreeTypeLeavesOut) {
    // Its outlines and its hinting programs are there.
    for (const char* tag : {"glyf", "loca", "fpgm", "prep", "cmap"}) {
        FT_ULong length = 0;
        EXPECT_EQ(FT_Load_Sfnt_Table(page.face, FT_MAKE_TAG(tag[0], tag[1], tag[2], tag[3]), 0,
                                     nullptr, &length),
                  0)
            << tag;
        EXPECT_GT(length, 0u) << tag;
    }
    // Variations, colour layers, SVG glyphs, embedded bitmaps and their BDF properties are not.
    for (const char* tag :
         {"fvar", "gvar", "avar", "cvar", "HVAR", "VVAR", "MVAR", "COLR", "CPAL", "SVG ", "EBDT",
          "EBLC", "EBSC", "CBDT", "CBLC", "bdat", "bloc", "sbix", "BDF "}) {
        FT_ULong length = 0;
        EXPECT_NE(FT_Load_Sfnt_Table(page.face, FT_MAKE_TAG(tag[0], tag[1], tag[2], tag[3]), 0,
                                     nullptr, &length),
                  0)
            << tag;
    }
    EXPECT_FALSE(FT_HAS_MULTIPLE_MASTERS(page.face));
    EXPECT_FALSE(FT_HAS_FIXED_SIZES(page.face));
    EXPECT_FALSE(FT_HAS_COLOR(page.face));
}

TEST_F(PageFreeTypeFaces, EveryGlyphRendersTheSameAtEverySize) {
    int drawn = 0;
    for (int size : kSizes) {
        SCOPED_TRACE("size " + std::to_string(size));
        ASSERT_EQ(FT_Set_Pixel_Sizes(all.face, 0, static_cast<FT_UInt>(size)), 0);
        ASSERT_EQ(FT_Set_Pixel_Sizes(page.face, 0, static_cast<FT_UInt>(size)), 0);
        ASSERT_EQ(std::memcmp(&page.face->size->metrics, &all.face->size->metrics,
                              sizeof(FT_Size_Metrics)),
                  0);
        for (FT_UInt index = 0; index < static_cast<FT_UInt>(all.face->num_glyphs); ++index) {
            SCOPED_TRACE("glyph " + std::to_string(index));
            // As the engine loads and renders them (graphics/freetype_font.cpp).
            const FT_Error loadAll = FT_Load_Glyph(all.face, index, FT_LOAD_DEFAULT);
            ASSERT_EQ(FT_Load_Glyph(page.face, index, FT_LOAD_DEFAULT), loadAll);
            if (loadAll) continue;
            const FT_GlyphSlot a = all.face->glyph;
            const FT_GlyphSlot p = page.face->glyph;
            ASSERT_EQ(std::memcmp(&p->metrics, &a->metrics, sizeof a->metrics), 0);
            ASSERT_EQ(p->advance.x, a->advance.x);
            ASSERT_EQ(p->advance.y, a->advance.y);
            ASSERT_EQ(p->linearHoriAdvance, a->linearHoriAdvance);
            ASSERT_EQ(p->format, a->format);
            const FT_Error renderAll = FT_Render_Glyph(a, FT_RENDER_MODE_NORMAL);
            ASSERT_EQ(FT_Render_Glyph(p, FT_RENDER_MODE_NORMAL), renderAll);
            if (renderAll) continue;
            ASSERT_EQ(p->bitmap_left, a->bitmap_left);
            ASSERT_EQ(p->bitmap_top, a->bitmap_top);
            ASSERT_EQ(p->bitmap.rows, a->bitmap.rows);
            ASSERT_EQ(p->bitmap.width, a->bitmap.width);
            ASSERT_EQ(p->bitmap.pixel_mode, a->bitmap.pixel_mode);
            ASSERT_EQ(p->bitmap.num_grays, a->bitmap.num_grays);
            ASSERT_EQ(Bitmap(p->bitmap), Bitmap(a->bitmap));
            drawn += a->bitmap.width > 0;
        }
    }
    // The font draws more than a hundred glyphs at each size.
    EXPECT_GT(drawn, 100 * static_cast<int>(std::size(kSizes)));
}

}  // namespace
}  // namespace vdl
