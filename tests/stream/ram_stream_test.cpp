// Memory streams and the typed, exact and text operations every stream inherits.
#include "stream/ram_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "runtime/errors.h"
#include "stream_test_util.h"

namespace {

using namespace vdl;
using streamtest::Pattern;
using streamtest::TrickleStream;

std::string ErrorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const TVardoException& e) {
        return e.Text();
    }
    return "no error";
}

TEST(RamStream, SeeksClampAndTransfersStopAtTheEndOfTheBlock) {
    std::vector<unsigned char> block = Pattern(50);
    auto s = CreateRamStream(block.data(), 50, 1, 1);
    EXPECT_EQ(s->SeekTo(-5), 0);
    EXPECT_EQ(s->SeekTo(55), 50);
    EXPECT_EQ(s->AtEnd(), 1);
    unsigned char buf[100];
    s->SeekTo(40);
    EXPECT_EQ(s->Read(buf, 100), 10);
    EXPECT_EQ(buf[9], 49);
    EXPECT_EQ(s->Read(buf, 100), 0);
    EXPECT_EQ(s->AtEnd(), 1);

    const unsigned char ones[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    s->SeekTo(46);
    EXPECT_EQ(s->Write(ones, 8), 4);
    EXPECT_EQ(s->Write(ones, 8), 0);
    EXPECT_EQ(block[45], 45);
    EXPECT_EQ(block[46], 1);
}

TEST(RamStream, RefusedDirectionsAndNonsenseCountsMoveNothing) {
    std::vector<unsigned char> block = Pattern(16);
    unsigned char buf[16] = {};
    auto readOnly = CreateRamStream(static_cast<const void*>(block.data()), 16, 1);
    EXPECT_EQ(readOnly->Write(buf, 4), 0);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 1);
    auto writeOnly = CreateRamStream(block.data(), 16, 0, 1);
    EXPECT_EQ(writeOnly->Read(buf, 4), 0);
    EXPECT_EQ(writeOnly->Position(), 0);

    auto s = CreateRamStream(block.data(), 16, 1, 1);
    EXPECT_EQ(s->Read(buf, -1), 0);
    EXPECT_EQ(s->Write(buf, -100), 0);
    EXPECT_EQ(s->Read(buf, 0), 0);
    EXPECT_EQ(s->Position(), 0);

    auto bogus = CreateRamStream(block.data(), -3, 1, 1);
    EXPECT_EQ(bogus->Length(), 0);
    EXPECT_EQ(bogus->Read(buf, 4), 0);
    auto nothing = CreateRamStream(static_cast<void*>(nullptr), 100, 1, 1);
    EXPECT_EQ(nothing->Length(), 0);
    EXPECT_EQ(nothing->Write(buf, 4), 0);
}

