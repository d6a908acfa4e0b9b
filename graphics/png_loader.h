// The PNG pixmap loader, on the system libpng.
//
// Decodes through libpng's read callbacks on a stream, with 16-bit samples stripped to 8 bits
// and palettes, low-bit grey and transparency chunks expanded. Grey becomes I8, RGB becomes
// RGB888, RGB with alpha and grey with alpha become RGBA8888. Anything libpng rejects (a bad
// signature, a corrupt chunk, data that ends early) gives null: libpng's errors come back
// through its long jump and never end the process.
#pragma once

#include "graphics/pixmap.h"

namespace vdl {

// Largest width or height accepted, and the largest pixel count. Larger images are refused
// before any pixel memory is allocated: no texture could hold them.
constexpr int kMaxPngSide = 16384;
constexpr long long kMaxPngPixels = 64LL * 1024 * 1024;

class TPixmapLoaderPNG : public TPixmapLoader {
public:
    // The decoded pixmap, or null when the stream does not hold a PNG this loader can read.
    PixmapRef LoadPixmap(TStream& stream) override;
};

// Registers the PNG loader once; later calls do nothing.
void StartPNGLoader();

}  // namespace vdl
