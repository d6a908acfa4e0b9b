// Shared parts of the fuzz targets: the input as a stream or as a script read a byte at a
// time, the headless surface, the checksum rewriting that lets mutated PNG and Ogg data past
// their CRCs, and the decoder bodies that a plain target and its checksum-rewriting twin
// both run.
//
// Every target runs its input the same way in the fuzzer and in the test suite's replay, so
// nothing here may depend on which of the two is running. Whatever an input makes (pixmaps,
// images, fonts, sounds) is released before the entry point returns: a leak is a finding.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/mix.h"
#include "audio/mixer.h"
#include "audio/ogg_loader.h"
#include "audio/sample.h"
#include "audio/sound.h"
#include "graphics/collision.h"
#include "graphics/drawing.h"
#include "graphics/graphics.h"
#include "graphics/headless_renderer.h"
#include "graphics/image.h"
#include "graphics/pixmap.h"
#include "graphics/png_loader.h"
#include "runtime/errors.h"
#include "stream/ram_stream.h"
#include "tests/audio/fake_wave_out.h"

namespace vdl::fuzz {

// ---------------------------------------------------------------------------------------
// Constants

// Side of the headless surface. Small, so that tiling a 1 x 1 image stays cheap.
constexpr int kSurfaceSide = 64;

// Decoded images larger than this many pixels are only decoded: converting and drawing a
// 64-megapixel image six times would turn every large input into a time-out, and the
// per-pixel code they run is the same at any size.
constexpr long long kMaxConvertedPixels = 1 << 20;
// Pixel-accurate collision is quadratic in the overlap; it runs on small images only.
constexpr long long kMaxCollisionPixels = 128 * 128;

// The mixer takes rates of 1 Hz to 1 MHz and at most 1 GiB of sound data (audio/mix.cpp).
constexpr int kMixerMaxHertz = 1000000;
constexpr int kMixerMaxBytes = 1 << 30;

// Frames mixed per input: at most one second at the mixer's 44 100 Hz, in whole fragments.
constexpr int kMixedFragments = (kDeviceHertz * 2 + kFragmentLength - 1) / kFragmentLength;
// The Ogg body's channels play at 0.5, 1.25 and 2 times the sample's rate: the slowest takes
// twice the sample's length.
constexpr int kSlowestRateDivisor = 2;

// Every pixel and sample format, in their numeric order.
constexpr std::array<int, 6> kPixelFormats = {PF_I8,     PF_A8,       PF_BGR888,
                                              PF_RGB888, PF_BGRA8888, PF_RGBA8888};
constexpr std::array<int, 6> kSampleFormats = {SF_MONO8,   SF_MONO16LE,   SF_MONO16BE,
                                               SF_STEREO8, SF_STEREO16LE, SF_STEREO16BE};

// ---------------------------------------------------------------------------------------
// Input helpers

// A read-only memory stream over the fuzzer's bytes. NOTE: libFuzzer hands out at most a few
// megabytes, far below the int size a stream holds.
inline std::shared_ptr<TRamStream> InputStream(const std::uint8_t* data, std::size_t size) {
    return CreateRamStream(static_cast<const void*>(data), static_cast<int>(size), 1);
}

// Reads a script from the fuzzer's bytes: a byte, or a little-endian number of two or four
// bytes, at a time; zeros once the bytes are used up. The game, mixer and stream targets all
// decode their inputs through it, so their seeds and regressions mean what they were made
// to mean.
class TByteReader {
public:
    TByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // Whether any byte is left.
    bool More() const { return at_ < size_; }

    // The next byte, or 0 past the end.
    int Byte() { return at_ < size_ ? data_[at_++] : 0; }

    // The next two bytes, low first. NOTE: each read is a statement of its own: the order in
    // which the operands of one expression are evaluated is unspecified, and gcc's replay
    // would decode an input differently from clang's fuzzer.
    int Word() {
        const int low = Byte();
        return low | Byte() << 8;
    }

    // The next four bytes, low first.
    std::uint32_t Long() {
        const auto low = static_cast<std::uint32_t>(Word());
        return low | static_cast<std::uint32_t>(Word()) << 16;
    }

