// Source fonts rasterised by the system FreeType.
#include "graphics/freetype_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H

#include <algorithm>

#include "graphics/freetype_library.h"
#include "runtime/errors.h"
#include "stream/url.h"

namespace vdl {

namespace {

// Glyphs larger than this many ems either way are not rendered; real fonts stay within a few.
constexpr int kMaxGlyphEms = 16;

// Module state: the one FreeType library handle (made on first use, never released) and
// whether the loader has been registered.
struct FreeTypeState {
    FT_Library library = nullptr;
    bool libraryTried = false;
    bool loaderStarted = false;
} ft;

FT_Library Library() {
    if (!ft.libraryTried) {
        ft.libraryTried = true;
        if (NewFreeTypeLibrary(&ft.library) != 0) ft.library = nullptr;
    }
    return ft.library;
}

FTFace CopyFace(const FT_FaceRec& f) {
    FTFace copy;
    copy.numFaces = f.num_faces;
    copy.faceIndex = f.face_index;
    copy.faceFlags = f.face_flags;
    copy.styleFlags = f.style_flags;
    copy.numGlyphs = f.num_glyphs;
    copy.familyName = f.family_name ? f.family_name : "";
    copy.styleName = f.style_name ? f.style_name : "";
    copy.numFixedSizes = f.num_fixed_sizes;
    copy.numCharmaps = f.num_charmaps;
    return copy;
}

FTMetrics CopyMetrics(const FT_Size_Metrics& m) {
    FTMetrics copy;
    copy.xPpem = m.x_ppem;
    copy.yPpem = m.y_ppem;
    copy.xScale = m.x_scale;
    copy.yScale = m.y_scale;
    copy.ascender = m.ascender;
    copy.descender = m.descender;
    copy.height = m.height;
    copy.maxAdvance = m.max_advance;
    return copy;
}

FTGlyph CopyGlyph(const FT_GlyphSlotRec& slot) {
    FTGlyph copy;
    copy.glyphIndex = slot.glyph_index;
    copy.advanceX = slot.advance.x;
    copy.advanceY = slot.advance.y;
    copy.bitmapRows = static_cast<int>(slot.bitmap.rows);
    copy.bitmapWidth = static_cast<int>(slot.bitmap.width);
    copy.bitmapPitch = slot.bitmap.pitch;
    copy.numGrays = slot.bitmap.num_grays;
    copy.pixelMode = slot.bitmap.pixel_mode;
    copy.bitmapLeft = slot.bitmap_left;
    copy.bitmapTop = slot.bitmap_top;
    return copy;
}

// An A8 pixmap of a rendered glyph bitmap.
// NOTE: the bitmap's kind is told by its pixel mode, not by its grey-level count: FreeType
// reports one grey level for monochrome bitmaps, and reading those as bytes would run past
// the end of their rows.
PixmapRef BitmapToPixmap(const FT_Bitmap& bitmap) {
    const int w = static_cast<int>(bitmap.width);
    const int h = static_cast<int>(bitmap.rows);
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays == 256) {
        return TPixmap::CreateStatic(bitmap.buffer, w, h, bitmap.pitch, PF_A8)->Copy();
    }
    PixmapRef pixmap = TPixmap::Create(w, h, PF_A8, 4);
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        for (int i = 0; i < h; ++i) {
            const unsigned char* src = bitmap.buffer + static_cast<ptrdiff_t>(i) * bitmap.pitch;
            uint8_t* dst = pixmap->PixelPtr(0, i);
            for (int j = 0; j < w; ++j) {
                dst[j] = (src[j / 8] >> (7 - j % 8)) & 1 ? 255 : 0;
            }
        }
        return pixmap;
    }
    // Any other depth (2- or 4-bit grey, colour) goes through FreeType's own conversion to
    // one byte per pixel, whose levels are then stretched to 0-255.
    FT_Bitmap grey;
    FT_Bitmap_Init(&grey);
    if (FT_Bitmap_Convert(Library(), &bitmap, &grey, 1) != 0 || static_cast<int>(grey.width) != w ||
        static_cast<int>(grey.rows) != h) {
        FT_Bitmap_Done(Library(), &grey);
        return nullptr;
    }
    const int levels = grey.num_grays > 1 ? grey.num_grays - 1 : 1;
    for (int i = 0; i < h; ++i) {
        const unsigned char* src = grey.buffer + static_cast<ptrdiff_t>(i) * grey.pitch;
        uint8_t* dst = pixmap->PixelPtr(0, i);
        for (int j = 0; j < w; ++j)
            dst[j] = static_cast<uint8_t>(src[j] * 255 / levels);
    }
    FT_Bitmap_Done(Library(), &grey);
    return pixmap;
}

}  // namespace

