// Source fonts rasterised by the system FreeType.
//
// A font is opened from a file path, or, for a URL with "::" after its first character
// ("incbin::santbsb_.ttf"), from the bytes the URL's stream holds, which the font keeps. It is
// sized to a pixel height, retrying one pixel smaller while FreeType refuses the size. Glyphs
// are rendered on first use and cached: grey bitmaps are copied as A8, monochrome ones are
// unpacked to 0/255. With the smooth style each glyph gets a one-pixel transparent border so
// filtering never bleeds into its edges. One FreeType library handle is made on first use and
// kept for the life of the process.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "graphics/font.h"

struct FT_FaceRec_;

namespace vdl {

// The face record as FreeType reported it when the font was opened.
struct FTFace {
    long numFaces = 0, faceIndex = 0, faceFlags = 0, styleFlags = 0, numGlyphs = 0;
    std::string familyName, styleName;
    int numFixedSizes = 0, numCharmaps = 0;
};

// The size record (26.6 fixed point, 1/64 pixel).
struct FTMetrics {
    int xPpem = 0, yPpem = 0;
    long xScale = 0, yScale = 0, ascender = 0, descender = 0, height = 0, maxAdvance = 0;
};

// The glyph slot after loading one glyph, up to the bitmap's placement.
struct FTGlyph {
    unsigned glyphIndex = 0;
    long advanceX = 0, advanceY = 0;  // 26.6
    int bitmapRows = 0, bitmapWidth = 0, bitmapPitch = 0;
    int numGrays = 0, pixelMode = 0;
    int bitmapLeft = 0, bitmapTop = 0;
};

// One glyph rendered by FreeType.
class TFreeTypeGlyph : public TGlyph {
public:
    PixmapRef pixmap;  // A8, or null
    float advance = 0;
    int x = 0, y = 0, w = 0, h = 0;

    // The glyph's A8 pixels, or null when it has none.
    PixmapRef Pixmap() override { return pixmap; }
    // The pen advance in whole pixels.
    float Advance() override { return advance; }
    // Placement from the pen position (y down from the line top) and size.
    void GetRect(int& rx, int& ry, int& rw, int& rh) override;
};

// Closes a FreeType face.
struct FaceCloser {
    void operator()(FT_FaceRec_* face) const;
};

// A TrueType (or other FreeType-readable) font at one pixel size.
class TFreeTypeFont : public TFont {
public:
    FTFace ftFace;
    std::unique_ptr<FT_FaceRec_, FaceCloser> face;
    FTMetrics metrics;
    int style = 0;
    int height = 0, ascend = 0, descend = 0;              // whole pixels
    std::vector<std::shared_ptr<TFreeTypeGlyph>> glyphs;  // cache, one per glyph index
    std::vector<unsigned char> fontData;  // the bytes a memory face reads; empty for a file
    int fontDataSize = 0;

    // Closes the face before the bytes it reads are freed.
    ~TFreeTypeFont() override;

    // The style bits.
    int Style() override { return style; }
    // Line height in pixels.
    int Height() override { return height; }
    // Number of glyphs in the face.
    int CountGlyphs() override { return static_cast<int>(glyphs.size()); }
    // FreeType's index for c, less one, so a missing character gives -1.
    int CharToGlyph(int c) override;
    // The glyph at index, rendered on first request and kept; a glyph FreeType cannot render,
    // or one more than 16 ems wide or tall, is an empty one (no pixels, advance 0). An index
    // out of range raises the array-bounds error.
    GlyphRef LoadGlyph(int index) override;

    // Opens source at size pixels (retrying smaller sizes down to 1), or null.
    static std::shared_ptr<TFreeTypeFont> Load(const std::string& source, int size, int style);
};

// The loader that makes TFreeTypeFonts from a file path or a stream URL.
class TFreeTypeFontLoader : public TFontLoader {
public:
    // The font, or null for an empty source or one FreeType cannot open.
    FontRef LoadFont(const std::string& source, int size, int style) override;
};

// Registers the FreeType loader once; later calls do nothing.
void StartFreeTypeFontLoader();

}  // namespace vdl
