// Pixmaps: CPU-side pixel buffers.
//
// A pixmap is a block of pixels in one of six formats with a row pitch. Images keep one per
// frame, fonts render glyphs into them, the renderer uploads them as textures and collision
// reads their alpha. This unit holds the formats and their byte orders, creation with row
// alignment, windows onto other pixmaps, conversion between formats (always through
// RGBA8888), the bilinear resize, the mask-colour operation, mirroring, and the registry of
// pixmap loaders that LoadPixmap asks in turn.
//
// Pixel values exchanged with ReadPixel/WritePixel are 32-bit ARGB integers: alpha in bits
// 24-31, red 16-23, green 8-15, blue 0-7.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/object.h"

namespace vdl {

class TStream;

// Pixel formats. 0 means none.
constexpr int PF_I8 = 1;        // intensity
constexpr int PF_A8 = 2;        // alpha
constexpr int PF_BGR888 = 3;    // bytes B, G, R
constexpr int PF_RGB888 = 4;    // bytes R, G, B
constexpr int PF_BGRA8888 = 5;  // bytes B, G, R, A
constexpr int PF_RGBA8888 = 6;  // bytes R, G, B, A

// Bytes per pixel of a format (0 for none or an unknown format).
int BytesPerPixel(int format);

// Alpha bits of a format (8 for A8, BGRA8888, RGBA8888; else 0).
int AlphaBits(int format);

// A block of pixels. Owned memory is freed with the pixmap; a window or a static pixmap
// looks at memory that belongs to someone else (capacity -1).
class TPixmap : public Object, public std::enable_shared_from_this<TPixmap> {
public:
    ~TPixmap() override;
    TPixmap(const TPixmap&) = delete;
    TPixmap& operator=(const TPixmap&) = delete;

    uint8_t* pixels = nullptr;  // first byte of row 0
    int width = 0;
    int height = 0;
    int pitch = 0;                    // bytes from one row to the next
    int format = 0;                   // pixel format
    int capacity = -1;                // bytes owned; -1 when the memory belongs to someone else
    std::shared_ptr<TPixmap> parent;  // the pixmap a window looks into, kept alive by it

    // Address of pixel (x, y). No bounds check.
    virtual uint8_t* PixelPtr(int x, int y);

    // A pixmap looking into this one at (x, y), of w x h, same pitch and format.
    // NOTE: the rectangle is clipped to this pixmap, so a window never reaches past it.
    virtual std::shared_ptr<TPixmap> Window(int x, int y, int w, int h);

    // A new pixmap of the same size and format (rows aligned to 4) with the same pixels.
    virtual std::shared_ptr<TPixmap> Copy();

    // Writes source's pixels with their top-left corner at (x, y), converting formats.
    // NOTE: the part of source that falls outside this pixmap is left out.
    virtual void Paste(const TPixmap& source, int x, int y);

    // A new pixmap (rows aligned to 4) with every pixel converted to format.
    virtual std::shared_ptr<TPixmap> Convert(int format);

    // The pixel at (x, y) as ARGB; 0 outside the pixmap or for an unknown format.
    virtual uint32_t ReadPixel(int x, int y) const;

    // Stores an ARGB value at (x, y) in this pixmap's format; nothing outside the pixmap.
    virtual void WritePixel(int x, int y, uint32_t argb);

    // A new pixmap with its own memory, rows padded to a multiple of align bytes. The
    // pixels start out zero (transparent black).
    static std::shared_ptr<TPixmap> Create(int width, int height, int format, int align = 4);

    // Create without clearing: for a decoder that writes every row. Until a row is written
    // its pages are not touched, so a size that the data then fails to fill costs address
    // space, not memory.
    static std::shared_ptr<TPixmap> CreateUncleared(int width, int height, int format,
                                                    int align = 4);

    // A pixmap over memory the caller keeps alive for its lifetime.
    static std::shared_ptr<TPixmap> CreateStatic(uint8_t* pixels, int width, int height, int pitch,
                                                 int format);

private:
    TPixmap() = default;
};

using PixmapRef = std::shared_ptr<TPixmap>;

// Converts count pixels from src (in srcFormat) to dst (in dstFormat). The same format is a
// plain copy; anything else goes through RGBA8888.
void ConvertPixels(const uint8_t* src, int srcFormat, uint8_t* dst, int dstFormat, int count);

// Global forms of TPixmap::Create and TPixmap::CreateStatic.
PixmapRef CreatePixmapBlank(int width, int height, int format, int align = 4);
PixmapRef CreatePixmapOver(uint8_t* pixels, int width, int height, int pitch, int format);

// Bilinear resize to width x height, in the source's format.
PixmapRef ResizePixmap(const PixmapRef& pixmap, int width, int height);

// An RGBA8888 copy where pixels of colour (r, g, b) are transparent and carry the average
// colour of their other neighbours; every other pixel is opaque.
PixmapRef MaskPixmap(const PixmapRef& pixmap, int r, int g, int b);

// New pixmaps with the columns (X) or the rows (Y) in reverse order.
PixmapRef FlipPixmapX(const PixmapRef& pixmap);
PixmapRef FlipPixmapY(const PixmapRef& pixmap);

// A decoder of one pixmap file format. Constructing a loader puts it at the head of the
// loader list, so the newest loader is asked first; destroying it takes it out again.
class TPixmapLoader : public Object {
public:
    TPixmapLoader();
    ~TPixmapLoader() override;
    TPixmapLoader(const TPixmapLoader&) = delete;
    TPixmapLoader& operator=(const TPixmapLoader&) = delete;

    // Decodes a pixmap from stream, or returns null when the data is not in this format.
    virtual PixmapRef LoadPixmap(TStream& stream) = 0;

    TPixmapLoader* next = nullptr;  // the loader asked after this one
};

// Loads a pixmap from a URL ("incbin::title.png", a file path) through the loaders, or
// null when the source cannot be opened, cannot seek, or no loader recognises it.
PixmapRef LoadPixmap(const std::string& url);

// The same for an open stream; the stream itself is left open.
PixmapRef LoadPixmap(const std::shared_ptr<TStream>& stream);

}  // namespace vdl