void TFreeTypeGlyph::GetRect(int& rx, int& ry, int& rw, int& rh) {
    rx = x;
    ry = y;
    rw = w;
    rh = h;
}

void FaceCloser::operator()(FT_FaceRec_* face) const {
    FT_Done_Face(face);
}

TFreeTypeFont::~TFreeTypeFont() {
    face.reset();
}

int TFreeTypeFont::CharToGlyph(int c) {
    if (c < 0) return -1;
    return static_cast<int>(FT_Get_Char_Index(face.get(), static_cast<FT_ULong>(c))) - 1;
}

GlyphRef TFreeTypeFont::LoadGlyph(int index) {
    if (index < 0 || index >= CountGlyphs()) throw TArrayBoundsException();
    if (glyphs[index]) return glyphs[index];
    auto glyph = std::make_shared<TFreeTypeGlyph>();
    glyphs[index] = glyph;

    // NOTE: the glyph is measured before it is rendered. A damaged font can give a glyph an
    // outline thousands of pixels across, which would take seconds and hundreds of megabytes
    // to rasterise and copy; one more than kMaxGlyphEms ems wide or tall stays empty.
    if (FT_Load_Glyph(face.get(), static_cast<FT_UInt>(index + 1), FT_LOAD_DEFAULT) != 0) {
        return glyph;
    }
    const FT_Pos limit =
        FT_Pos{kMaxGlyphEms} * 64 * std::max(face->size->metrics.y_ppem, FT_UShort{1});
    if (face->glyph->metrics.width > limit || face->glyph->metrics.height > limit) return glyph;
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) return glyph;
    const FT_GlyphSlot slot = face->glyph;
    const FTGlyph info = CopyGlyph(*slot);
    glyph->x = info.bitmapLeft;
    glyph->y = ascend - info.bitmapTop;
    glyph->w = info.bitmapWidth;
    glyph->h = info.bitmapRows;
    glyph->advance = static_cast<float>(info.advanceX >> 6);
    if (glyph->w == 0) return glyph;

    PixmapRef pixmap = BitmapToPixmap(slot->bitmap);
    if (pixmap && (style & SMOOTHFONT)) {
        // A transparent border keeps filtered and mipmapped edges from bleeding.
        PixmapRef bordered = TPixmap::Create(glyph->w + 2, glyph->h + 2, PF_A8, 4);
        bordered->Paste(*pixmap, 1, 1);
        pixmap = bordered;
        glyph->x -= 1;
        glyph->y -= 1;
        glyph->w += 2;
        glyph->h += 2;
    }
    glyph->pixmap = pixmap;
    return glyph;
}

std::shared_ptr<TFreeTypeFont> TFreeTypeFont::Load(const std::string& source, int size, int style) {
    const FT_Library library = Library();
    if (!library) return nullptr;

    auto font = std::make_shared<TFreeTypeFont>();
    FT_Face face = nullptr;
    if (source.find("::", 1) != std::string::npos) {
        font->fontData = LoadAllBytes(source);
        if (font->fontData.empty()) return nullptr;
        font->fontDataSize = static_cast<int>(font->fontData.size());
        if (FT_New_Memory_Face(library, font->fontData.data(), font->fontDataSize, 0, &face)) {
            return nullptr;
        }
    } else if (FT_New_Face(library, source.c_str(), 0, &face) != 0) {
        return nullptr;
    }
    font->face.reset(face);

    // NOTE: a size FreeType refuses (a bitmap font without that strike) is retried one pixel
    // smaller until one is accepted.
    while (size > 0 && FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0)
        --size;
    if (size <= 0) return nullptr;

    font->ftFace = CopyFace(*face);
    font->metrics = CopyMetrics(face->size->metrics);
    font->style = style;
    // 26.6 fixed point to whole pixels; the shift is arithmetic, so negative values floor.
    font->height = static_cast<int>(face->size->metrics.height >> 6);
    font->ascend = static_cast<int>(face->size->metrics.ascender >> 6);
    font->descend = static_cast<int>(face->size->metrics.descender >> 6);
    font->glyphs.resize(static_cast<size_t>(face->num_glyphs));
    return font;
}

FontRef TFreeTypeFontLoader::LoadFont(const std::string& source, int size, int style) {
    if (source.empty()) return nullptr;
    return TFreeTypeFont::Load(source, size, style);
}

void StartFreeTypeFontLoader() {
    if (ft.loaderStarted) return;
    ft.loaderStarted = true;
    StartStreams();
    AddFontLoader(std::make_shared<TFreeTypeFontLoader>());
}

}  // namespace vdl
