// Pixmaps: formats, layout, conversion, resize, masking and the loader registry.
//
// Every conversion passes through RGBA8888 a row at a time; equal formats are copied as they
// are. Pixel memory is 16-byte aligned and zeroed on creation, so a pixmap nobody wrote into
// reads as transparent black rather than as whatever the allocator left there.
#include "graphics/pixmap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "runtime/errors.h"
#include "stream/stream.h"
#include "stream/url.h"

namespace vdl {

namespace {

// Pixel buffers start on 16-byte boundaries.
constexpr std::align_val_t kPixelAlignment{16};

struct FormatInfo {
    int bytesPerPixel;
    int alphaBits;
};

// Indexed by format number; formats past the table have neither.
constexpr FormatInfo formatTable[] = {
    {0, 0},  // none
    {1, 0},  // I8
    {1, 8},  // A8
    {3, 0},  // BGR888
    {3, 0},  // RGB888
    {4, 8},  // BGRA8888
    {4, 8},  // RGBA8888
};
constexpr int formatCount = static_cast<int>(sizeof(formatTable) / sizeof(formatTable[0]));

struct LoaderState {
    TPixmapLoader* head = nullptr;  // newest loader first
};

LoaderState loaders;

// RGBA8888 from count pixels of any other known format.
void ExpandToRGBA(const uint8_t* src, int format, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i, dst += 4) {
        switch (format) {
            case PF_I8:
                dst[0] = dst[1] = dst[2] = src[i];
                dst[3] = 255;
                break;
            case PF_A8:
                dst[0] = dst[1] = dst[2] = 255;
                dst[3] = src[i];
                break;
            case PF_BGR888:
                dst[0] = src[i * 3 + 2];
                dst[1] = src[i * 3 + 1];
                dst[2] = src[i * 3];
                dst[3] = 255;
                break;
            case PF_RGB888:
                dst[0] = src[i * 3];
                dst[1] = src[i * 3 + 1];
                dst[2] = src[i * 3 + 2];
                dst[3] = 255;
                break;
            case PF_BGRA8888:
                dst[0] = src[i * 4 + 2];
                dst[1] = src[i * 4 + 1];
                dst[2] = src[i * 4];
                dst[3] = src[i * 4 + 3];
                break;
            case PF_RGBA8888:
                std::memcpy(dst, src + i * 4, 4);
                break;
            default:
                std::memset(dst, 0, 4);
                break;
        }
    }
}

// count pixels of any other known format from RGBA8888.
void PackFromRGBA(const uint8_t* src, uint8_t* dst, int format, int count) {
    for (int i = 0; i < count; ++i, src += 4) {
        switch (format) {
            case PF_I8:
                dst[i] = static_cast<uint8_t>((src[0] + src[1] + src[2]) / 3);
                break;
            case PF_A8:
                dst[i] = src[3];
                break;
            case PF_BGR888:
                dst[i * 3] = src[2];
                dst[i * 3 + 1] = src[1];
                dst[i * 3 + 2] = src[0];
                break;
            case PF_RGB888:
                std::memcpy(dst + i * 3, src, 3);
                break;
            case PF_BGRA8888:
                dst[i * 4] = src[2];
                dst[i * 4 + 1] = src[1];
                dst[i * 4 + 2] = src[0];
                dst[i * 4 + 3] = src[3];
                break;
            case PF_RGBA8888:
                std::memcpy(dst + i * 4, src, 4);
                break;
            default:
                break;
        }
    }
}

// pixmap itself when it is RGBA8888, else an RGBA8888 copy.
PixmapRef AsRGBA(const PixmapRef& pixmap) {
    if (pixmap->format == PF_RGBA8888) return pixmap;
    return pixmap->Convert(PF_RGBA8888);
}

}  // namespace

int BytesPerPixel(int format) {
    return format >= 0 && format < formatCount ? formatTable[format].bytesPerPixel : 0;
}

int AlphaBits(int format) {
    return format >= 0 && format < formatCount ? formatTable[format].alphaBits : 0;
}

