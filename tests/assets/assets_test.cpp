// The game's embedded assets: the table the build compiles in, and what the game relies on in
// each file (image sizes and pixel formats, transparent backgrounds, a tintable particle star,
// a title that leaves the menu buttons visible, a directions picture without the mask colour,
// a TrueType font covering ASCII, and stereo 44.1 kHz sounds of sensible length and level),
// and the images' checksums, which the game does not check again.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include <gtest/gtest.h>
#include <png.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "game/assets.h"

namespace {

using vdl::generated::gameAssets;
using vdl::generated::gameAssetsCount;

struct ExpectedImage {
    const char* name;
    int width;
    int height;
    bool alpha;  // 8-bit RGBA when true, 8-bit RGB otherwise
};

// The images in the order the game registers and loads them.
const ExpectedImage kImages[] = {
    {"candycane.png", 38, 48, true},   {"target.png", 22, 22, true},
    {"snowman.png", 23, 33, true},     {"tree.png", 29, 42, true},
    {"hat.png", 27, 32, true},         {"whitestar.png", 21, 20, true},
    {"present.png", 15, 14, true},     {"ball.png", 16, 16, true},
    {"port.png", 32, 32, true},        {"bell.png", 32, 34, true},
    {"gingerbread.png", 30, 36, true}, {"homing.png", 19, 11, true},
    {"red ball.png", 16, 16, true},    {"ornament.png", 26, 28, true},
    {"wreath.png", 68, 69, true},      {"enemyhoming.png", 19, 11, true},
    {"spawn.png", 32, 32, true},       {"directions.png", 800, 600, false},
    {"title.png", 800, 204, true},
};

const vdl::EmbeddedFile* FindAsset(std::string_view name) {
    for (int i = 0; i < gameAssetsCount; ++i) {
        if (gameAssets[i].name != nullptr && name == gameAssets[i].name) return &gameAssets[i];
    }
    return nullptr;
}

uint32_t BigEndian32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;

    const unsigned char* At(int x, int y) const {
        return &pixels[(static_cast<size_t>(y) * width + x) * 4];
    }
};

Rgba DecodeRgba(const vdl::EmbeddedFile& file) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Rgba out;
    if (!png_image_begin_read_from_memory(&image, file.data, static_cast<size_t>(file.size))) {
        ADD_FAILURE() << file.name << ": " << image.message;
        return out;
    }
    image.format = PNG_FORMAT_RGBA;
    out.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) {
        ADD_FAILURE() << file.name << ": " << image.message;
        out.pixels.clear();
        return out;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    return out;
}

struct Pcm {
    int channels = 0;
    long rate = 0;
    std::vector<int16_t> samples;  // interleaved
};

struct MemoryReader {
    const unsigned char* data;
    size_t size;
    size_t pos;
};

size_t ReadMemory(void* dst, size_t size, size_t count, void* source) {
    auto* r = static_cast<MemoryReader*>(source);
    const size_t n = std::min(size * count, r->size - r->pos);
    std::memcpy(dst, r->data + r->pos, n);
    r->pos += n;
    return size == 0 ? 0 : n / size;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* r = static_cast<MemoryReader*>(source);
    const ogg_int64_t base = whence == SEEK_CUR   ? static_cast<ogg_int64_t>(r->pos)
                             : whence == SEEK_END ? static_cast<ogg_int64_t>(r->size)
                                                  : 0;
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(r->size)) return -1;
    r->pos = static_cast<size_t>(target);
    return 0;
}

long TellMemory(void* source) {
    return static_cast<long>(static_cast<MemoryReader*>(source)->pos);
}

// Decodes a whole Ogg Vorbis file to signed 16-bit little-endian PCM, as the game's loader does.
Pcm DecodeOgg(const vdl::EmbeddedFile& file) {
    MemoryReader reader{file.data, static_cast<size_t>(file.size), 0};
    const ov_callbacks callbacks{ReadMemory, SeekMemory, nullptr, TellMemory};
    OggVorbis_File vf;
    Pcm out;
    if (ov_open_callbacks(&reader, &vf, nullptr, 0, callbacks) != 0) {
        ADD_FAILURE() << file.name << " is not an Ogg Vorbis stream";
        return out;
    }
    const vorbis_info* info = ov_info(&vf, -1);
    out.channels = info->channels;
    out.rate = info->rate;
    char buffer[8192];
    int section = 0;
    for (;;) {
        const long got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section);
        if (got < 0) {
            ADD_FAILURE() << file.name << ": decoding error " << got;
            break;
        }
        if (got == 0) break;
        const size_t old = out.samples.size();
        out.samples.resize(old + static_cast<size_t>(got) / 2);
        std::memcpy(&out.samples[old], buffer, static_cast<size_t>(got));
    }
    ov_clear(&vf);
    return out;
}

