// Image fonts: text drawn glyph by glyph from images.
//
// An image font holds one image glyph per glyph index of its source font (font.h), made on
// first use: the source glyph's pixmap becomes an image with the glyph's placement and
// advance. Text follows the current rotation and scale; (x, y) is the top-left corner of the
// line box. Without a source font an image font is the built-in 8 x 16 bitmap font of the
// 96 characters 32-127, made from the embedded "vardofont.bin" and shared by every drawing
// surface as its default font. Text is a byte string; each byte is one character code.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "graphics/font.h"
#include "graphics/image.h"
#include "runtime/object.h"

namespace vdl {

// One glyph of an image font: its image (null for glyphs with nothing to draw, such as the
// space), its advance and its placement.
class TImageGlyph : public Object {
public:
    ImageRef image;
    float advance = 0;
    int x = 0, y = 0, w = 0, h = 0;  // offset from the pen (y down from the line top), size

    // The glyph's image, or null.
    virtual ImageRef Image() { return image; }
    // How far the pen moves after this glyph.
    virtual float Advance() { return advance; }
    // Offset from the pen position and size.
    virtual void GetRect(int& rx, int& ry, int& rw, int& rh);
};

using ImageGlyphRef = std::shared_ptr<TImageGlyph>;

class TImageFont : public Object {
public:
    FontRef srcFont;                    // null for the built-in font
    std::vector<ImageGlyphRef> glyphs;  // one per glyph index, filled on first use
    int imageFlags = 0;                 // 0, or filtered + mipmapped for smooth fonts

    // The source font's style; 0 for the built-in font.
    virtual int Style();
    // The line height: the source font's, 16 for the built-in font.
    virtual int Height();
    // Number of glyph indexes.
    virtual int CountGlyphs();
    // The glyph index of a character, or -1 (the built-in font maps 32-127 to 0-95).
    virtual int CharToGlyph(int c);
    // The image glyph at index, made from the source glyph on first use. An index out of
    // range raises the array-bounds error.
    virtual ImageGlyphRef LoadGlyph(int index);
    // Draws text with the line box's top-left corner at (x, y); each glyph goes through the
    // current renderer transform, and the pen moves by (ix, jx) per pixel of advance.
    // Characters the font lacks are skipped without moving the pen.
    virtual void Draw(const std::string& text, float x, float y, float ix, float iy, float jx,
                      float jy);

    // An image font over the source font LoadFont makes, or null.
    static std::shared_ptr<TImageFont> Load(const std::string& source, int size, int style);
    // The built-in 8 x 16 font from "vardofont.bin".
    static std::shared_ptr<TImageFont> CreateDefault();
};

using ImageFontRef = std::shared_ptr<TImageFont>;

// Starts the fonts module once: registers the embedded "vardofont.bin", the FreeType loader
// and the maker of the default font. Later calls do nothing.
void StartImageFonts();

// TImageFont::Load.
ImageFontRef OpenImageFont(const std::string& source, int size, int style);

// Width in pixels of text in the current font.
// NOTE: the sum is truncated to whole pixels after every character, so fractional advances
// never accumulate.
int MeasureTextWidth(const std::string& text);

// Line height of the current font.
int FontLineHeight();

// Draws text in the current font with the drawing anchor at (x, y), following the current
// origin, rotation and scale.
void DrawString(const std::string& text, float x, float y);

}  // namespace vdl