void ConvertPixels(const uint8_t* src, int srcFormat, uint8_t* dst, int dstFormat, int count) {
    if (count <= 0) return;
    if (srcFormat == dstFormat) {
        std::memcpy(dst, src, static_cast<size_t>(count) * BytesPerPixel(srcFormat));
        return;
    }
    if (srcFormat == PF_RGBA8888) {
        PackFromRGBA(src, dst, dstFormat, count);
        return;
    }
    if (dstFormat == PF_RGBA8888) {
        ExpandToRGBA(src, srcFormat, dst, count);
        return;
    }
    std::vector<uint8_t> row(static_cast<size_t>(count) * 4);
    ExpandToRGBA(src, srcFormat, row.data(), count);
    PackFromRGBA(row.data(), dst, dstFormat, count);
}

TPixmap::~TPixmap() {
    if (capacity >= 0) ::operator delete(pixels, kPixelAlignment);
}

uint8_t* TPixmap::PixelPtr(int x, int y) {
    return pixels + static_cast<ptrdiff_t>(y) * pitch +
           static_cast<ptrdiff_t>(x) * BytesPerPixel(format);
}

PixmapRef TPixmap::Window(int x, int y, int w, int h) {
    const int x0 = std::clamp(x, 0, width);
    const int y0 = std::clamp(y, 0, height);
    const int x1 = std::clamp(x + w, x0, width);
    const int y1 = std::clamp(y + h, y0, height);
    PixmapRef window = CreateStatic(PixelPtr(x0, y0), x1 - x0, y1 - y0, pitch, format);
    window->parent = shared_from_this();
    return window;
}

PixmapRef TPixmap::Copy() {
    PixmapRef copy = Create(width, height, format, 4);
    const size_t rowBytes = static_cast<size_t>(width) * BytesPerPixel(format);
    for (int y = 0; y < height; ++y) {
        std::memcpy(copy->PixelPtr(0, y), PixelPtr(0, y), rowBytes);
    }
    return copy;
}

void TPixmap::Paste(const TPixmap& source, int x, int y) {
    const int sx0 = std::max(0, -x);
    const int sy0 = std::max(0, -y);
    const int sx1 = std::min(source.width, width - x);
    const int sy1 = std::min(source.height, height - y);
    if (sx1 <= sx0 || sy1 <= sy0) return;
    const int srcBpp = BytesPerPixel(source.format);
    for (int i = sy0; i < sy1; ++i) {
        const uint8_t* from =
            source.pixels + static_cast<ptrdiff_t>(i) * source.pitch + sx0 * srcBpp;
        ConvertPixels(from, source.format, PixelPtr(x + sx0, y + i), format, sx1 - sx0);
    }
}

PixmapRef TPixmap::Convert(int toFormat) {
    PixmapRef converted = Create(width, height, toFormat, 4);
    for (int y = 0; y < height; ++y) {
        ConvertPixels(PixelPtr(0, y), format, converted->PixelPtr(0, y), toFormat, width);
    }
    return converted;
}

uint32_t TPixmap::ReadPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* p = pixels + static_cast<ptrdiff_t>(y) * pitch +
                       static_cast<ptrdiff_t>(x) * BytesPerPixel(format);
    switch (format) {
        case PF_I8:
            return 0xFF000000u + p[0] * 0x10101u;
        case PF_A8:
            return (static_cast<uint32_t>(p[0]) << 24) | 0xFFFFFFu;
        case PF_BGR888:
            return 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
        case PF_RGB888:
            return 0xFF000000u | (p[0] << 16) | (p[1] << 8) | p[2];
        case PF_BGRA8888:
            return (static_cast<uint32_t>(p[3]) << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
        case PF_RGBA8888:
            return (static_cast<uint32_t>(p[3]) << 24) | (p[0] << 16) | (p[1] << 8) | p[2];
        default:
            return 0;
    }
}

void TPixmap::WritePixel(int x, int y, uint32_t argb) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = PixelPtr(x, y);
    const uint8_t a = argb >> 24, r = argb >> 16, g = argb >> 8, b = argb;
    switch (format) {
        case PF_I8:
            p[0] = static_cast<uint8_t>((r + g + b) / 3);
            break;
        case PF_A8:
            p[0] = a;
            break;
        case PF_BGR888:
            p[0] = b, p[1] = g, p[2] = r;
            break;
        case PF_RGB888:
            p[0] = r, p[1] = g, p[2] = b;
            break;
        case PF_BGRA8888:
            p[0] = b, p[1] = g, p[2] = r, p[3] = a;
            break;
        case PF_RGBA8888:
            p[0] = r, p[1] = g, p[2] = b, p[3] = a;
            break;
        default:
            break;
    }
}

