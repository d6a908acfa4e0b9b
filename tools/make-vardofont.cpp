// Makes the engine's built-in 8 x 16 bitmap font from a bitmap font that FreeType can read.
//
//   make-vardofont <source font> <output>
//
// The output is 1536 bytes: 16 rows of 96 bytes; byte c of row y holds the 8 pixels of
// character 32 + c in that pixel row, bit 0 being the leftmost pixel. Each glyph is placed in
// its 8 x 16 cell by the font's baseline (the ascent of the 16-pixel strike), so descenders
// keep their rows. A character the font lacks stays blank. The source must carry an 8 x 16
// strike (Terminus' ter-u16n is one).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <vector>

namespace {

constexpr int kFirstChar = 32;
constexpr int kCharCount = 96;
constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;

int Fail(const char* what, const char* detail) {
    std::fprintf(stderr, "make-vardofont: %s %s\n", what, detail);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-vardofont <source font> <output>\n");
        return 2;
    }
    FT_Library library;
    if (FT_Init_FreeType(&library)) return Fail("cannot start FreeType", "");
    FT_Face face;
    if (FT_New_Face(library, argv[1], 0, &face)) return Fail("cannot open", argv[1]);
    if (FT_Set_Pixel_Sizes(face, kCellWidth, kCellHeight)) {
        return Fail("no 8 x 16 size in", argv[1]);
    }
    const int baseline = static_cast<int>(face->size->metrics.ascender >> 6);

    std::vector<unsigned char> rows(kCellHeight * kCharCount, 0);
    for (int c = 0; c < kCharCount; ++c) {
        const FT_UInt index = FT_Get_Char_Index(face, kFirstChar + c);
        if (index == 0) continue;
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO)) continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
            return Fail("not a bitmap font:", argv[1]);
        }
        for (int r = 0; r < static_cast<int>(bitmap.rows); ++r) {
            const int y = baseline - slot->bitmap_top + r;
            if (y < 0 || y >= kCellHeight) continue;
            for (int j = 0; j < static_cast<int>(bitmap.width); ++j) {
                const int x = slot->bitmap_left + j;
                if (x < 0 || x >= kCellWidth) continue;
                const unsigned char byte = bitmap.buffer[r * bitmap.pitch + j / 8];
                if (byte & (0x80 >> (j % 8))) rows[y * kCharCount + c] |= 1 << x;
            }
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) return Fail("cannot write", argv[2]);
    const bool written = std::fwrite(rows.data(), 1, rows.size(), out) == rows.size();
    if (std::fclose(out) != 0 || !written) return Fail("cannot write", argv[2]);
    return 0;
}
