#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "graphics/pixmap.h"
#include "runtime/errors.h"
#include "stream/ram_stream.h"

namespace {

using namespace vdl;

constexpr int kAllFormats[] = {PF_I8, PF_A8, PF_BGR888, PF_RGB888, PF_BGRA8888, PF_RGBA8888};

TEST(PixmapLayout, PitchIsRoundedUpToTheAlignment) {
    EXPECT_EQ(TPixmap::Create(3, 1, PF_RGB888, 4)->pitch, 12);
    EXPECT_EQ(TPixmap::Create(5, 2, PF_I8, 4)->pitch, 8);
    EXPECT_EQ(TPixmap::Create(5, 2, PF_I8, 1)->pitch, 5);
    EXPECT_EQ(TPixmap::Create(3, 2, PF_RGBA8888, 16)->pitch, 16);

    PixmapRef p = TPixmap::Create(7, 3, PF_BGR888, 4);
    EXPECT_EQ(p->capacity, 24 * 3);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p->pixels) % 16, 0u);
    EXPECT_EQ(p->PixelPtr(2, 1), p->pixels + 24 + 6);
    for (int i = 0; i < p->capacity; ++i)
        ASSERT_EQ(p->pixels[i], 0) << "byte " << i;
}

TEST(PixmapLayout, SizesThatCannotBeHeldAreRefused) {
    EXPECT_THROW(TPixmap::Create(-1, 4, PF_RGBA8888, 4), std::length_error);
    EXPECT_THROW(TPixmap::Create(65536, 65536, PF_RGBA8888, 4), std::length_error);
    EXPECT_EQ(TPixmap::Create(0, 0, PF_RGBA8888, 4)->capacity, 0);
}

TEST(PixmapPixels, EachFormatStoresItsChannelsInItsByteOrder) {
    struct Case {
        int format;
        std::vector<uint8_t> bytes;
        uint32_t readBack;
    };
    const uint32_t argb = 0x80FF4020;
    const Case cases[] = {
        {PF_I8, {(0xFF + 0x40 + 0x20) / 3}, 0xFF757575},
        {PF_A8, {0x80}, 0x80FFFFFF},
        {PF_BGR888, {0x20, 0x40, 0xFF}, 0xFFFF4020},
        {PF_RGB888, {0xFF, 0x40, 0x20}, 0xFFFF4020},
        {PF_BGRA8888, {0x20, 0x40, 0xFF, 0x80}, 0x80FF4020},
        {PF_RGBA8888, {0xFF, 0x40, 0x20, 0x80}, 0x80FF4020},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        PixmapRef p = TPixmap::Create(3, 2, c.format, 4);
        p->WritePixel(1, 1, argb);
        EXPECT_EQ(std::vector<uint8_t>(p->PixelPtr(1, 1), p->PixelPtr(1, 1) + c.bytes.size()),
                  c.bytes);
        EXPECT_EQ(p->ReadPixel(1, 1), c.readBack);
        EXPECT_EQ(p->ReadPixel(0, 1), c.format == PF_I8              ? 0xFF000000u
                                      : c.format == PF_A8            ? 0x00FFFFFFu
                                      : BytesPerPixel(c.format) == 3 ? 0xFF000000u
                                                                     : 0u);
    }

    PixmapRef grey = TPixmap::Create(1, 1, PF_I8, 4);
    grey->pixels[0] = 0x40;
    EXPECT_EQ(grey->ReadPixel(0, 0), 0xFF404040u);
    PixmapRef alpha = TPixmap::Create(1, 1, PF_A8, 4);
    alpha->pixels[0] = 0x40;
    EXPECT_EQ(alpha->ReadPixel(0, 0), 0x40FFFFFFu);
}

TEST(PixmapPixels, AccessOutsideThePixmapIsHarmless) {
    PixmapRef p = TPixmap::Create(2, 2, PF_RGBA8888, 4);
    p->WritePixel(1, 1, 0xFFFFFFFF);
    for (auto [x, y] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 2}, {100000, 100000}}) {
        p->WritePixel(x, y, 0x12345678);
        EXPECT_EQ(p->ReadPixel(x, y), 0u);
    }
    int set = 0;
    for (int i = 0; i < p->capacity; ++i)
        set += p->pixels[i] != 0;
    EXPECT_EQ(set, 4);
}

