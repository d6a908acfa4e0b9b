// File streams on real files in a private temporary directory.
#include "stream/file_stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "stream/url.h"
#include "stream_test_util.h"

namespace {

using namespace vdl;
namespace fs = std::filesystem;

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = streamtest::MakeTempDir("cca-stream-"); }
    void TearDown() override { fs::remove_all(dir_); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    std::vector<unsigned char> Contents(const std::string& name) const {
        std::ifstream in(PathOf(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void Put(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::ofstream out(PathOf(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    fs::path dir_;
};

TEST_F(FileStreamTest, WritingGrowsTheFileAndReadingGetsItBack) {
    auto out = OpenFileStream(PathOf("a.bin"), 0, 1);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->Mode(), kFileWrite);
    EXPECT_EQ(out->Length(), 0);
    out->WriteI32(0x11223344);
    out->WriteTextLine("hi");
    EXPECT_EQ(out->Position(), 8);
    EXPECT_EQ(out->Length(), 8);
    out->SeekTo(2);
    out->WriteU8(0xAB);  // inside the file: the length stays
    EXPECT_EQ(out->Position(), 3);
    EXPECT_EQ(out->Length(), 8);
    out->Close();
    EXPECT_EQ(Contents("a.bin"),
              (std::vector<unsigned char>{0x44, 0x33, 0xAB, 0x11, 'h', 'i', 13, 10}));

    auto in = OpenFileStream(PathOf("a.bin"), 1, 0);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->Mode(), kFileRead);
    EXPECT_EQ(in->Length(), 8);
    EXPECT_EQ(in->SeekTo(4), 4);
    EXPECT_EQ(in->ReadTextLine(), "hi");
    EXPECT_EQ(in->AtEnd(), 1);
    EXPECT_THROW(in->ReadU8(), TStreamReadException);
}

TEST_F(FileStreamTest, ReadWriteModeKeepsTheFileAndMayTurnDirectionAtWill) {
    Put("rw.bin", streamtest::Pattern(10));
    auto s = OpenFileStream(PathOf("rw.bin"), 1, 1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Mode(), kFileReadWrite);
    EXPECT_EQ(s->Length(), 10);
    EXPECT_EQ(s->ReadU8(), 0);
    s->WriteU8(0xEE);           // straight after a read
    EXPECT_EQ(s->ReadU8(), 2);  // straight after a write
    s->SeekTo(10);
    s->WriteU16(0x0102);
    EXPECT_EQ(s->Length(), 12);
    s->Close();
    EXPECT_EQ(Contents("rw.bin"),
              (std::vector<unsigned char>{0, 0xEE, 2, 3, 4, 5, 6, 7, 8, 9, 2, 1}));
}

TEST_F(FileStreamTest, ClosingTwiceIsHarmlessAndAClosedStreamMovesNothing) {
    auto s = OpenFileStream(PathOf("c.bin"), 0, 1);
    ASSERT_NE(s, nullptr);
    s->WriteText("abc");
    s->Close();
    s->Close();
    EXPECT_EQ(s->CFile(), nullptr);
    EXPECT_EQ(s->Position(), 0);
    EXPECT_EQ(s->Length(), 0);
    unsigned char b[4];
    EXPECT_EQ(s->Write(b, 4), 0);
    EXPECT_EQ(s->Read(b, 4), 0);
    EXPECT_THROW(s->WriteU8(1), TStreamWriteException);
    EXPECT_EQ(Contents("c.bin").size(), 3u);
}

TEST_F(FileStreamTest, PlainPathsOpenFilesWithBackslashesAsSlashes) {
    fs::create_directory(dir_ / "sub");
    Put("sub/x.bin", streamtest::Pattern(3000));
    EXPECT_EQ(LoadAllBytes(PathOf("sub") + "\\x.bin"), streamtest::Pattern(3000));
    EXPECT_EQ(OpenForReading(PathOf("missing.bin")), nullptr);
    EXPECT_EQ(OpenFileStream(PathOf("missing.bin"), 1, 1), nullptr);  // r+b does not create
    EXPECT_EQ(OpenForWriting(PathOf("no/such/dir.bin")), nullptr);
}

TEST_F(FileStreamTest, WrappingAnOpenFileStartsAtItsOffset) {
    Put("w.bin", streamtest::Pattern(20));
    std::FILE* f = std::fopen(PathOf("w.bin").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 5, SEEK_SET);
    auto s = WrapCFile(f, kFileRead);
    EXPECT_EQ(s->Position(), 5);
    EXPECT_EQ(s->Length(), 20);
    EXPECT_EQ(s->ReadU8(), 5);
    EXPECT_EQ(WrapCFile(nullptr, kFileRead), nullptr);
}

}  // namespace
