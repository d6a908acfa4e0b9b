// Font bytes (TrueType, or anything else FreeType reads) as an image font at a few sizes and
// styles; every printable ASCII character is measured and drawn on the headless renderer,
// one at a time and as a rotated, scaled line.
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

// The font sources opened for each input: a plain size, a smoothed one and a large one with
// every style bit.
struct FontCase {
    int size;
    int style;
};
constexpr FontCase kCases[] = {{9, 0}, {16, SMOOTHFONT}, {41, BOLDFONT | ITALICFONT | SMOOTHFONT}};

// Serves the current input as "fuzzinput::font": the font loader reads a URL, and only a URL
// with a scheme is read into memory (a plain path would be a file).
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

std::string PrintableAscii() {
    std::string text;
    for (char c = ' '; c <= '~'; ++c)
        text += c;
    return text;
}

void MeasureAndDraw(const ImageFontRef& font) {
    UseImageFont(font);
    const int height = FontLineHeight();
    SetDrawTransform(0, 1, 1);
    const std::string text = PrintableAscii();
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
    factory.data = data;
    factory.size = size;
    for (const FontCase& c : kCases) {
        ImageFontRef font;
        try {
            font = OpenImageFont("fuzzinput::font", c.size, c.style);
        } catch (const TVardoException&) {
            continue;
        }
        if (!font) continue;
        fuzz::Require(font->CountGlyphs() >= 0, "a font has a glyph count");
        MeasureAndDraw(font);
    }
    factory.data = nullptr;
    factory.size = 0;
    return 0;
}