PixmapRef TPixmap::Create(int width, int height, int format, int align) {
    PixmapRef pixmap = CreateUncleared(width, height, format, align);
    std::memset(pixmap->pixels, 0, static_cast<size_t>(pixmap->pitch) * pixmap->height);
    return pixmap;
}

PixmapRef TPixmap::CreateUncleared(int width, int height, int format, int align) {
    if (width < 0 || height < 0) throw std::length_error("negative pixmap size");
    align = std::max(align, 1);
    const int64_t rowBytes = static_cast<int64_t>(width) * BytesPerPixel(format);
    const int64_t pitch = (rowBytes + align - 1) / align * align;
    const int64_t bytes = pitch * height;
    if (bytes > std::numeric_limits<int>::max()) throw std::length_error("pixmap too large");

    // Whole 16-byte blocks, never zero bytes; aligned new, since Windows' C library has no
    // aligned_alloc.
    const size_t allocated = static_cast<size_t>((std::max<int64_t>(bytes, 1) + 15) / 16 * 16);
    void* memory = ::operator new(allocated, kPixelAlignment);

    PixmapRef pixmap(new TPixmap());
    pixmap->pixels = static_cast<uint8_t*>(memory);
    pixmap->width = width;
    pixmap->height = height;
    pixmap->pitch = static_cast<int>(pitch);
    pixmap->format = format;
    pixmap->capacity = static_cast<int>(bytes);
    return pixmap;
}

PixmapRef TPixmap::CreateStatic(uint8_t* pixels, int width, int height, int pitch, int format) {
    PixmapRef pixmap(new TPixmap());
    pixmap->pixels = pixels;
    pixmap->width = width;
    pixmap->height = height;
    pixmap->pitch = pitch;
    pixmap->format = format;
    pixmap->capacity = -1;
    return pixmap;
}

PixmapRef CreatePixmapBlank(int width, int height, int format, int align) {
    return TPixmap::Create(width, height, format, align);
}

PixmapRef CreatePixmapOver(uint8_t* pixels, int width, int height, int pitch, int format) {
    return TPixmap::CreateStatic(pixels, width, height, pitch, format);
}

PixmapRef ResizePixmap(const PixmapRef& pixmap, int width, int height) {
    const PixmapRef s = AsRGBA(pixmap);
    PixmapRef result = TPixmap::Create(width, height, pixmap->format, 4);
    if (s->width == 0 || s->height == 0) return result;
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);

    // NOTE: the scale factors are single-precision divisions, and a sample position before
    // the first or past the last row or column takes that edge without blending.
    const float scaleY = static_cast<float>(s->height) / static_cast<float>(height);
    const float scaleX = static_cast<float>(s->width) / static_cast<float>(width);
    for (int i = 0; i < height; ++i) {
        const float sy = (static_cast<float>(i) + 0.5f) * scaleY - 0.5f;
        int y0 = static_cast<int>(std::floor(sy)), y1 = y0;
        float wy = 0.0f;
        if (y0 < 0) {
            y0 = y1 = 0;
        } else if (y0 >= s->height - 1) {
            y0 = y1 = s->height - 1;
        } else {
            y1 = y0 + 1;
            wy = sy - static_cast<float>(y0);
        }
        const uint8_t* top = s->PixelPtr(0, y0);
        const uint8_t* bottom = s->PixelPtr(0, y1);

        for (int j = 0; j < width; ++j) {
            const float sx = (static_cast<float>(j) + 0.5f) * scaleX - 0.5f;
            int x0 = static_cast<int>(std::floor(sx)), x1 = x0;
            float wx = 0.0f;
            if (x0 < 0) {
                x0 = x1 = 0;
            } else if (x0 >= s->width - 1) {
                x0 = x1 = s->width - 1;
            } else {
                x1 = x0 + 1;
                wx = sx - static_cast<float>(x0);
            }
            for (int c = 0; c < 4; ++c) {
                const float p00 = top[x0 * 4 + c], p10 = top[x1 * 4 + c];
                const float p01 = bottom[x0 * 4 + c], p11 = bottom[x1 * 4 + c];
                const float upper = p00 + (p10 - p00) * wx;
                const float lower = p01 + (p11 - p01) * wx;
                row[j * 4 + c] = static_cast<uint8_t>(upper + (lower - upper) * wy);
            }
        }
        ConvertPixels(row.data(), PF_RGBA8888, result->PixelPtr(0, i), result->format, width);
    }
    return result;
}

