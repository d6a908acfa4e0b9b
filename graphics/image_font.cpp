// Image fonts: glyph images made from source fonts, the built-in bitmap font, and the text
// operations on the current font.
#include "graphics/image_font.h"

#include <climits>

#include "graphics/drawing.h"
#include "graphics/freetype_font.h"
#include "runtime/errors.h"
#include "stream/embedded.h"
#include "stream/embedded_file.h"
#include "stream/url.h"

namespace vdl::generated {
// The engine's own embedded files (the build's embedding step makes this table).
extern const EmbeddedFile engineFonts[];
extern const int engineFontsCount;
}  // namespace vdl::generated

namespace vdl {

namespace {

constexpr int kFirstChar = 32;
constexpr int kCharCount = 96;
constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;
constexpr int kDefaultFontBytes = kCharCount * kCellHeight;  // 1536
constexpr int kSmoothImageFlags = FILTERED_IMAGE | MIPMAPPED_IMAGE;

struct FontModuleState {
    bool started = false;
} fonts;

// Real to integer, truncating toward zero; out of range and NaN give INT_MIN.
int Int(float v) {
    const double d = v;
    if (!(d > -2147483649.0 && d < 2147483648.0)) return INT_MIN;
    return static_cast<int>(d);
}

ImageFontRef CurrentFont() {
    StartImageFonts();
    if (ImageFontRef font = CurrentImageFont()) return font;
    return DefaultImageFont();
}

}  // namespace

void TImageGlyph::GetRect(int& rx, int& ry, int& rw, int& rh) {
    rx = x;
    ry = y;
    rw = w;
    rh = h;
}

int TImageFont::Style() {
    return srcFont ? srcFont->Style() : 0;
}

int TImageFont::Height() {
    return srcFont ? srcFont->Height() : kCellHeight;
}

int TImageFont::CountGlyphs() {
    return static_cast<int>(glyphs.size());
}

int TImageFont::CharToGlyph(int c) {
    if (srcFont) return srcFont->CharToGlyph(c);
    return c >= kFirstChar && c < kFirstChar + kCharCount ? c - kFirstChar : -1;
}

ImageGlyphRef TImageFont::LoadGlyph(int index) {
    if (index < 0 || index >= CountGlyphs()) throw TArrayBoundsException();
    if (glyphs[index]) return glyphs[index];

    auto glyph = std::make_shared<TImageGlyph>();
    if (srcFont) {
        const GlyphRef source = srcFont->LoadGlyph(index);
        glyph->advance = source->Advance();
        source->GetRect(glyph->x, glyph->y, glyph->w, glyph->h);
        if (const PixmapRef pixmap = source->Pixmap()) {
            // Mask colour black with the masked flag off: nothing is masked.
            glyph->image = TImage::Load(pixmap->Copy(), imageFlags, 0, 0, 0);
        }
    }
    glyphs[index] = glyph;
    return glyph;
}

void TImageFont::Draw(const std::string& text, float x, float y, float ix, float iy, float jx,
                      float jy) {
    for (const char ch : text) {
        const int i = CharToGlyph(static_cast<unsigned char>(ch));
        if (i < 0) continue;
        const ImageGlyphRef glyph = LoadGlyph(i);
        if (const ImageRef& image = glyph->image) {
            if (const std::shared_ptr<TImageFrame> frame = image->Frame(0)) {
                const float gx = static_cast<float>(glyph->x);
                const float gy = static_cast<float>(glyph->y);
                frame->Draw(0, 0, static_cast<float>(image->width),
                            static_cast<float>(image->height), x + ix * gx + iy * gy,
                            y + jx * gx + jy * gy);
            }
        }
        x += ix * glyph->advance;
        y += jx * glyph->advance;
    }
}

ImageFontRef TImageFont::Load(const std::string& source, int size, int style) {
    StartImageFonts();
    const FontRef font = LoadFont(source, size, style);
    if (!font) return nullptr;
    auto imageFont = std::make_shared<TImageFont>();
    imageFont->srcFont = font;
    imageFont->glyphs.resize(static_cast<size_t>(font->CountGlyphs()));
    imageFont->imageFlags = (style & SMOOTHFONT) ? kSmoothImageFlags : 0;
    return imageFont;
}

ImageFontRef TImageFont::CreateDefault() {
    StartImageFonts();
    // NOTE: missing or short font data leaves the missing rows blank rather than reading
    // past the end.
    std::vector<unsigned char> bits = LoadAllBytes("incbin::vardofont.bin");
    bits.resize(kDefaultFontBytes, 0);

    const PixmapRef strip = TPixmap::Create(kCharCount * kCellWidth, kCellHeight, PF_RGBA8888, 4);
    for (int y = 0; y < kCellHeight; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(strip->PixelPtr(0, y));
        for (int x = 0; x < kCharCount * kCellWidth; ++x) {
            const unsigned char byte = bits[y * kCharCount + x / kCellWidth];
            row[x] = (byte >> (x % kCellWidth)) & 1 ? 0xFFFFFFFFu : 0u;
        }
    }

    auto font = std::make_shared<TImageFont>();
    font->glyphs.resize(kCharCount);
    for (int c = 0; c < kCharCount; ++c) {
        auto glyph = std::make_shared<TImageGlyph>();
        glyph->advance = kCellWidth;
        glyph->w = kCellWidth;
        glyph->h = kCellHeight;
        glyph->image = TImage::Load(
            strip->Window(c * kCellWidth, 0, kCellWidth, kCellHeight)->Copy(), 0, 0, 0, 0);
        font->glyphs[c] = glyph;
    }
    return font;
}

void StartImageFonts() {
    if (fonts.started) return;
    fonts.started = true;
    StartStreams();
    for (int i = 0; i < generated::engineFontsCount; ++i) {
        const EmbeddedFile& file = generated::engineFonts[i];
        RegisterEmbedded(file.name, file.data, file.size);
    }
    StartFreeTypeFontLoader();
    SetDefaultFontMaker(&TImageFont::CreateDefault);
}

ImageFontRef OpenImageFont(const std::string& source, int size, int style) {
    return TImageFont::Load(source, size, style);
}

int MeasureTextWidth(const std::string& text) {
    const ImageFontRef font = CurrentFont();
    if (!font) return 0;
    int width = 0;
    for (const char ch : text) {
        const int i = font->CharToGlyph(static_cast<unsigned char>(ch));
        if (i < 0) continue;
        width = Int(font->LoadGlyph(i)->Advance() + static_cast<float>(width));
    }
    return width;
}

int FontLineHeight() {
    const ImageFontRef font = CurrentFont();
    return font ? font->Height() : kCellHeight;
}

void DrawString(const std::string& text, float x, float y) {
    const std::shared_ptr<TVex2DGraphics> g = TVex2DGraphics::Current();
    if (!g) return;
    const ImageFontRef font = g->font ? g->font : CurrentFont();
    if (!font) return;
    font->Draw(text, x + g->originX + g->anchorX * g->ix + g->anchorY * g->iy,
               y + g->originY + g->anchorX * g->jx + g->anchorY * g->jy, g->ix, g->iy, g->jx,
               g->jy);
}

}  // namespace vdl
