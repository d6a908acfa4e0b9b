// URL resolution through the factory list, the "incbin" scheme over the embedded-asset
// registry, whole-stream reads and copies.
#include "stream/url.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "runtime/errors.h"
#include "stream/embedded.h"
#include "stream/file_stream.h"
#include "stream/ram_stream.h"
#include "stream_test_util.h"

namespace {

using namespace vdl;
using streamtest::Pattern;
using streamtest::TrickleStream;

// Registers data once under name for the whole test program; the registry keeps pointers.
// The name is a plain pointer so that no temporary is made for it: the result refers into
// the map, and a compiler sees that it cannot dangle.
const std::vector<unsigned char>& Asset(const char* name, int size) {
    static std::map<std::string, std::vector<unsigned char>> assets;
    auto [it, added] = assets.emplace(name, Pattern(size));
    if (added) RegisterEmbedded(it->first.c_str(), it->second.data(), size);
    return it->second;
}

// Serves one scheme and remembers what it was asked.
class RecordingFactory : public TStreamFactory {
public:
    explicit RecordingFactory(std::string scheme) : scheme_(std::move(scheme)) {}
    StreamRef CreateStream(const std::string& url, const std::string& protocol,
                           const std::string& path, int readable, int writeable) override {
        asked = url + "|" + protocol + "|" + path + "|" + std::to_string(readable) +
                std::to_string(writeable);
        if (protocol != scheme_) return nullptr;
        return CreateRamStream(static_cast<const void*>(byte_), 1, 1);
    }
    std::string asked;

private:
    std::string scheme_;
    const unsigned char byte_[1] = {42};
};

TEST(Embedded, TheFirstRegistrationOfANameWins) {
    static const unsigned char first[] = {1, 2, 3};
    static const unsigned char second[] = {9};
    EXPECT_EQ(RegisterEmbedded("dup.bin", first, 3), 1);
    EXPECT_EQ(RegisterEmbedded("dup.bin", second, 1), 0);
    EXPECT_EQ(EmbeddedData("dup.bin"), first);
    EXPECT_EQ(EmbeddedSize("dup.bin"), 3);
    EXPECT_EQ(EmbeddedData("nope.bin"), nullptr);
    EXPECT_EQ(EmbeddedSize("nope.bin"), 0);
}

// Files that arrive late (a page's music) come from the late source, asked whether to wait;
// without a source only what is registered is ready.
TEST(Embedded, LateFilesAreRegisteredByTheLateSourceWhenAsked) {
    static const unsigned char late[] = {4, 5};
    static std::vector<std::pair<std::string, bool>> asked;
    EXPECT_FALSE(EmbeddedReady("late.bin", true));
    SetLateAssetSource([](const char* name, bool wait) {
        asked.emplace_back(name, wait);
        if (!wait) return false;  // still on its way
        return RegisterEmbedded(name, late, 2) == 1;
    });
    EXPECT_FALSE(EmbeddedReady("late.bin", false));
    EXPECT_TRUE(EmbeddedReady("late.bin", true));
    EXPECT_TRUE(EmbeddedReady("late.bin", false));  // registered now: the source is not asked
    EXPECT_EQ(EmbeddedData("late.bin"), late);
    SetLateAssetSource(nullptr);
    const std::vector<std::pair<std::string, bool>> expected = {{"late.bin", false},
                                                                {"late.bin", true}};
    EXPECT_EQ(asked, expected);
}

// Releasing an asset's pages is a hint that never loses its bytes, even when they are not
// the program file's (a test's own buffer here, pages of the heap).
TEST(Embedded, ReleasedPagesKeepTheirBytes) {
    std::vector<unsigned char> bytes(5 * 4096 + 123);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    const std::vector<unsigned char> copy = bytes;
    ASSERT_EQ(RegisterEmbedded("released.bin", bytes.data(), static_cast<int>(bytes.size())), 1);
    ReleaseEmbeddedPages("released.bin");
    ReleaseEmbeddedPages("not-registered.bin");
    EXPECT_TRUE(bytes == copy);
    StreamRef s = OpenForReading("incbin::released.bin");
    ASSERT_NE(s, nullptr);
    std::vector<unsigned char> read(bytes.size());
    s->ReadExactly(read.data(), static_cast<int>(read.size()));
    EXPECT_TRUE(read == copy);
}

TEST(IncbinUrls, SchemeIgnoresCaseButNamesDoNot) {
    Asset("Title.png", 40);
    for (const char* url : {"incbin::Title.png", "INCBIN::Title.png", "InCbIn::Title.png"}) {
        StreamRef s = OpenForReading(url);
        ASSERT_NE(s, nullptr) << url;
        EXPECT_EQ(s->Length(), 40);
        EXPECT_EQ(s->ReadU8(), 0);
    }
    EXPECT_EQ(OpenForReading("incbin::title.png"), nullptr);
    EXPECT_EQ(OpenForReading("incbin::Title.PNG"), nullptr);
    EXPECT_EQ(OpenForReading("incbin::"), nullptr);
}

TEST(IncbinUrls, AreReadOnlyAndLeaveTheAssetAsItWas) {
    const auto& bytes = Asset("ro.bin", 8);
    EXPECT_EQ(OpenForWriting("incbin::ro.bin"), nullptr);
    EXPECT_EQ(OpenUrlStream("incbin::ro.bin", 1, 1), nullptr);
    StreamRef s = OpenForReading("incbin::ro.bin");
    ASSERT_NE(s, nullptr);
    const unsigned char junk[2] = {0xFF, 0xFF};
    EXPECT_EQ(s->Write(junk, 2), 0);
    s->Close();
    EXPECT_EQ(bytes, Pattern(8));
    EXPECT_NE(OpenForReading("incbin::ro.bin"), nullptr);  // closing freed nothing
}

TEST(UrlResolution, AnUnknownSchemeIsNullEvenWhenAFileHasThatName) {
    namespace fs = std::filesystem;
    const fs::path dir = streamtest::MakeTempDir("cca-url-");
    const std::string path = (dir / "bogus::asset.bin").string();
    std::ofstream(path) << "data";
    EXPECT_EQ(OpenForReading(path), nullptr);
    EXPECT_EQ(OpenForReading("bogus::asset.bin"), nullptr);
    EXPECT_EQ(OpenForReading(""), nullptr);
    EXPECT_EQ(OpenForReading(StreamRef()), nullptr);
    fs::remove_all(dir);
}

// A name is everything up to its end, not up to its first NUL: what follows a NUL would be
// cut off by the file system and the registry, and something else would open.
TEST(UrlResolution, ANulInsideAPathOrAnAssetNameIsRefused) {
    namespace fs = std::filesystem;
    const fs::path dir = streamtest::MakeTempDir("cca-nul-");
    const std::string path = (dir / "real.bin").string();
    std::ofstream(path) << "data";
    Asset("nul.bin", 4);
    ASSERT_NE(OpenForReading(path), nullptr);
    using namespace std::string_literals;
    for (const std::string& url : {path + "\0.png"s, "incbin::nul.bin\0.png"s, "incbin::\0"s}) {
        EXPECT_EQ(OpenForReading(url), nullptr) << url.size();
        EXPECT_EQ(OpenUrlStream(url, 1, 1), nullptr) << url.size();
    }
    EXPECT_EQ(OpenForWriting(path + "\0"s), nullptr);
    EXPECT_EQ(OpenFileStream(path + "\0x"s, 1, 0), nullptr);
    fs::remove_all(dir);
}

TEST(UrlResolution, TheNewestFactoryIsAskedFirstWithTheSchemeLowered) {
    Asset("both.bin", 5);
    StartStreams();  // the module's own factories come first, as at program start
    {
        RecordingFactory factory("incbin");
        EXPECT_EQ(FirstStreamFactory(), &factory);
        StreamRef s = OpenForReading("IncBin::both.bin");
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->Length(), 1);  // the recording factory answered, not the registry
        EXPECT_EQ(factory.asked, "IncBin::both.bin|incbin|both.bin|10");
        OpenForWriting("Mine::a::b");
        EXPECT_EQ(factory.asked, "Mine::a::b|mine|a::b|01");
        OpenUrlStream("", 1, 1);
        EXPECT_EQ(factory.asked, "|||11");
    }
    EXPECT_NE(FirstStreamFactory(), nullptr);
    StreamRef s = OpenForReading("incbin::both.bin");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Length(), 5);  // the factory is gone; the registry serves again
}

