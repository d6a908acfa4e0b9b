#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zlib.h>
#include "graphics/pixmap.h"
#include "graphics/png_loader.h"
#include "png_fixtures.h"
#include "stream/embedded.h"
#include "stream/ram_stream.h"
#include "tests/resident.h"

namespace {

using namespace vdl;
using pngfix::PngRecipe;

PixmapRef DecodeBytes(const std::vector<unsigned char>& bytes) {
    StartPNGLoader();
    return LoadPixmap(StreamRef(CreateRamStream(bytes.data(), static_cast<int>(bytes.size()), 1)));
}

struct ColourCase {
    const char* name;
    int colorType;
    int bitDepth;
    int expectedFormat;
    void (*adjust)(PngRecipe&);
};

void NoChange(PngRecipe&) {}
void PaletteTransparency(PngRecipe& s) {
    for (size_t i = 0; i < s.palette.size(); ++i)
        s.paletteAlpha.push_back(i * 37 % 256);
    s.paletteAlpha.resize(s.palette.size() - 3);  // the last entries stay opaque
}
void GreyKey(PngRecipe& s) {
    s.colorKey = true;
    s.key.gray = static_cast<png_uint_16>(s.samples[0]);
}
void RgbKey(PngRecipe& s) {
    s.colorKey = true;
    s.key.red = static_cast<png_uint_16>(s.samples[0]);
    s.key.green = static_cast<png_uint_16>(s.samples[1]);
    s.key.blue = static_cast<png_uint_16>(s.samples[2]);
}
void Interlace(PngRecipe& s) {
    s.interlaced = true;
}

const ColourCase kCases[] = {
    {"grey1", PNG_COLOR_TYPE_GRAY, 1, PF_I8, NoChange},
    {"grey2", PNG_COLOR_TYPE_GRAY, 2, PF_I8, NoChange},
    {"grey4", PNG_COLOR_TYPE_GRAY, 4, PF_I8, NoChange},
    {"grey8", PNG_COLOR_TYPE_GRAY, 8, PF_I8, NoChange},
    {"grey16", PNG_COLOR_TYPE_GRAY, 16, PF_I8, NoChange},
    {"grey4_key", PNG_COLOR_TYPE_GRAY, 4, PF_RGBA8888, GreyKey},
    {"grey_alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, PF_RGBA8888, NoChange},
    {"grey_alpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, PF_RGBA8888, NoChange},
    {"rgb8", PNG_COLOR_TYPE_RGB, 8, PF_RGB888, NoChange},
    {"rgb16", PNG_COLOR_TYPE_RGB, 16, PF_RGB888, NoChange},
    {"rgb8_key", PNG_COLOR_TYPE_RGB, 8, PF_RGBA8888, RgbKey},
    {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, PF_RGBA8888, NoChange},
    {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, PF_RGBA8888, NoChange},
    {"palette1", PNG_COLOR_TYPE_PALETTE, 1, PF_RGB888, NoChange},
    {"palette2", PNG_COLOR_TYPE_PALETTE, 2, PF_RGB888, NoChange},
    {"palette4", PNG_COLOR_TYPE_PALETTE, 4, PF_RGB888, NoChange},
    {"palette8", PNG_COLOR_TYPE_PALETTE, 8, PF_RGB888, NoChange},
    {"palette8_trns", PNG_COLOR_TYPE_PALETTE, 8, PF_RGBA8888, PaletteTransparency},
    {"palette4_trns", PNG_COLOR_TYPE_PALETTE, 4, PF_RGBA8888, PaletteTransparency},
    {"rgba8_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, PF_RGBA8888, Interlace},
    {"palette2_interlaced", PNG_COLOR_TYPE_PALETTE, 2, PF_RGB888, Interlace},
};

// Every colour type and bit depth decodes to the expected format with the same pixels as
// ImageMagick reads from the same file (16-bit samples keep their high byte).
TEST(PngDecoding, EveryColourTypeAndDepthMatchesAnIndependentDecoder) {
    StartPNGLoader();
    unsigned seed = 1;
    for (const ColourCase& c : kCases) {
        SCOPED_TRACE(c.name);
        PngRecipe recipe = pngfix::RandomPngRecipe(13, 7, c.colorType, c.bitDepth, seed++);
        c.adjust(recipe);
        const std::vector<unsigned char> bytes = pngfix::EncodePng(recipe);
        const std::string path = pngfix::TempPath(std::string(c.name) + ".png");
        pngfix::WriteFile(path, bytes);
        const std::vector<unsigned char> reference = pngfix::ReferenceRGBA(path, c.bitDepth == 16);
        ASSERT_EQ(reference.size(), 13u * 7u * 4u) << "ImageMagick could not read " << path;

        PixmapRef pixmap = LoadPixmap(path);
        ASSERT_NE(pixmap, nullptr);
        EXPECT_EQ(pixmap->format, c.expectedFormat);
        ASSERT_EQ(pixmap->width, 13);
        ASSERT_EQ(pixmap->height, 7);
        EXPECT_EQ(pixmap->pitch % 4, 0);
        int mismatches = 0;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                const unsigned char* r = &reference[(y * 13 + x) * 4];
                const uint32_t expected =
                    (uint32_t(r[3]) << 24) | (r[0] << 16) | (r[1] << 8) | r[2];
                if (pixmap->ReadPixel(x, y) != expected && mismatches++ < 3) {
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex
                                  << pixmap->ReadPixel(x, y) << " vs " << expected;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
        std::remove(path.c_str());
    }
}

TEST(PngDecoding, LoadsFromEmbeddedAssets) {
    static const std::vector<unsigned char> bytes =
        pngfix::EncodePng(pngfix::RandomPngRecipe(3, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8, 99));
    RegisterEmbedded("png_test_sprite.png", bytes.data(), static_cast<int>(bytes.size()));
    StartPNGLoader();
    PixmapRef p = LoadPixmap(std::string("incbin::png_test_sprite.png"));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->width, 3);
    EXPECT_EQ(p->format, PF_RGBA8888);
}

// Every prefix of a valid file, and files with damaged bytes, give null and never end the
// process.
TEST(PngDecoding, TruncatedAndCorruptFilesGiveNull) {
    PngRecipe recipe = pngfix::RandomPngRecipe(21, 9, PNG_COLOR_TYPE_PALETTE, 8, 7);
    PaletteTransparency(recipe);
    const std::vector<unsigned char> good = pngfix::EncodePng(recipe);
    ASSERT_NE(DecodeBytes(good), nullptr);

    for (size_t length = 0; length < good.size(); ++length) {
        std::vector<unsigned char> cut(good.begin(), good.begin() + length);
        ASSERT_EQ(DecodeBytes(cut), nullptr) << "prefix of " << length << " bytes";
    }
    for (size_t at = 8; at < good.size(); at += 3) {
        std::vector<unsigned char> bad = good;
        bad[at] ^= 0x5A;
        PixmapRef p = DecodeBytes(bad);  // a damaged ancillary chunk may still decode
        if (p) {
            EXPECT_EQ(p->width * p->height, 21 * 9);
        }
    }
    std::vector<unsigned char> notPng = good;
    notPng[1] = 'Q';
    EXPECT_EQ(DecodeBytes(notPng), nullptr);
    EXPECT_EQ(DecodeBytes({}), nullptr);
}

// Rewrites the IHDR size of a valid file (with a fresh CRC) to claim huge dimensions.
std::vector<unsigned char> WithClaimedSize(std::vector<unsigned char> bytes, uint32_t w,
                                           uint32_t h) {
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
    };
    put(16, w);
    put(20, h);
    put(29, static_cast<uint32_t>(crc32(0, bytes.data() + 12, 17)));
    return bytes;
}

TEST(PngDecoding, DimensionsNoTextureCouldHoldAreRefusedBeforeDecoding) {
    const std::vector<unsigned char> small =
        pngfix::EncodePng(pngfix::RandomPngRecipe(4, 4, PNG_COLOR_TYPE_RGB, 8, 3));
    EXPECT_EQ(DecodeBytes(WithClaimedSize(small, kMaxPngSide + 1, 1)), nullptr);
    EXPECT_EQ(DecodeBytes(WithClaimedSize(small, 1, 0x7FFFFFFF)), nullptr);
    EXPECT_EQ(DecodeBytes(WithClaimedSize(small, 9000, 9000)), nullptr);  // 81M pixels
    // Within the limits the claim is believed, and the missing pixel data is the error.
    EXPECT_EQ(DecodeBytes(WithClaimedSize(small, 64, 64)), nullptr);
    // A 256 MiB claim in a file of about a hundred bytes costs address space, not memory.
    const auto huge = WithClaimedSize(small, 8192, 8192);
    EXPECT_LT(huge.size(), 200u);
    const long grewKb =
        testing_resident::PeakGrowthKb([&] { EXPECT_EQ(DecodeBytes(huge), nullptr); });
    EXPECT_LT(grewKb, 32 * 1024);
    // Nor does an ancillary chunk that claims 1.4 GB in a file of 61 bytes.
    std::ifstream in(
        std::string(CCA_SOURCE_DIR) + "/fuzz/regressions/png/text-chunk-claims-1400-mb.png",
        std::ios::binary);
    const std::vector<unsigned char> text(std::istreambuf_iterator<char>(in), {});
    ASSERT_EQ(text.size(), 61u);
    EXPECT_LT(testing_resident::PeakGrowthKb([&] { EXPECT_EQ(DecodeBytes(text), nullptr); }),
              32 * 1024);
}

}  // namespace