// Converting must give what writing the source's pixel value into the target format gives:
// the byte-order tables of the conversion path and of WritePixel are written independently.
TEST(PixmapConversion, EveryFormatPairAgreesWithWritePixel) {
    const uint32_t values[] = {0x00000000, 0xFFFFFFFF, 0x80FF4020, 0x7F012345,
                               0xC0A0B0C0, 0x01FE02FD, 0xFF000080};
    const int n = static_cast<int>(std::size(values));
    for (int from : kAllFormats) {
        PixmapRef src = TPixmap::Create(n, 1, from, 4);
        for (int i = 0; i < n; ++i)
            src->WritePixel(i, 0, values[i]);
        for (int to : kAllFormats) {
            SCOPED_TRACE(testing::Message() << from << " -> " << to);
            PixmapRef converted = src->Convert(to);
            PixmapRef expected = TPixmap::Create(n, 1, to, 4);
            for (int i = 0; i < n; ++i)
                expected->WritePixel(i, 0, src->ReadPixel(i, 0));
            ASSERT_EQ(converted->format, to);
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(converted->ReadPixel(i, 0), expected->ReadPixel(i, 0)) << "pixel " << i;
            }
        }
    }
}

TEST(PixmapWindows, ShareMemoryKeepTheParentAliveAndStayInside) {
    std::weak_ptr<TPixmap> parentAlive;
    PixmapRef window;
    {
        PixmapRef parent = TPixmap::Create(8, 8, PF_RGBA8888, 4);
        parentAlive = parent;
        window = parent->Window(2, 3, 4, 2);
        parent->WritePixel(3, 4, 0xFF112233);
    }
    ASSERT_FALSE(parentAlive.expired());
    EXPECT_EQ(window->capacity, -1);
    EXPECT_EQ(window->pitch, 32);
    EXPECT_EQ(window->ReadPixel(1, 1), 0xFF112233u);
    window->WritePixel(0, 0, 0xFFABCDEF);
    EXPECT_EQ(parentAlive.lock()->ReadPixel(2, 3), 0xFFABCDEFu);

    PixmapRef corner = parentAlive.lock()->Window(6, 7, 10, 10);
    EXPECT_EQ(corner->width, 2);
    EXPECT_EQ(corner->height, 1);
    window.reset();
    corner.reset();
    EXPECT_TRUE(parentAlive.expired());
}

TEST(PixmapPaste, ConvertsAndLeavesOutWhatFallsOutside) {
    PixmapRef target = TPixmap::Create(4, 3, PF_BGRA8888, 4);
    PixmapRef source = TPixmap::Create(3, 2, PF_RGB888, 4);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            source->WritePixel(x, y, 0xFF000000u | (x << 16) | (y << 8) | 7);
    }
    target->Paste(*source, 2, 2);
    EXPECT_EQ(target->ReadPixel(2, 2), 0xFF000007u);
    EXPECT_EQ(target->ReadPixel(3, 2), 0xFF010007u);
    EXPECT_EQ(target->ReadPixel(1, 2), 0u);

    target->Paste(*source, -2, -1);
    EXPECT_EQ(target->ReadPixel(0, 0), 0xFF020107u);
    EXPECT_EQ(target->ReadPixel(1, 0), 0u);
    target->Paste(*source, 100, -100);  // entirely outside: nothing happens

    PixmapRef copy = target->Copy();
    EXPECT_NE(copy->pixels, target->pixels);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(copy->ReadPixel(x, y), target->ReadPixel(x, y));
    }
}

TEST(PixmapResize, BlendsBetweenNeighboursAndClampsAtTheEdges) {
    PixmapRef src = TPixmap::Create(2, 1, PF_RGB888, 4);
    src->WritePixel(0, 0, 0xFF000000);
    src->WritePixel(1, 0, 0xFFFFFFFF);
    PixmapRef wide = ResizePixmap(src, 4, 1);
    ASSERT_EQ(wide->format, PF_RGB888);
    const uint32_t expected[] = {0xFF000000, 0xFF3F3F3F, 0xFFBFBFBF, 0xFFFFFFFF};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(wide->ReadPixel(x, 0), expected[x]) << x;

    // Vertical blend with alpha, and a halving that averages pairs exactly.
    PixmapRef column = TPixmap::Create(1, 4, PF_RGBA8888, 4);
    const uint32_t rows[] = {0x00000000, 0x80204060, 0xFF000000, 0xFF000000};
    for (int y = 0; y < 4; ++y)
        column->WritePixel(0, y, rows[y]);
    PixmapRef half = ResizePixmap(column, 1, 2);
    EXPECT_EQ(half->ReadPixel(0, 0), 0x40102030u);
    EXPECT_EQ(half->ReadPixel(0, 1), 0xFF000000u);

    PixmapRef same = ResizePixmap(column, 1, 4);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(same->ReadPixel(0, y), rows[y]);
    EXPECT_EQ(ResizePixmap(TPixmap::Create(0, 0, PF_I8, 4), 3, 3)->ReadPixel(1, 1), 0xFF000000u);
}