PixmapRef MaskPixmap(const PixmapRef& pixmap, int r, int g, int b) {
    const PixmapRef s = AsRGBA(pixmap);
    PixmapRef result = TPixmap::Create(s->width, s->height, PF_RGBA8888, 4);
    auto isMask = [&](const uint8_t* p) { return p[0] == r && p[1] == g && p[2] == b; };

    for (int y = 0; y < s->height; ++y) {
        for (int x = 0; x < s->width; ++x) {
            const uint8_t* p = s->PixelPtr(x, y);
            uint8_t* out = result->PixelPtr(x, y);
            if (!isMask(p)) {
                out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = 255;
                continue;
            }
            int count = 0, sumR = 0, sumG = 0, sumB = 0;
            for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, s->height - 1); ++ny) {
                for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, s->width - 1); ++nx) {
                    const uint8_t* n = s->PixelPtr(nx, ny);
                    if (isMask(n)) continue;
                    ++count, sumR += n[0], sumG += n[1], sumB += n[2];
                }
            }
            if (count > 0) {
                out[0] = static_cast<uint8_t>(sumR / count);
                out[1] = static_cast<uint8_t>(sumG / count);
                out[2] = static_cast<uint8_t>(sumB / count);
            } else {
                out[0] = out[1] = out[2] = 0;
            }
            out[3] = 0;
        }
    }
    return result;
}

PixmapRef FlipPixmapX(const PixmapRef& pixmap) {
    PixmapRef result = TPixmap::Create(pixmap->width, pixmap->height, pixmap->format, 4);
    const int bpp = BytesPerPixel(pixmap->format);
    for (int y = 0; y < pixmap->height; ++y) {
        for (int x = 0; x < pixmap->width; ++x) {
            std::memcpy(result->PixelPtr(pixmap->width - 1 - x, y), pixmap->PixelPtr(x, y), bpp);
        }
    }
    return result;
}

PixmapRef FlipPixmapY(const PixmapRef& pixmap) {
    PixmapRef result = TPixmap::Create(pixmap->width, pixmap->height, pixmap->format, 4);
    const size_t rowBytes = static_cast<size_t>(pixmap->width) * BytesPerPixel(pixmap->format);
    for (int y = 0; y < pixmap->height; ++y) {
        std::memcpy(result->PixelPtr(0, pixmap->height - 1 - y), pixmap->PixelPtr(0, y), rowBytes);
    }
    return result;
}

TPixmapLoader::TPixmapLoader() : next(loaders.head) {
    loaders.head = this;
}

TPixmapLoader::~TPixmapLoader() {
    for (TPixmapLoader** link = &loaders.head; *link; link = &(*link)->next) {
        if (*link == this) {
            *link = next;
            break;
        }
    }
}

namespace {

// Asks every loader in turn, each from the stream's starting position. A stream error
// inside a loader means "not mine"; anything else propagates.
PixmapRef LoadFromOpenStream(const StreamRef& stream) {
    const int start = stream->Position();
    if (start == -1) return nullptr;
    for (TPixmapLoader* loader = loaders.head; loader; loader = loader->next) {
        stream->SeekTo(start);
        try {
            if (PixmapRef pixmap = loader->LoadPixmap(*stream)) return pixmap;
        } catch (const TStreamException&) {
        }
    }
    return nullptr;
}

PixmapRef LoadAndClose(const StreamRef& stream) {
    if (!stream) return nullptr;
    const TStreamCloser closer(stream);
    return LoadFromOpenStream(stream);
}

}  // namespace

PixmapRef LoadPixmap(const std::string& url) {
    return LoadAndClose(OpenForReading(url));
}

PixmapRef LoadPixmap(const std::shared_ptr<TStream>& stream) {
    return LoadAndClose(OpenForReading(stream));
}

}  // namespace vdl
