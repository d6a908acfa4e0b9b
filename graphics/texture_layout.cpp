// Texture sizes, padding and mipmap levels.
#include "graphics/texture_layout.h"

#include <algorithm>

#include "runtime/errors.h"

namespace vdl {

int NextPow2(int n) {
    int p = 1;
    while (p < n && p < (1 << 30))
        p <<= 1;
    return p;
}

void CalcTexSize(int& width, int& height, const TextureSizeTest& accepts) {
    width = NextPow2(width);
    height = NextPow2(height);
    while (!accepts(width, height)) {
        if (width == 1 && height == 1) RuntimeError("Unable to calculate tex size");
        if (width > 1) width /= 2;
        if (height > 1) height /= 2;
    }
}

TextureLayout LayOutTexture(const PixmapRef& source, const TextureSizeTest& accepts) {
    int tw = source->width, th = source->height;
    CalcTexSize(tw, th, accepts);
    const int w = std::min(source->width, tw);
    const int h = std::min(source->height, th);
    PixmapRef src = source;
    if (w != src->width || h != src->height) src = ResizePixmap(src, w, h);

    TextureLayout layout;
    layout.uRight = static_cast<float>(w) / static_cast<float>(tw);
    layout.vBottom = static_cast<float>(h) / static_cast<float>(th);
    const bool packed = src->pitch == src->width * 4;
    if (w == tw && h == th && src->format == PF_RGBA8888 && packed) {
        layout.pixels = src;
        return layout;
    }
    // Pad by repeating the last column and row (and the corner pixel) once.
    layout.pixels = TPixmap::Create(tw, th, PF_RGBA8888, 4);
    TPixmap& tex = *layout.pixels;
    tex.Paste(*src, 0, 0);
    if (w < tw) tex.Paste(*src->Window(w - 1, 0, 1, h), w, 0);
    if (h < th) {
        tex.Paste(*src->Window(0, h - 1, w, 1), 0, h);
        if (w < tw) tex.Paste(*src->Window(w - 1, h - 1, 1, 1), w, h);
    }
    return layout;
}

PixmapRef NextMipLevel(const PixmapRef& level) {
    const int w = level->width, h = level->height;
    if (w == 1 && h == 1) return nullptr;
    return ResizePixmap(level, w > 1 ? w / 2 : w, h > 1 ? h / 2 : h);
}

}  // namespace vdl
