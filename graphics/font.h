// Source fonts and their loaders.
//
// A source font turns characters into glyph indexes and rasterises glyphs into pixmaps with
// their placement and advance; image fonts (image_font.h) make drawable images from them.
// Font loaders form a list, newest first; LoadFont asks each in turn until one gives a font.
// The FreeType loader (freetype_font.h) is the only one the engine registers.
#pragma once

#include <memory>
#include <string>

#include "graphics/pixmap.h"
#include "runtime/object.h"

namespace vdl {

// Font style bits. Only SMOOTHFONT changes anything; the others are kept and reported.
constexpr int BOLDFONT = 1;
constexpr int ITALICFONT = 2;
constexpr int SMOOTHFONT = 4;  // filtered, mipmapped glyph images with a one-pixel border

// One rasterised glyph of a source font.
class TGlyph : public Object {
public:
    // The glyph's pixels (A8), or null for a glyph with nothing to draw.
    virtual PixmapRef Pixmap() = 0;
    // How far the pen moves after this glyph, in pixels.
    virtual float Advance() = 0;
    // Offset of the pixmap from the pen position (y down from the top of the line) and its
    // size.
    virtual void GetRect(int& x, int& y, int& w, int& h) = 0;
};

using GlyphRef = std::shared_ptr<TGlyph>;

// A source font at one size.
class TFont : public Object {
public:
    // The style bits the font was loaded with.
    virtual int Style() = 0;
    // Height of a line in pixels.
    virtual int Height() = 0;
    // Number of glyph indexes.
    virtual int CountGlyphs() = 0;
    // The glyph index of a character, or -1 when the font lacks it.
    virtual int CharToGlyph(int c) = 0;
    // The glyph at index (0 <= index < CountGlyphs()).
    virtual GlyphRef LoadGlyph(int index) = 0;
};

using FontRef = std::shared_ptr<TFont>;

// A reader of one kind of font source.
class TFontLoader : public Object {
public:
    // The font in source at size pixels with style, or null when this loader cannot make it.
    virtual FontRef LoadFont(const std::string& source, int size, int style) = 0;

    std::shared_ptr<TFontLoader> next;  // the loader asked after this one
};

// Puts loader at the head of the loader list, unless it is in the list already.
void AddFontLoader(const std::shared_ptr<TFontLoader>& loader);

// The first font a loader makes from source, or null when none can.
FontRef LoadFont(const std::string& source, int size, int style);

}  // namespace vdl
