// Font bytes (TrueType, or anything else FreeType reads) as an image font at one size and
// style, with a few characters measured and drawn on the headless renderer, one at a time and
// as a rotated, scaled line.
//
// The input's last kChoiceBytes bytes choose what is drawn; the bytes before them are the
// font. FreeType finds tables by their offsets, so bytes appended to a font file change
// nothing in it, and a seed is a font file with its choice appended:
//   byte 0      the pixel size, modulo kSizes (0 is refused by the loader)
//   byte 1      the style bits (BOLDFONT, ITALICFONT, SMOOTHFONT), low three bits
//   bytes 2-7   the characters, one byte each, as the game's text passes them
// Opening the face is what every input must pay for; each glyph costs a rasterisation and,
// for a smooth font, a mipmapped image, so an input draws a handful rather than the whole
// character set, and the fuzzer picks which.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/fuzz_support.h"
#include "graphics/font.h"
#include "graphics/image_font.h"
#include "stream/url.h"

namespace {

using namespace vdl;

constexpr std::size_t kChoiceBytes = 8;
constexpr int kSizes = 64;
constexpr int kStyleBits = BOLDFONT | ITALICFONT | SMOOTHFONT;

// Serves the font part of the current input as "fuzzinput::font": the font loader reads a
// URL, and only a URL with a scheme is read into memory (a plain path would be a file).
class TInputFactory : public TStreamFactory {
public:
    StreamRef CreateStream(const std::string&, const std::string& protocol, const std::string&,
                           int readable, int writeable) override {
        if (protocol != "fuzzinput" || writeable) return nullptr;
        return CreateRamStream(static_cast<const void*>(data), static_cast<int>(size), readable);
    }

    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

void MeasureAndDraw(const ImageFontRef& font, const std::string& text) {
    UseImageFont(font);
    const int height = FontLineHeight();
    SetDrawTransform(0, 1, 1);
    for (const char c : text) {
        const std::string one(1, c);
        MeasureTextWidth(one);
        DrawString(one, 2, static_cast<float>(height));
    }
    MeasureTextWidth(text);
    SetDrawTransform(-30, 1.5f, 0.75f);
    DrawString(text, 20, 20);
    SetDrawTransform(0, 1, 1);
    UseImageFont(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TInputFactory factory;
    static const std::shared_ptr<TGraphics> surface =
        OpenHeadlessGraphics(fuzz::kSurfaceSide, fuzz::kSurfaceSide);
    const std::size_t fontSize = size > kChoiceBytes ? size - kChoiceBytes : 0;
    fuzz::TByteReader choice(data + fontSize, size - fontSize);
    const int pixels = choice.Byte() % kSizes;
    const int style = choice.Byte() & kStyleBits;
    const std::string text = choice.Take(static_cast<int>(kChoiceBytes) - 2);

    factory.data = data;
    factory.size = fontSize;
    ImageFontRef font;
    try {
        font = OpenImageFont("fuzzinput::font", pixels, style);
    } catch (const TVardoException&) {
    }
    if (font) {
        fuzz::Require(font->CountGlyphs() >= 0, "a font has a glyph count");
        MeasureAndDraw(font, text);
    }
    factory.data = nullptr;
    factory.size = 0;
    return 0;
}