TEST(UrlResolution, AStreamIsWrappedSoClosingTheResultLeavesItOpen) {
    const auto& bytes = Asset("wrap.bin", 10);
    StreamRef inner = OpenForReading("incbin::wrap.bin");
    ASSERT_NE(inner, nullptr);
    inner->SeekTo(3);
    StreamRef outer = OpenForReading(inner);
    ASSERT_NE(outer, nullptr);
    EXPECT_NE(outer, inner);
    EXPECT_EQ(outer->ReadU8(), bytes[3]);
    outer->Close();
    EXPECT_EQ(inner->ReadU8(), bytes[4]);
    EXPECT_EQ(LoadAllBytes(inner), std::vector<unsigned char>(bytes.begin() + 5, bytes.end()));
}

TEST(LoadAllBytes, ReturnsExactlyTheBytesAcrossEveryGrowthStep) {
    // 1024 is the first buffer, then 1536, 2304, 3456: sizes on and around each edge.
    for (int size : {0, 1, 1023, 1024, 1025, 1535, 1536, 1537, 2304, 3456, 3457, 10000}) {
        const std::string name = "load" + std::to_string(size) + ".bin";
        Asset(name.c_str(), size);
        EXPECT_EQ(LoadAllBytes("incbin::" + name), Pattern(size)) << size;
    }
    EXPECT_TRUE(LoadAllBytes("incbin::not-there.bin").empty());
}

