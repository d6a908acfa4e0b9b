// Test helpers: PNG files written with libpng in every colour type and bit depth, and an
// independent decode of them through ImageMagick.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace pngfix {

// What to write: samples are packed by the writer from one value per sample (already in
// range for the bit depth), palette entries as R, G, B.
struct PngRecipe {
    int width = 0;
    int height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<unsigned> samples;       // width * height * channels values
    std::vector<png_color> palette;      // for palette images
    std::vector<png_byte> paletteAlpha;  // tRNS for palette images
    bool colorKey = false;               // tRNS single colour for grey / RGB
    png_color_16 key{};
};

inline int Channels(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_PALETTE:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        default:
            return 4;
    }
}

// A recipe of random samples for the colour type and depth (palette indexes below the palette
// size, which is filled with random colours).
inline PngRecipe RandomPngRecipe(int width, int height, int colorType, int bitDepth,
                                 unsigned seed) {
    std::mt19937 rng(seed);
    PngRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.colorType = colorType;
    recipe.bitDepth = bitDepth;
    unsigned limit = (1u << bitDepth) - 1;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        const int entries = 1 << bitDepth > 40 ? 40 : 1 << bitDepth;
        for (int i = 0; i < entries; ++i) {
            recipe.palette.push_back({static_cast<png_byte>(rng()), static_cast<png_byte>(rng()),
                                      static_cast<png_byte>(rng())});
        }
        limit = entries - 1;
    }
    const size_t count = static_cast<size_t>(width) * height * Channels(colorType);
    for (size_t i = 0; i < count; ++i)
        recipe.samples.push_back(rng() % (limit + 1));
    return recipe;
}

inline void WriteCallback(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

inline void FlushCallback(png_structp) {}

// The PNG file for recipe, as bytes.
inline std::vector<unsigned char> EncodePng(const PngRecipe& recipe) {
    std::vector<unsigned char> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::abort();
    }
    png_set_write_fn(png, &bytes, WriteCallback, FlushCallback);
    png_set_IHDR(png, info, recipe.width, recipe.height, recipe.bitDepth, recipe.colorType,
                 recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!recipe.palette.empty()) {
        png_set_PLTE(png, info, recipe.palette.data(), static_cast<int>(recipe.palette.size()));
    }
    if (!recipe.paletteAlpha.empty()) {
        png_set_tRNS(png, info, recipe.paletteAlpha.data(),
                     static_cast<int>(recipe.paletteAlpha.size()), nullptr);
    } else if (recipe.colorKey) {
        png_color_16 key = recipe.key;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);

    const int channels = Channels(recipe.colorType);
    const size_t rowBytes =
        (static_cast<size_t>(recipe.width) * channels * recipe.bitDepth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(recipe.height, std::vector<png_byte>(rowBytes, 0));
    for (int y = 0; y < recipe.height; ++y) {
        for (int i = 0; i < recipe.width * channels; ++i) {
            const unsigned v = recipe.samples[static_cast<size_t>(y) * recipe.width * channels + i];
            if (recipe.bitDepth == 16) {
                rows[y][i * 2] = static_cast<png_byte>(v >> 8);
                rows[y][i * 2 + 1] = static_cast<png_byte>(v);
            } else if (recipe.bitDepth == 8) {
                rows[y][i] = static_cast<png_byte>(v);
            } else {
                const int perByte = 8 / recipe.bitDepth;
                const int shift = 8 - recipe.bitDepth * (i % perByte + 1);
                rows[y][i / perByte] |= static_cast<png_byte>(v << shift);
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

inline std::string TempPath(const std::string& name) {
    return std::string(CCA_BINARY_DIR) + "/pngfix_" + name;
}

inline void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// ImageMagick's decode of a PNG file as 8-bit RGBA, or empty when convert failed. With
// sixteen set, each 16-bit sample is taken by its high byte.
inline std::vector<unsigned char> ReferenceRGBA(const std::string& pngPath, bool sixteen) {
    const std::string raw = pngPath + ".rgba";
    const std::string command = "convert '" + pngPath + "' -depth " + (sixteen ? "16" : "8") +
                                " 'rgba:" + raw + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    std::ifstream in(raw, std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    std::remove(raw.c_str());
    if (!sixteen) return data;
    std::vector<unsigned char> high;
    for (size_t i = 0; i < data.size(); i += 2)
        high.push_back(data[i + 1]);  // little-endian
    return high;
}

}  // namespace pngfix
