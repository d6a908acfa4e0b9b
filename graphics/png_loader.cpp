// The PNG pixmap loader.
//
// libpng reports errors by a long jump back to the setjmp in Decode. Nothing with a destructor
// may live in the frames that jump skips: those are libpng's own and ReadCallback, which
// holds no objects. Stream errors in the callback become libpng errors (so a truncated file
// is simply not an image); any other error is kept and raised again once libpng has been
// cleaned up.
#include "graphics/png_loader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "runtime/errors.h"
#include "stream/stream.h"

namespace vdl {

namespace {

constexpr int kSignatureBytes = 8;

// What the read callback reads from, and the error it could not hand through libpng.
struct ReadContext {
    TStream* stream = nullptr;
    std::exception_ptr foreignError;

    // Fills data with exactly length bytes; false when the stream cannot deliver them.
    bool Fill(png_bytep data, png_size_t length) noexcept {
        try {
            while (length > 0) {
                const int chunk = length > 1 << 30 ? 1 << 30 : static_cast<int>(length);
                stream->ReadExactly(data, chunk);
                data += chunk;
                length -= chunk;
            }
            return true;
        } catch (const TStreamException&) {
            return false;
        } catch (...) {
            foreignError = std::current_exception();
            return false;
        }
    }
};

// The image after libpng's transforms: rows of rowBytes each.
struct Decoded {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    size_t rowBytes = 0;
    // Left uninitialised: a large image's pages are touched only as rows arrive, so a header
    // that claims far more than the file holds costs address space, not memory.
    std::unique_ptr<png_byte[]> pixels;
    std::vector<png_bytep> rows;
};

void ReadCallback(png_structp png, png_bytep data, png_size_t length) {
    auto* context = static_cast<ReadContext*>(png_get_io_ptr(png));
    if (!context->Fill(data, length)) png_error(png, "read failed");
}

// Errors go back to Decode's setjmp without a message; warnings are dropped.
void ErrorCallback(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void WarningCallback(png_structp, png_const_charp) {}

// Reads header and pixels with the strip-16 and expand transforms. False on any libpng
// error or when the image is too large to hold.
bool Decode(png_structp png, png_infop info, Decoded& out) {
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_sig_bytes(png, kSignatureBytes);
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    // A chunk's length is only a claim, and libpng allocates and reads whatever an ancillary
    // chunk (text, colour profile, calibration) declares, up to gigabytes: its size check is
    // only a warning when reading. Only transparency matters here; every other ancillary
    // chunk is skipped unread.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static const png_byte kTransparency[] = "tRNS";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kTransparency, 1);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (static_cast<long long>(width) * height > kMaxPngPixels) return false;

    png_set_strip_16(png);
    png_set_expand(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    out.width = width;
    out.height = height;
    out.bitDepth = png_get_bit_depth(png, info);
    out.colorType = png_get_color_type(png, info);
    out.rowBytes = png_get_rowbytes(png, info);
    out.pixels.reset(new png_byte[out.rowBytes * height]);
    out.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        out.rows[y] = out.pixels.get() + y * out.rowBytes;

    png_read_image(png, out.rows.data());
    png_read_end(png, nullptr);
    return true;
}

// The pixmap for a decoded image, or null for a layout this loader does not take.
PixmapRef ToPixmap(const Decoded& image) {
    if (image.bitDepth != 8) return nullptr;
    const int width = static_cast<int>(image.width);
    const int height = static_cast<int>(image.height);

    int format = 0;
    switch (image.colorType) {
        case PNG_COLOR_TYPE_GRAY:
            format = PF_I8;
            break;
        case PNG_COLOR_TYPE_RGB:
            format = PF_RGB888;
            break;
        case PNG_COLOR_TYPE_RGB_ALPHA:
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            format = PF_RGBA8888;
            break;
        default:
            return nullptr;
    }
    PixmapRef pixmap = TPixmap::Create(width, height, format, 4);

    for (int y = 0; y < height; ++y) {
        const png_byte* src = image.rows[y];
        uint8_t* dst = pixmap->PixelPtr(0, y);
        if (image.colorType != PNG_COLOR_TYPE_GRAY_ALPHA) {
            std::memcpy(dst, src, static_cast<size_t>(width) * BytesPerPixel(format));
            continue;
        }
        for (int x = 0; x < width; ++x, src += 2, dst += 4) {
            dst[0] = dst[1] = dst[2] = src[0];
            dst[3] = src[1];
        }
    }
    return pixmap;
}

}  // namespace

PixmapRef TPixmapLoaderPNG::LoadPixmap(TStream& stream) {
    png_byte signature[kSignatureBytes];
    try {
        stream.ReadExactly(signature, kSignatureBytes);
    } catch (const TStreamException&) {
        return nullptr;
    }
    if (png_sig_cmp(signature, 0, kSignatureBytes) != 0) return nullptr;

    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorCallback, WarningCallback);
    if (!png) return nullptr;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }

    ReadContext context;
    context.stream = &stream;
    png_set_read_fn(png, &context, ReadCallback);
    Decoded image;
    bool decoded = false;
    try {
        decoded = Decode(png, info, image);
    } catch (...) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw;
    }
    png_destroy_read_struct(&png, &info, nullptr);

    if (context.foreignError) std::rethrow_exception(context.foreignError);
    return decoded ? ToPixmap(image) : nullptr;
}

void StartPNGLoader() {
    static TPixmapLoaderPNG loader;
}

}  // namespace vdl
