// How a pixmap becomes a GL texture, shared by the OpenGL renderers.
//
// Textures have power-of-two sizes no larger than the GL implementation accepts; a pixmap
// larger than that is scaled down to fit, and the used area's last column and row are
// repeated into the padding so filtering never pulls in foreign pixels. A mipmapped
// texture's levels are bilinear halvings, each of the level before. Nothing here calls GL:
// each renderer says which sizes its GL takes and uploads the pixmaps laid out here.
#pragma once

#include <functional>

#include "graphics/pixmap.h"

namespace vdl {

// A pixmap laid out as level 0 of a texture.
struct TextureLayout {
    PixmapRef pixels;      // RGBA8888, texture-sized, rows packed (pitch = width x 4)
    float uRight = 1.0f;   // used width / texture width
    float vBottom = 1.0f;  // used height / texture height
};

// Whether the GL implementation takes an RGBA texture of width x height.
using TextureSizeTest = std::function<bool(int width, int height)>;

// The smallest power of two >= n, at least 1.
int NextPow2(int n);

// Rounds a texture size up to powers of two, then halves each side above 1 until accepts
// takes it. Raises "Unable to calculate tex size" when not even 1 x 1 is taken.
void CalcTexSize(int& width, int& height, const TextureSizeTest& accepts);

// source laid out in a texture of the size CalcTexSize gives.
TextureLayout LayOutTexture(const PixmapRef& source, const TextureSizeTest& accepts);

// The mipmap level after level: each side above 1 halved, bilinearly; null after 1 x 1.
PixmapRef NextMipLevel(const PixmapRef& level);

}  // namespace vdl