TEST(GameAssets, TableHoldsTheTwentyTwoFilesInRegistrationOrder) {
    std::vector<std::string> expected;
    for (const ExpectedImage& image : kImages)
        expected.emplace_back(image.name);
    expected.insert(expected.end(), {"santbsb_.ttf", "christmas.ogg", "bell.ogg"});

    ASSERT_EQ(gameAssetsCount, 22);
    for (int i = 0; i < gameAssetsCount; ++i) {
        ASSERT_NE(gameAssets[i].name, nullptr) << "entry " << i;
        EXPECT_EQ(gameAssets[i].name, expected[static_cast<size_t>(i)]) << "entry " << i;
        EXPECT_GT(gameAssets[i].size, 0) << gameAssets[i].name;
        EXPECT_NE(gameAssets[i].data, nullptr) << gameAssets[i].name;
    }
}

TEST(GameAssets, ImagesHaveTheListedSizesAndEightBitColourTypes) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    for (const ExpectedImage& image : kImages) {
        SCOPED_TRACE(image.name);
        const vdl::EmbeddedFile* file = FindAsset(image.name);
        ASSERT_NE(file, nullptr);
        ASSERT_GE(file->size, 33);
        const unsigned char* d = file->data;
        ASSERT_EQ(std::memcmp(d, kSignature, 8), 0);
        // The first chunk is IHDR: length 13, then width, height, depth, colour type, ...
        ASSERT_EQ(BigEndian32(d + 8), 13u);
        ASSERT_EQ(std::memcmp(d + 12, "IHDR", 4), 0);
        EXPECT_EQ(BigEndian32(d + 16), static_cast<uint32_t>(image.width));
        EXPECT_EQ(BigEndian32(d + 20), static_cast<uint32_t>(image.height));
        EXPECT_EQ(d[24], 8) << "bit depth";
        EXPECT_EQ(d[25], image.alpha ? 6 : 2) << "colour type (6 RGBA, 2 RGB)";
    }
}

// The game's own images are decoded without working their checksums out again (any other PNG
// is checked as it is read): this is where they are checked.
TEST(GameAssets, ImagesCarryRightChunkCrcsAndImageDataAdler) {
    for (const ExpectedImage& image : kImages) {
        SCOPED_TRACE(image.name);
        const vdl::EmbeddedFile* file = FindAsset(image.name);
        ASSERT_NE(file, nullptr);
        const std::vector<std::uint8_t> bytes(file->data, file->data + file->size);
        std::vector<std::uint8_t> rewritten = bytes;
        vdl::fuzz::FixPngChecksums(rewritten);
        EXPECT_TRUE(rewritten == bytes);
    }
}

// Sprites are drawn over a white field and tested for collisions on pixels with alpha >= 128:
// each needs a see-through background, a solid body and soft (partly transparent) edges.
TEST(GameAssets, SpritesHaveTransparentBackgroundsSolidBodiesAndSoftEdges) {
    for (const ExpectedImage& image : kImages) {
        if (!image.alpha || image.width == 800) continue;
        SCOPED_TRACE(image.name);
        const Rgba img = DecodeRgba(*FindAsset(image.name));
        ASSERT_EQ(img.width, image.width);

        const int w = img.width - 1;
        const int h = img.height - 1;
        for (auto [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}}) {
            EXPECT_EQ(img.At(x, y)[3], 0) << "corner " << x << "," << y;
        }
        int solid = 0;
        int soft = 0;
        for (int y = 0; y <= h; ++y) {
            for (int x = 0; x <= w; ++x) {
                const int a = img.At(x, y)[3];
                if (a >= 128) ++solid;
                if (a > 0 && a < 255) ++soft;
            }
        }
        const int area = img.width * img.height;
        EXPECT_GE(solid * 5, area) << "less than a fifth of the sprite would collide";
        EXPECT_GT(soft, 0) << "edges are not anti-aliased";
    }
}

// Particles tint the star red or green through the draw colour, which multiplies: a coloured or
// dark star would come out muddy.
TEST(GameAssets, ParticleStarIsWhiteOrLightGrey) {
    const Rgba star = DecodeRgba(*FindAsset("whitestar.png"));
    int visible = 0;
    for (int y = 0; y < star.height; ++y) {
        for (int x = 0; x < star.width; ++x) {
            const unsigned char* p = star.At(x, y);
            if (p[3] < 64) continue;
            ++visible;
            const int lo = std::min({p[0], p[1], p[2]});
            const int hi = std::max({p[0], p[1], p[2]});
            EXPECT_GE(lo, 170) << "dark pixel at " << x << "," << y;
            EXPECT_LE(hi - lo, 12) << "coloured pixel at " << x << "," << y;
        }
    }
    EXPECT_GT(visible, 0);
}