TEST(PixmapMask, MaskedPixelsTurnTransparentWithTheirNeighboursColour) {
    PixmapRef src = TPixmap::Create(3, 3, PF_RGB888, 4);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x)
            src->WritePixel(x, y, 0xFF000000);
    }
    src->WritePixel(2, 2, 0xFF0A1400);
    src->WritePixel(2, 1, 0xFF141E03);
    src->WritePixel(1, 2, 0xFF010100);  // differs from the mask colour by one unit

    PixmapRef masked = MaskPixmap(src, 0, 0, 0);
    ASSERT_EQ(masked->format, PF_RGBA8888);
    EXPECT_EQ(masked->ReadPixel(0, 0), 0x00000000u) << "corner with only mask neighbours";
    EXPECT_EQ(masked->ReadPixel(2, 2), 0xFF0A1400u);
    // Neighbours of (1, 1): (2, 1), (1, 2), (2, 2) -> integer average of each channel.
    EXPECT_EQ(masked->ReadPixel(1, 1), 0x000A1101u);
    // Neighbours of (2, 0): (2, 1) only inside the pixmap.
    EXPECT_EQ(masked->ReadPixel(2, 0), 0x00141E03u);

    PixmapRef withAlpha = TPixmap::Create(1, 1, PF_BGRA8888, 4);
    withAlpha->WritePixel(0, 0, 0x10FF00FF);
    EXPECT_EQ(MaskPixmap(withAlpha, 255, 0, 255)->ReadPixel(0, 0), 0x00000000u);
    EXPECT_EQ(MaskPixmap(withAlpha, 0, 0, 0)->ReadPixel(0, 0), 0xFFFF00FFu);
}

// A loader that recognises streams starting with its tag byte, or fails in a given way.
class TagLoader : public TPixmapLoader {
public:
    enum class Failure { None, StreamError, OtherError };
    TagLoader(uint8_t tag, Failure failure = Failure::None) : tag_(tag), failure_(failure) {}

    PixmapRef LoadPixmap(TStream& stream) override {
        positions.push_back(stream.Position());
        if (failure_ == Failure::StreamError) throw TStreamReadException();
        if (failure_ == Failure::OtherError) RuntimeError("loader broke");
        uint8_t first = 0;
        stream.ReadExactly(&first, 1);
        if (first != tag_) return nullptr;
        PixmapRef p = TPixmap::Create(1, 1, PF_I8, 4);
        p->pixels[0] = tag_;
        return p;
    }

    std::vector<int> positions;

private:
    uint8_t tag_;
    Failure failure_;
};

// A readable stream that cannot seek.
class PipeStream : public TStream {
public:
    int Read(void*, int) override { return 0; }
};

TEST(PixmapLoaders, NewestFirstEachFromTheStartAndStreamErrorsMeanNotRecognised) {
    static const unsigned char data[] = {'x', 'y', 'A', 'B'};
    auto stream = CreateRamStream(data, 4, 1);
    stream->SeekTo(2);

    TagLoader older('A');
    TagLoader broken(0, TagLoader::Failure::StreamError);
    TagLoader newer('B');
    PixmapRef p = LoadPixmap(StreamRef(stream));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->pixels[0], 'A');
    EXPECT_EQ(newer.positions, std::vector<int>{2});
    EXPECT_EQ(broken.positions, std::vector<int>{2});
    EXPECT_EQ(older.positions, std::vector<int>{2});
    EXPECT_EQ(stream->Position(), 3) << "the caller's stream stays open";

    stream->SeekTo(0);
    EXPECT_EQ(LoadPixmap(StreamRef(stream)), nullptr);
    EXPECT_EQ(LoadPixmap(StreamRef(std::make_shared<PipeStream>())), nullptr);
    EXPECT_EQ(older.positions.size(), 2u) << "an unseekable stream reaches no loader";
    EXPECT_EQ(LoadPixmap(std::string("incbin::no such asset")), nullptr);
    EXPECT_EQ(LoadPixmap(StreamRef()), nullptr);
}

TEST(PixmapLoaders, OtherErrorsPropagateAndDestroyedLoadersLeaveTheList) {
    static const unsigned char data[] = {'C'};
    auto stream = CreateRamStream(data, 1, 1);
    TagLoader base('C');
    {
        TagLoader broken(0, TagLoader::Failure::OtherError);
        EXPECT_THROW(LoadPixmap(StreamRef(stream)), TRuntimeException);
    }
    stream->SeekTo(0);
    EXPECT_NE(LoadPixmap(StreamRef(stream)), nullptr);
}

}  // namespace