TEST(TypedValues, AreLittleEndianAndRoundTrip) {
    unsigned char block[64] = {};
    auto s = CreateRamStream(block, 64, 1, 1);
    s->WriteU8(0x1FF);
    s->WriteU16(0x12345);
    s->WriteI32(0x01020304);
    s->WriteI64(-2);
    s->WriteF32(1.5f);
    s->WriteF64(-0.25);
    EXPECT_EQ(s->Position(), 1 + 2 + 4 + 8 + 4 + 8);
    const unsigned char expected[] = {0xFF, 0x45, 0x23, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF,
                                      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xC0,
                                      0x3F, 0,    0,    0,    0,    0,    0,    0xD0, 0xBF};
    EXPECT_EQ(0, std::memcmp(block, expected, sizeof expected));

    s->SeekTo(0);
    EXPECT_EQ(s->ReadU8(), 255);
    EXPECT_EQ(s->ReadU16(), 0x2345);
    EXPECT_EQ(s->ReadI32(), 0x01020304);
    EXPECT_EQ(s->ReadI64(), -2);
    EXPECT_EQ(s->ReadF32(), 1.5f);
    EXPECT_EQ(s->ReadF64(), -0.25);

    // Unsigned readers never come back negative; the signed 32-bit one does.
    const unsigned char ff[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    auto t = CreateRamStream(static_cast<const void*>(ff), 4, 1);
    EXPECT_EQ(t->ReadU16(), 65535);
    t->SeekTo(0);
    EXPECT_EQ(t->ReadI32(), -1);
}

TEST(ExactTransfers, ShortDataRaisesInsteadOfPassingForSuccess) {
    std::vector<unsigned char> block = Pattern(10);
    auto s = CreateRamStream(block.data(), 10, 1, 0);
    unsigned char buf[16];
    std::fill(std::begin(buf), std::end(buf), 0xAA);
    s->SeekTo(6);
    EXPECT_THROW(s->ReadExactly(buf, 8), TStreamReadException);
    EXPECT_EQ(ErrorText([&] {
                  s->SeekTo(6);
                  s->ReadExactly(buf, 8);
              }),
              "Error reading from stream");
    s->SeekTo(6);
    EXPECT_THROW(s->SkipBytes(5), TStreamReadException);
    s->SeekTo(6);
    EXPECT_THROW(s->ReadText(5), TStreamReadException);
    s->SeekTo(7);
    EXPECT_THROW(s->ReadI32(), TStreamReadException);
    s->SeekTo(10);
    EXPECT_THROW(s->ReadU8(), TStreamReadException);

    s->SeekTo(6);
    EXPECT_EQ(s->ReadExactly(buf, 4), 4);
    EXPECT_EQ(buf[3], 9);
    EXPECT_EQ(s->ReadExactly(buf, 0), 0);

    unsigned char out[4] = {};
    auto small = CreateRamStream(out, 4, 0, 1);
    EXPECT_EQ(ErrorText([&] { small->WriteI64(1); }), "Error writing to stream");
    EXPECT_EQ(ErrorText([&] {
                  small->SeekTo(0);
                  small->WriteText("hello");
              }),
              "Error writing to stream");
}

TEST(ExactTransfers, GatherPiecesFromStreamsThatHandOutLittleAtATime) {
    auto s = std::make_shared<TrickleStream>(Pattern(3000), 7, true);
    std::vector<unsigned char> buf(2000);
    EXPECT_EQ(s->ReadExactly(buf.data(), 2000), 2000);
    EXPECT_EQ(buf, std::vector<unsigned char>(Pattern(2000)));
    EXPECT_EQ(s->SkipBytes(999), 999);  // across the skip's scratch chunks
    EXPECT_EQ(s->ReadU8(), 2999 % 251);
    EXPECT_THROW(s->ReadU8(), TStreamReadException);

    // A stream that cannot tell its end still raises instead of spinning.
    auto pipe = std::make_shared<TrickleStream>(Pattern(5), 2, false);
    EXPECT_THROW(pipe->ReadExactly(buf.data(), 6), TStreamReadException);
}

TEST(TextLines, EndAtLineFeedsZeroBytesOrTheEndAndDropCarriageReturns) {
    const unsigned char bytes[] = {'a', 'b', 13, 10, 'c', 'd'};
    auto s = CreateRamStream(static_cast<const void*>(bytes), 6, 1);
    EXPECT_EQ(s->ReadTextLine(), "ab");
    EXPECT_EQ(s->ReadTextLine(), "cd");
    EXPECT_EQ(s->ReadTextLine(), "");

    const unsigned char more[] = {'x', 0, 'y', 13, 'z', 10, 10, 0xE9};
    auto t = CreateRamStream(static_cast<const void*>(more), 8, 1);
    EXPECT_EQ(t->ReadTextLine(), "x");
    EXPECT_EQ(t->ReadTextLine(), "yz");
    EXPECT_EQ(t->ReadTextLine(), "");
    EXPECT_EQ(t->ReadTextLine(), "\xE9");  // one byte, one character

    auto pipe = std::make_shared<TrickleStream>(std::vector<unsigned char>{'p', 'q'}, 1, false);
    EXPECT_EQ(pipe->ReadTextLine(), "pq");
    EXPECT_EQ(pipe->ReadTextLine(), "");
}

TEST(TextLines, WrittenLinesEndInCrLfAndReportWhetherTheyFit) {
    unsigned char block[8] = {};
    auto s = CreateRamStream(block, 8, 1, 1);
    EXPECT_EQ(s->WriteTextLine("abc"), 1);
    EXPECT_EQ(0, std::memcmp(block, "abc\r\n", 5));
    EXPECT_EQ(s->WriteTextLine("xyz"), 0);  // only "xyz" fits
    s->SeekTo(0);
    EXPECT_EQ(s->ReadText(8), std::string("abc\r\nxyz"));
    s->SeekTo(0);
    s->WriteText("Q");
    s->SeekTo(0);
    EXPECT_EQ(s->ReadText(1), "Q");
    EXPECT_EQ(s->ReadText(0), "");
}

TEST(StreamBase, UnsupportedOperationsRaiseTheirTexts) {
    TStream bare;
    unsigned char b[1];
    EXPECT_EQ(ErrorText([&] { bare.Read(b, 1); }), "Stream is not readable");
    EXPECT_EQ(ErrorText([&] { bare.Write(b, 1); }), "Stream is not writeable");
    EXPECT_THROW(ReadU8(nullptr), TNullObjectException);
}

TEST(StreamWrappers, ForwardEverythingAndCloseOnlyDetaches) {
    std::vector<unsigned char> block = Pattern(32);
    StreamRef inner = CreateRamStream(block.data(), 32, 1, 1);
    auto wrapper = std::make_shared<TStreamWrapper>(inner);
    EXPECT_EQ(wrapper->Length(), 32);
    EXPECT_EQ(wrapper->SeekTo(4), 4);
    EXPECT_EQ(wrapper->ReadU8(), 4);
    EXPECT_EQ(inner->Position(), 5);
    wrapper->WriteU16(0xBEEF);
    EXPECT_EQ(block[5], 0xEF);

    auto view = WrapStream(inner);
    EXPECT_EQ(StreamPosition(view), 7);
    EXPECT_EQ(ReadU8(view), 7);
    StreamClose(view);
    EXPECT_EQ(view->Inner(), nullptr);
    EXPECT_THROW(view->ReadU8(), TNullObjectException);
    EXPECT_EQ(inner->ReadU8(), 8);  // the inner stream stayed open where it was
    EXPECT_EQ(WrapStream(nullptr), nullptr);
}

}  // namespace