    // Up to count of the next bytes as they are (none for a negative count); fewer when the
    // input ends first.
    std::string Take(int count) {
        const std::size_t n = std::min(static_cast<std::size_t>(std::max(count, 0)), size_ - at_);
        std::string bytes(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Stops the process the way a sanitizer would when a property every input must keep is
// broken, naming it so the report says which.
[[noreturn]] inline void PropertyBroken(const char* what) {
    std::fprintf(stderr, "fuzz: property broken: %s\n", what);
    std::abort();
}

inline void Require(bool holds, const char* what) {
    if (!holds) PropertyBroken(what);
}

// ---------------------------------------------------------------------------------------
// Checksums

inline std::uint32_t ReadBE32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

inline void WriteBE32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// One PNG chunk found in a file: where its data starts and how long it is.
struct PngChunk {
    std::size_t start;  // offset of the length field
    std::uint32_t length;
    std::uint32_t type;
};

// The chunks after the signature, up to the first one that runs past the end.
inline std::vector<PngChunk> FindPngChunks(const std::vector<std::uint8_t>& png) {
    std::vector<PngChunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = ReadBE32(&png[at]);
        if (length > png.size() - at - 12) break;
        chunks.push_back({at, length, ReadBE32(&png[at + 4])});
        at += 12 + std::size_t{length};
    }
    return chunks;
}

// Rewrites the Adler-32 that ends the zlib stream spread over the IDAT chunks, so that
// mutated image data inflates to the end instead of failing on its last four bytes. The
// stream is inflated raw (past its two-byte header), which checks nothing, to learn where
// the deflate data ends and what it holds.
inline void FixPngAdler(std::vector<std::uint8_t>& png, const std::vector<PngChunk>& chunks) {
    std::vector<std::size_t> where;  // file offset of each byte of the zlib stream
    for (const PngChunk& chunk : chunks) {
        if (chunk.type != 0x49444154) continue;  // "IDAT"
        for (std::uint32_t i = 0; i < chunk.length; ++i)
            where.push_back(chunk.start + 8 + i);
    }
    if (where.size() < 2 + 4) return;
    std::vector<std::uint8_t> zlibData(where.size());
    for (std::size_t i = 0; i < where.size(); ++i)
        zlibData[i] = png[where[i]];

    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return;
    z.next_in = zlibData.data() + 2;
    z.avail_in = static_cast<uInt>(zlibData.size() - 2);
    std::uint32_t adler = adler32(0, nullptr, 0);
    std::array<std::uint8_t, 16384> out{};
    int status = Z_OK;
    // NOTE: the inflated size is capped like the loader caps pixels (64 M pixels of up to
    // eight bytes, plus a filter byte a row); past that the loader refuses the image anyway.
    std::size_t inflated = 0;
    while (status == Z_OK && inflated < (std::size_t{1} << 29)) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        status = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = out.size() - z.avail_out;
        adler = static_cast<std::uint32_t>(adler32(adler, out.data(), static_cast<uInt>(produced)));
        inflated += produced;
        if (status == Z_BUF_ERROR && produced == 0) break;
        if (status == Z_BUF_ERROR) status = Z_OK;
    }
    const std::size_t end = 2 + (zlibData.size() - 2 - z.avail_in);
    inflateEnd(&z);
    if (status != Z_STREAM_END || end + 4 > where.size()) return;
    std::uint8_t bytes[4];
    WriteBE32(bytes, adler);
    for (int i = 0; i < 4; ++i)
        png[where[end + i]] = bytes[i];
}

// Recomputes the CRC of every whole chunk (over its type and data, as PNG defines it), after
// fixing the image data's Adler-32. A chunk that runs past the end is left as it is.
inline void FixPngChecksums(std::vector<std::uint8_t>& png) {
    const std::vector<PngChunk> chunks = FindPngChunks(png);
    FixPngAdler(png, chunks);
    for (const PngChunk& chunk : chunks) {
        const std::uint8_t* typeAndData = &png[chunk.start + 4];
        const auto crc = static_cast<std::uint32_t>(crc32(0, typeAndData, chunk.length + 4));
        WriteBE32(&png[chunk.start + 8 + chunk.length], crc);
    }
}

// libogg's page checksum: CRC-32 with polynomial 0x04c11db7, most significant bit first,
// starting from 0 and without a final inversion (unlike zlib's CRC-32).
inline std::uint32_t OggCrc(const std::uint8_t* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                r = r & 0x80000000u ? (r << 1) ^ 0x04c11db7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

// Recomputes the checksum of every whole page: a page is found wherever "OggS" starts, as
// libogg finds it when it resynchronises; one that runs past the end is left as it is.
inline void FixOggChecksums(std::vector<std::uint8_t>& ogg) {
    constexpr std::size_t kHeader = 27;  // up to and including the segment count
    std::size_t at = 0;
    while (at + kHeader <= ogg.size()) {
        if (std::memcmp(&ogg[at], "OggS", 4) != 0) {
            ++at;
            continue;
        }
        const std::size_t segments = ogg[at + 26];
        std::size_t size = kHeader + segments;
        if (at + size > ogg.size()) break;
        for (std::size_t i = 0; i < segments; ++i)
            size += ogg[at + kHeader + i];
        if (at + size > ogg.size()) {
            ++at;
            continue;
        }
        std::memset(&ogg[at + 22], 0, 4);
        const std::uint32_t crc = OggCrc(&ogg[at], size);
        // The checksum is stored least significant byte first.
        for (int i = 0; i < 4; ++i)
            ogg[at + 22 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
        at += size;
    }
}

// ---------------------------------------------------------------------------------------
// PNG: decode, convert, draw

// Starts what the PNG body needs once: the loader and a small headless surface.
inline void StartPngFuzzing() {
    static const bool started = [] {
        StartPNGLoader();
        static std::shared_ptr<TGraphics> surface =
            OpenHeadlessGraphics(kSurfaceSide, kSurfaceSide);
        SetAutoCenterAnchor(false);
        return true;
    }();
    (void)started;
}

// Draws image plain, rotated and scaled (mirrored too), stretched, tiled and as a pixmap;
// then tests it against itself for collision when it is small.
inline void DrawEveryWay(const ImageRef& image, const PixmapRef& pixmap) {
    SetDrawTransform(0, 1, 1);
    DrawImageFrame(image, 3, 5);
    SetDrawTransform(37, -1.5f, 0.25f);
    DrawImageFrame(image, 10, 10);
    SetDrawTransform(0, 1, 1);
    DrawImageStretched(image, 1, 2, 17, 3);
    TileImageFrame(image, -7, 9);
    DrawPixmapAt(pixmap, -1, -1);
    if (static_cast<long long>(image->width) * image->height <= kMaxCollisionPixels) {
        ImagesOverlap(image, 0, 0, 0, 0, 1, 1, image, image->width / 2, 1, 0, 45, 1, 1);
    }
}

// The PNG body: bytes through the pixmap loaders; a decoded pixmap goes to every format and
// through the pixmap operations, and each result is drawn as an image.
inline void RunPng(const std::uint8_t* data, std::size_t size) {
    StartPngFuzzing();
    // The program's own images are read without working out their checksums: any bytes must
    // be as safe to read that way.
    try {
        const std::shared_ptr<TRamStream> own = InputStream(data, size);
        own->MarkEmbedded();
        const PixmapRef unchecked = LoadPixmap(std::shared_ptr<TStream>(own));
        Require(!unchecked || (unchecked->width <= kMaxPngSide && unchecked->height <= kMaxPngSide),
                "a pixmap decoded without checksums is within the loader's limits");
    } catch (const TVardoException&) {
    }
    PixmapRef pixmap;
    try {
        pixmap = LoadPixmap(std::shared_ptr<TStream>(InputStream(data, size)));
    } catch (const TVardoException&) {
        return;
    }
    if (!pixmap) return;
    Require(pixmap->width > 0 && pixmap->height > 0, "a decoded pixmap has pixels");
    Require(pixmap->width <= kMaxPngSide && pixmap->height <= kMaxPngSide,
            "a decoded pixmap is within the loader's limits");
    if (static_cast<long long>(pixmap->width) * pixmap->height > kMaxConvertedPixels) return;

    for (const int format : kPixelFormats) {
        const PixmapRef converted = pixmap->Convert(format);
        Require(converted->width == pixmap->width && converted->height == pixmap->height,
                "conversion keeps the size");
        // Converting back to RGBA8888 is exact for the formats that hold all four channels.
        if (format == PF_BGRA8888 || format == PF_RGBA8888) {
            for (int y = 0; y < pixmap->height; y += 7) {
                for (int x = 0; x < pixmap->width; x += 7) {
                    Require(converted->ReadPixel(x, y) == pixmap->ReadPixel(x, y),
                            "a four-channel conversion keeps every pixel");
                }
            }
        }
        const ImageRef image = LoadImageFrom(converted, MASKED_IMAGE | FILTERED_IMAGE);
        if (image) DrawEveryWay(image, converted);
    }

    const PixmapRef masked = MaskPixmap(pixmap, 0, 0, 0);
    const PixmapRef flipped = FlipPixmapY(FlipPixmapX(pixmap));
    const PixmapRef resized = ResizePixmap(pixmap, pixmap->width / 3 + 1, pixmap->height * 2);
    const PixmapRef window = pixmap->Window(pixmap->width / 2, pixmap->height / 2, 5, 5);
    for (const PixmapRef& made : {masked, flipped, resized, window}) {
        const ImageRef image = LoadImageFrom(made, MIPMAPPED_IMAGE);
        if (image) DrawEveryWay(image, made);
    }
}

// ---------------------------------------------------------------------------------------
// Ogg Vorbis: decode, convert, mix

// Starts what the Ogg body needs once.
inline void StartOggFuzzing() {
    StartOggLoader();
}

// The fragments the Ogg body mixes for sample: as many as the slowest channel takes to start
// and play it through once, and two more to see it end or wrap, up to one second. A sample
// of one audio page is over in a few fragments, and mixing the rest of a second of silence
// would cost most of the input's time and reach nothing new.
inline int FragmentsToPlay(const TAudioSample& sample) {
    if (sample.hertz < 1) return 0;
    const std::int64_t deviceFrames =
        std::int64_t{sample.length} * kDeviceHertz * kSlowestRateDivisor / sample.hertz +
        std::int64_t{kStartDelayMs} * kDeviceHertz / 1000;
    const std::int64_t framesPerFragment = kFragmentLength / 2;
    const std::int64_t fragments = (deviceFrames + framesPerFragment - 1) / framesPerFragment + 2;
    return static_cast<int>(std::min<std::int64_t>(fragments, kMixedFragments));
}

// The Ogg body: bytes through the sample loaders; a decoded sample is converted to every
// format, each is played on its own channel with its own settings, and mixed until the
// slowest has played it through (one second at most).
inline void RunOgg(const std::uint8_t* data, std::size_t size) {
    StartOggFuzzing();
    std::shared_ptr<TAudioSample> sample;
    try {
        sample = LoadAudioSample(std::shared_ptr<TStream>(InputStream(data, size)));
    } catch (const TVardoException&) {
        return;
    }
    if (!sample) return;
    Require(sample->length > 0, "a decoded sample has frames");
    Require(sample->format == SF_MONO16LE || sample->format == SF_STEREO16LE,
            "the Ogg loader gives 16-bit little-endian samples");

    // The mixer is open for this input alone: closing it recycles every voice, so nothing
    // one input plays reaches the next.
    THandDrivenMixer mixer(1000, TSoundLayer::kOnTheMixer);
    Require(mixer.opened, "the mixer opens on a fake output");
    std::vector<SoundRef> sounds;
    std::vector<ChannelRef> channels;
    int index = 0;
    for (const int format : kSampleFormats) {
        const std::shared_ptr<TAudioSample> converted = sample->Convert(format);
        Require(converted->length == sample->length, "conversion keeps the length");
        const SoundRef sound = LoadSoundFrom(converted, index % 2);
        // A rate or a size past the mixer's limits is refused; anything else makes a sound.
        const bool playable = converted->hertz >= 1 && converted->hertz <= kMixerMaxHertz &&
                              converted->length <= kMixerMaxBytes / formatBytes[format];
        Require((sound != nullptr) == playable, "a playable sample makes a sound");
        if (!sound) continue;
        const ChannelRef channel = PlaySoundOn(sound, nullptr);
        SetChannelVolume(channel, 0.25f + 0.25f * static_cast<float>(index % 4));
        SetChannelPan(channel, -1.0f + 0.4f * static_cast<float>(index));
        SetChannelDepth(channel, 0.1f * static_cast<float>(index));
        SetChannelRate(channel, 0.5f + 0.75f * static_cast<float>(index % 3));
        sounds.push_back(sound);
        channels.push_back(channel);
        ++index;
    }
    const int fragments = channels.empty() ? 0 : FragmentsToPlay(*sample);
    for (int i = 0; i < fragments; ++i) {
        mixer.MixNext();
        mixer.clock.Advance(12);  // the time a fragment lasts
        if (i == fragments / 2) SuspendChannel(channels.front());
    }
    for (const ChannelRef& channel : channels)
        StopChannel(channel);
}

}  // namespace vdl::fuzz