// The title is drawn after the menu's buttons, whose labels start at y = 200: its bottom rows
// must be see-through or it hides "Start" and "Sound: Off". A few rows of margin above them.
TEST(GameAssets, TitleLeavesTheMenuButtonRowsTransparent) {
    const Rgba title = DecodeRgba(*FindAsset("title.png"));
    ASSERT_EQ(title.height, 204);
    for (int y = 190; y < title.height; ++y) {
        for (int x = 0; x < title.width; ++x) {
            ASSERT_EQ(title.At(x, y)[3], 0) << "opaque pixel at " << x << "," << y;
        }
    }
    int opaque = 0;
    for (int y = 0; y < 190; ++y) {
        for (int x = 0; x < title.width; ++x)
            opaque += title.At(x, y)[3] == 255;
    }
    EXPECT_GT(opaque, 800 * 20) << "the title is nearly empty";
}

// The directions picture has no alpha channel, so the game masks its yellow (255, 255, 0)
// pixels out: any such pixel would be a hole in the instructions.
TEST(GameAssets, DirectionsPictureHasNoMaskColouredPixels) {
    const Rgba directions = DecodeRgba(*FindAsset("directions.png"));
    ASSERT_EQ(directions.width, 800);
    int masked = 0;
    for (int y = 0; y < directions.height; ++y) {
        for (int x = 0; x < directions.width; ++x) {
            const unsigned char* p = directions.At(x, y);
            masked += p[0] == 255 && p[1] == 255 && p[2] == 0;
        }
    }
    EXPECT_EQ(masked, 0);
}

TEST(GameAssets, FontIsTrueTypeAndDrawsEveryPrintableAsciiCharacterAtTheGameSizes) {
    const vdl::EmbeddedFile* file = FindAsset("santbsb_.ttf");
    ASSERT_NE(file, nullptr);
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Memory_Face(library, file->data, file->size, 0, &face), 0);

    // TrueType outlines live in a 'glyf' table (CFF-flavoured OpenType has none).
    FT_ULong glyfLength = 0;
    EXPECT_EQ(FT_Load_Sfnt_Table(face, TTAG_glyf, 0, nullptr, &glyfLength), 0);
    EXPECT_GT(glyfLength, 0u);
    EXPECT_TRUE(FT_IS_SCALABLE(face));

    for (int size : {24, 28, 32}) {
        SCOPED_TRACE("size " + std::to_string(size));
        ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)), 0);
        for (FT_ULong c = 32; c <= 126; ++c) {
            const FT_UInt index = FT_Get_Char_Index(face, c);
            ASSERT_NE(index, 0u) << "no glyph for '" << static_cast<char>(c) << "'";
            ASSERT_EQ(FT_Load_Glyph(face, index, FT_LOAD_RENDER), 0);
            const FT_Bitmap& bitmap = face->glyph->bitmap;
            EXPECT_GT(face->glyph->advance.x, 0) << "'" << static_cast<char>(c) << "'";
            if (c != ' ') {
                EXPECT_GT(bitmap.width * bitmap.rows, 0u)
                    << "'" << static_cast<char>(c) << "' draws nothing";
            }
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

struct ExpectedSound {
    const char* name;
    double minSeconds;
    double maxSeconds;
};

// Both sounds: stereo 44.1 kHz Vorbis of the intended length, loudest sample below -1 dBFS, and
// no click where they start or stop (the first and last samples are near silence).
TEST(GameAssets, SoundsAreStereo44100OfTheirLengthWithHeadroomAndQuietEnds) {
    const int16_t kMinusOneDb = 29204;  // 32767 * 10^(-1/20)
    const int kNearSilence = 200;
    for (const ExpectedSound& sound :
         {ExpectedSound{"christmas.ogg", 60.0, 150.0}, ExpectedSound{"bell.ogg", 0.3, 1.0}}) {
        SCOPED_TRACE(sound.name);
        const vdl::EmbeddedFile* file = FindAsset(sound.name);
        ASSERT_NE(file, nullptr);
        const Pcm pcm = DecodeOgg(*file);
        ASSERT_EQ(pcm.channels, 2);
        ASSERT_EQ(pcm.rate, 44100);
        const double seconds = static_cast<double>(pcm.samples.size()) / 2 / 44100.0;
        EXPECT_GE(seconds, sound.minSeconds);
        EXPECT_LE(seconds, sound.maxSeconds);

        int peak = 0;
        for (int16_t s : pcm.samples)
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_LT(peak, kMinusOneDb);
        EXPECT_GT(peak, kMinusOneDb / 4) << "far too quiet";
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_LT(std::abs(pcm.samples[i]), kNearSilence) << "first frame";
            EXPECT_LT(std::abs(pcm.samples[pcm.samples.size() - 1 - i]), kNearSilence)
                << "last frame";
        }
    }
}

// The music is compiled into the program; it must stay small.
TEST(GameAssets, MusicStaysWellUnderTwoAndAHalfMegabytes) {
    const vdl::EmbeddedFile* file = FindAsset("christmas.ogg");
    ASSERT_NE(file, nullptr);
    EXPECT_LT(file->size, 2 * 1024 * 1024);
}

}  // namespace
