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
#include "stream/ram_stream.h"
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

// The image as it is decoded: straight into the pixmap's rows.
struct Decoded {
    PixmapRef pixmap;
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

// The pixmap format of libpng's output after the transforms, or 0 for one this loader does
// not take.
int PixmapFormat(png_structp png, png_infop info) {
    if (png_get_bit_depth(png, info) != 8) return 0;
    switch (png_get_color_type(png, info)) {
        case PNG_COLOR_TYPE_GRAY:
            return PF_I8;
        case PNG_COLOR_TYPE_RGB:
            return PF_RGB888;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return PF_RGBA8888;
        default:
            return 0;
    }
}

// Reads header and pixels with the strip-16 and expand transforms, grey with alpha widened to
// RGBA, into a pixmap of the final format. Without checksums, the chunk CRCs are not checked,
// nor the image data's Adler-32 where this libpng lets it be skipped (it is a build option:
// Debian 12's libpng has it, Debian 13's does not, and there the Adler-32 is still checked).
// False on any libpng error or when the image is too large
// to hold.
bool Decode(png_structp png, png_infop info, bool checksums, Decoded& out) {
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
    if (!checksums) {
        png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
        png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    }
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (static_cast<long long>(width) * height > kMaxPngPixels) return false;

    png_set_strip_16(png);
    png_set_expand(png);
    const int colorType = png_get_color_type(png, info);
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA ||
        (colorType == PNG_COLOR_TYPE_GRAY && png_get_valid(png, info, PNG_INFO_tRNS))) {
        png_set_gray_to_rgb(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const int format = PixmapFormat(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    if (format == 0 || rowBytes != static_cast<size_t>(width) * BytesPerPixel(format)) {
        return false;
    }
    out.pixmap =
        TPixmap::CreateUncleared(static_cast<int>(width), static_cast<int>(height), format, 4);
    out.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        out.rows[y] = out.pixmap->PixelPtr(0, static_cast<int>(y));

    png_read_image(png, out.rows.data());
    png_read_end(png, nullptr);
    return true;
}

// Zeroes the bytes each row is padded with.
void ClearPadding(TPixmap& pixmap) {
    const size_t used = static_cast<size_t>(pixmap.width) * BytesPerPixel(pixmap.format);
    const size_t padding = static_cast<size_t>(pixmap.pitch) - used;
    if (padding == 0) return;
    for (int y = 0; y < pixmap.height; ++y)
        std::memset(pixmap.PixelPtr(0, y) + used, 0, padding);
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
    // The program's own embedded images were checked when it was built (tests/assets): their
    // checksums are not worked out again. Anything else is checked as it is read.
    const auto* memory = dynamic_cast<const TRamStream*>(&stream);
    const bool checksums = !memory || !memory->Embedded();
    Decoded image;
    bool decoded = false;
    try {
        decoded = Decode(png, info, checksums, image);
    } catch (...) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw;
    }
    png_destroy_read_struct(&png, &info, nullptr);

    if (context.foreignError) std::rethrow_exception(context.foreignError);
    if (!decoded) return nullptr;
    ClearPadding(*image.pixmap);
    return image.pixmap;
}

void StartPNGLoader() {
    static TPixmapLoaderPNG loader;
}

}  // namespace vdl
