// png_finish: turns a rasterised drawing into the PNG the game embeds.
//
//   png_finish rgba IN OUT   8-bit RGBA; fully transparent pixels take the colour of their
//                            nearest visible neighbours, so filtered and mipmapped edges do not
//                            fade to black
//   png_finish rgb IN OUT    8-bit RGB without alpha, flattened onto white; fails if any pixel
//                            is the image mask colour (255, 255, 0), which the game would make
//                            transparent
//
// Uses libpng's simplified API; the output has no time stamps, so remaking it is byte-identical.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
};

bool ReadRgba(const char* path, Picture& out) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        std::fprintf(stderr, "png_finish: %s: %s\n", path, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "png_finish: %s: %s\n", path, image.message);
        return false;
    }
    return true;
}

bool Write(const char* path, int width, int height, bool alpha,
           const std::vector<unsigned char>& pixels) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path, 0, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "png_finish: %s: %s\n", path, image.message);
        return false;
    }
    return true;
}

// Gives every fully transparent pixel the average colour of its already coloured 8-neighbours,
// ring by ring outwards from the visible pixels, until every pixel has a colour. Alpha is kept.
void BleedColour(Picture& pic) {
    const int w = pic.width;
    const int h = pic.height;
    std::vector<unsigned char> known(static_cast<size_t>(w) * h);
    size_t unknown = 0;
    for (size_t i = 0; i < known.size(); ++i) {
        known[i] = pic.rgba[i * 4 + 3] != 0;
        if (!known[i]) ++unknown;
    }
    if (unknown == known.size()) return;  // nothing visible to take colours from

    while (unknown > 0) {
        std::vector<size_t> filled;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * w + x;
                if (known[i]) continue;
                int sum[3] = {0, 0, 0};
                int count = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx;
                        const int ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                        const size_t n = static_cast<size_t>(ny) * w + nx;
                        if (!known[n]) continue;
                        for (int c = 0; c < 3; ++c)
                            sum[c] += pic.rgba[n * 4 + c];
                        ++count;
                    }
                }
                if (count == 0) continue;
                for (int c = 0; c < 3; ++c) {
                    pic.rgba[i * 4 + c] = static_cast<unsigned char>(sum[c] / count);
                }
                filled.push_back(i);
            }
        }
        // Pixels filled in this ring only become sources for the next one.
        for (size_t i : filled)
            known[i] = 1;
        unknown -= filled.size();
    }
}

std::vector<unsigned char> FlattenOnWhite(const Picture& pic, size_t& maskPixels) {
    std::vector<unsigned char> rgb(static_cast<size_t>(pic.width) * pic.height * 3);
    maskPixels = 0;
    for (size_t i = 0; i < rgb.size() / 3; ++i) {
        const int a = pic.rgba[i * 4 + 3];
        for (int c = 0; c < 3; ++c) {
            rgb[i * 3 + c] =
                static_cast<unsigned char>((pic.rgba[i * 4 + c] * a + 255 * (255 - a) + 127) / 255);
        }
        if (rgb[i * 3] == 255 && rgb[i * 3 + 1] == 255 && rgb[i * 3 + 2] == 0) ++maskPixels;
    }
    return rgb;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::string(argv[1]) != "rgba" && std::string(argv[1]) != "rgb")) {
        std::fprintf(stderr, "usage: png_finish rgba|rgb IN OUT\n");
        return 2;
    }
    Picture pic;
    if (!ReadRgba(argv[2], pic)) return 1;

    if (std::string(argv[1]) == "rgba") {
        BleedColour(pic);
        return Write(argv[3], pic.width, pic.height, true, pic.rgba) ? 0 : 1;
    }

    size_t maskPixels = 0;
    const std::vector<unsigned char> rgb = FlattenOnWhite(pic, maskPixels);
    if (maskPixels > 0) {
        std::fprintf(stderr, "png_finish: %s: %zu pixels are the mask colour (255, 255, 0)\n",
                     argv[2], maskPixels);
        return 1;
    }
    return Write(argv[3], pic.width, pic.height, false, rgb) ? 0 : 1;
}