TEST(LoadAllBytes, FinishesOnStreamsThatCannotTellTheirEnd) {
    auto pipe = std::make_shared<TrickleStream>(Pattern(2500), 100, false);
    EXPECT_EQ(LoadAllBytes(pipe), Pattern(2500));
    auto trickle = std::make_shared<TrickleStream>(Pattern(1100), 3, true);
    EXPECT_EQ(LoadAllBytes(trickle), Pattern(1100));
}

TEST(Copying, CopyBytesMovesExactlyTheCountAsked) {
    Asset("copy.bin", 3000);
    std::vector<unsigned char> out(3000, 0xEE);
    StreamRef to = CreateRamStream(out.data(), 3000, 1, 1);
    StreamRef from = OpenForReading("incbin::copy.bin");
    CopyBytes(from, to, 2500, 1000);
    EXPECT_EQ(from->Position(), 2500);
    EXPECT_EQ(to->Position(), 2500);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 2500, Pattern(2500).begin()));
    EXPECT_EQ(out[2500], 0xEE);
    EXPECT_THROW(CopyBytes(from, to, 501, 64), TStreamReadException);

    from->SeekTo(0);
    to->SeekTo(2990);
    EXPECT_THROW(CopyBytes(from, to, 20, 7), TStreamWriteException);
    to->SeekTo(0);
    CopyBytes(from, to, 5, 0);  // a useless buffer size still copies
    EXPECT_EQ(to->Position(), 5);
}

TEST(Copying, CopyStreamMovesTheRestAndStopsAtAnEndItCannotSee) {
    Asset("rest.bin", 5000);
    std::vector<unsigned char> out(6000, 0);
    StreamRef to = CreateRamStream(out.data(), 6000, 1, 1);
    StreamRef from = OpenForReading("incbin::rest.bin");
    from->SeekTo(1000);
    CopyStream(from, to, 333);
    EXPECT_EQ(to->Position(), 4000);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 4000, Pattern(5000).begin() + 1000));
    CopyStream(std::make_shared<TrickleStream>(Pattern(700), 50, false), to);
    EXPECT_EQ(to->Position(), 4700);
}

}  // namespace
