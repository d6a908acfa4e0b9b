// Samples: conversions between the six formats, the loader registry and the Ogg Vorbis
// loader, whose PCM is checked against the reference decoder's output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "audio/ogg_loader.h"
#include "audio/sample.h"
#include "runtime/errors.h"
#include "stream/embedded.h"
#include "stream/ram_stream.h"
#include "stream/stream.h"
#include "stream/url.h"
#include "tests/resident.h"

namespace vdl {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Converts frames of sf held in bytes into df.
Bytes Converted(const Bytes& bytes, int sf, int df) {
    const int frames = static_cast<int>(bytes.size()) / formatBytes[sf];
    Bytes out(static_cast<std::size_t>(frames * formatBytes[df]), 0xAA);
    ConvertSamples(bytes.data(), sf, out.data(), df, frames);
    return out;
}

Bytes LE16(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    return out;
}

Bytes BE16(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    return out;
}

TEST(SampleConversion, EightBitValuesSpanTheSixteenBitRangeAndComeBackUnchanged) {
    EXPECT_EQ(Converted({128}, SF_MONO8, SF_MONO16LE), LE16({128}));
    EXPECT_EQ(Converted({0, 255}, SF_MONO8, SF_MONO16LE), LE16({-32768, 32767}));
    EXPECT_EQ(Converted(LE16({0}), SF_MONO16LE, SF_MONO8), Bytes{127});
    EXPECT_EQ(Converted(LE16({-32768, 32767}), SF_MONO16LE, SF_MONO8), (Bytes{0, 255}));

    Bytes all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<std::uint8_t>(c));
    EXPECT_EQ(Converted(Converted(all, SF_MONO8, SF_STEREO16BE), SF_STEREO16BE, SF_MONO8), all);
}

TEST(SampleConversion, StereoToMonoIsTheMeanTruncatedTowardZero) {
    EXPECT_EQ(Converted(LE16({1000, -1001}), SF_STEREO16LE, SF_MONO16LE), LE16({0}));
    EXPECT_EQ(Converted(LE16({-3, -4, 3, 4}), SF_STEREO16LE, SF_MONO16BE), BE16({-3, 3}));
    EXPECT_EQ(Converted(LE16({32767, 32767}), SF_STEREO16LE, SF_MONO16LE), LE16({32767}));
    // 8-bit stereo (0, 255) is (-32768, 32767): mean 0, which is 127 in 8 bits.
    EXPECT_EQ(Converted({0, 255}, SF_STEREO8, SF_MONO8), Bytes{127});
}

TEST(SampleConversion, ByteOrderAndChannelCountFollowTheTargetFormat) {
    EXPECT_EQ(Converted(LE16({0x1234, -2}), SF_MONO16LE, SF_MONO16BE), BE16({0x1234, -2}));
    EXPECT_EQ(Converted(BE16({0x1234, -2}), SF_STEREO16BE, SF_STEREO16LE), LE16({0x1234, -2}));
    EXPECT_EQ(Converted(LE16({300, -7}), SF_MONO16LE, SF_STEREO16LE), LE16({300, 300, -7, -7}));
    EXPECT_EQ(Converted(BE16({5, 6}), SF_STEREO16BE, SF_STEREO8), (Bytes{127, 127}));
    EXPECT_EQ(Converted({200}, SF_MONO8, SF_STEREO8), (Bytes{200, 200}));
}

TEST(SampleConversion, SameFormatIsAPlainCopyAndUnknownFormatsAreRefused) {
    const Bytes odd = {0x01, 0x80, 0xFF, 0x7F};
    EXPECT_EQ(Converted(odd, SF_MONO16LE, SF_MONO16LE), odd);
    Bytes out(4);
    for (auto [sf, df] : {std::pair{0, 2}, {2, 0}, {7, 2}, {5, 7}, {-1, 6}}) {
        try {
            ConvertSamples(odd.data(), sf, out.data(), df, 1);
            ADD_FAILURE() << sf << " -> " << df << " converted";
        } catch (const TRuntimeException& e) {
            EXPECT_STREQ(e.what(), "Unimplemented sample format conversion");
        }
    }
}

// A loader that records where the stream was when it was asked, then does what it is told.
class TScriptedLoader : public TAudioSampleLoader {
public:
    enum Action { kDecline, kStreamError, kOtherError, kAccept };
    explicit TScriptedLoader(Action told) : action(told) {}

    std::shared_ptr<TAudioSample> LoadSample(TStream& stream) override {
        seenAt = stream.Position();
        stream.SkipBytes(2);
        switch (action) {
            case kStreamError:
                throw TStreamReadException();
            case kOtherError:
                RuntimeError("broken loader");
            case kAccept:
                return TAudioSample::CreateAudioSample(1, 11025, SF_MONO8);
            case kDecline:
                break;
        }
        return nullptr;
    }

    Action action;
    int seenAt = -2;
};

// A stream that reads but cannot tell where it is.
class TUnseekable : public TStream {
public:
    int Read(void*, int) override { return 0; }
};

TEST(SampleLoading, LoadersAreAskedNewestFirstFromTheSameStartAndStreamErrorsMeanNo) {
    static const unsigned char bytes[] = "0123456789";
    auto stream = CreateRamStream(static_cast<const void*>(bytes), 10, 1);
    stream->SeekTo(3);

    TScriptedLoader accepts(TScriptedLoader::kAccept);
    TScriptedLoader trips(TScriptedLoader::kStreamError);
    TScriptedLoader declines(TScriptedLoader::kDecline);
    auto sample = LoadAudioSample(StreamRef(stream));
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->hertz, 11025);
    EXPECT_EQ(declines.seenAt, 3);
    EXPECT_EQ(trips.seenAt, 3);
    EXPECT_EQ(accepts.seenAt, 3);

    TScriptedLoader fails(TScriptedLoader::kOtherError);
    stream->SeekTo(0);
    EXPECT_THROW(LoadAudioSample(StreamRef(stream)), TRuntimeException);
}

TEST(SampleLoading, UnopenableUrlsUnknownDataAndUnseekableStreams) {
    StartOggLoader();
    EXPECT_EQ(LoadAudioSample("incbin::no such sound"), nullptr);
    EXPECT_EQ(LoadAudioSample(std::string(CCA_BINARY_DIR) + "/no/such/file.ogg"), nullptr);

    static const unsigned char text[] = "OggS is how it starts, but this is not Ogg Vorbis";
    RegisterEmbedded("sample-test-text", text, sizeof text);
    EXPECT_EQ(LoadAudioSample("incbin::sample-test-text"), nullptr);

    try {
        LoadAudioSample(StreamRef(std::make_shared<TUnseekable>()));
        ADD_FAILURE() << "an unseekable stream was accepted";
    } catch (const TRuntimeException& e) {
        EXPECT_STREQ(e.what(), "Stream is not seekable");
    }
}

// Files made by the reference encoder in a scratch folder of the build tree.
class SampleOgg : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = std::filesystem::path(CCA_BINARY_DIR) / "tests" / "audio-ogg";
        std::filesystem::create_directories(dir);
    }

    // Encodes frames of a chord (one tone per channel) at hertz, returns the .ogg path.
    static std::string Encode(const std::string& name, int channels, int hertz, int frames) {
        const auto raw = dir / (name + ".raw");
        {
            std::ofstream out(raw, std::ios::binary);
            for (int i = 0; i < frames; ++i) {
                for (int c = 0; c < channels; ++c) {
                    const double t = static_cast<double>(i) / hertz;
                    const auto v = static_cast<std::int16_t>(
                        12000 * std::sin(2 * std::numbers::pi * (220.0 * (c + 1)) * t) +
                        6000 * std::sin(2 * std::numbers::pi * 1375.0 * t));
                    out.put(static_cast<char>(v & 0xFF));
                    out.put(static_cast<char>((v >> 8) & 0xFF));
                }
            }
        }
        const auto ogg = dir / (name + ".ogg");
        const std::string command = "oggenc -Q -r -B 16 -C " + std::to_string(channels) + " -R " +
                                    std::to_string(hertz) + " -q 2 -o '" + ogg.string() + "' '" +
                                    raw.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return ogg.string();
    }

    // What the reference decoder makes of path: signed 16-bit little-endian, interleaved.
    static Bytes ReferenceDecode(const std::string& path) {
        const std::string pcm = path + ".pcm";
        const std::string command = "oggdec -Q -R -b 16 -e 0 -s 1 -o '" + pcm + "' '" + path + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(pcm, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    static inline std::filesystem::path dir;
};

TEST_F(SampleOgg, MonoAndStereoDecodeToTheReferencePcmAtTheFilesOwnRate) {
    StartOggLoader();
    struct Case {
        int channels;
        int hertz;
        int format;
    };
    for (Case c : {Case{1, 22050, SF_MONO16LE}, Case{2, 44100, SF_STEREO16LE}}) {
        const std::string path =
            Encode("tone" + std::to_string(c.channels), c.channels, c.hertz, 30011);
        auto sample = LoadAudioSample(path);
        ASSERT_NE(sample, nullptr);
        EXPECT_EQ(sample->format, c.format);
        EXPECT_EQ(sample->hertz, c.hertz);
        EXPECT_EQ(sample->length, 30011);
        const Bytes reference = ReferenceDecode(path);
        const Bytes decoded(sample->samples,
                            sample->samples + sample->length * formatBytes[sample->format]);
        EXPECT_TRUE(decoded == reference) << "channels " << c.channels;
    }
}

TEST_F(SampleOgg, EmbeddedFilesLoadThroughTheIncbinScheme) {
    StartOggLoader();
    const std::string path = Encode("embedded", 1, 44100, 4410);
    std::ifstream in(path, std::ios::binary);
    static const Bytes file(std::istreambuf_iterator<char>(in), {});
    RegisterEmbedded("sample-test.ogg", file.data(), static_cast<int>(file.size()));
    auto sample = LoadAudioSample("incbin::sample-test.ogg");
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->length, 4410);
}

// A page decodes its music a slice per frame: slices of any length give the same sample, and
// data that is not Ogg Vorbis is done at once, with none.
TEST_F(SampleOgg, SlicedDecodingGivesTheWholeDecodesSample) {
    StartOggLoader();
    const std::string path = Encode("sliced", 2, 44100, 44100);
    auto whole = LoadAudioSample(path);
    ASSERT_NE(whole, nullptr);
    const Bytes expected(whole->samples, whole->samples + whole->length * 4);

    TOggDecoding decoding(OpenForReading(path));
    int slices = 1;
    while (!decoding.Step(0.0))
        ++slices;
    EXPECT_GT(slices, 2);
    EXPECT_TRUE(decoding.Step(0.0));
    auto sliced = decoding.Sample();
    ASSERT_NE(sliced, nullptr);
    EXPECT_EQ(sliced->length, whole->length);
    EXPECT_EQ(sliced->hertz, 44100);
    EXPECT_EQ(sliced->format, SF_STEREO16LE);
    EXPECT_TRUE(Bytes(sliced->samples, sliced->samples + sliced->length * 4) == expected);

    static const unsigned char text[] = "not Ogg Vorbis at all";
    TOggDecoding notOgg(CreateRamStream(text, sizeof text, 1));
    EXPECT_TRUE(notOgg.Step(0.0));
    EXPECT_EQ(notOgg.Sample(), nullptr);
}

TEST_F(SampleOgg, MoreThanTwoChannelsAreRefusedAndBrokenFilesGiveNull) {
    StartOggLoader();
    EXPECT_EQ(LoadAudioSample(Encode("surround", 3, 44100, 2000)), nullptr);

    // Most of a long file: the decoder finds the last whole page and stops there, exactly
    // where the reference decoder does.
    const std::string path = Encode("cut", 2, 44100, 441000);
    std::ifstream in(path, std::ios::binary);
    const Bytes whole(std::istreambuf_iterator<char>(in), {});
    const Bytes part(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 3 / 5));
    const auto partPath = dir / "cut-part.ogg";
    std::ofstream(partPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(part.data()), static_cast<long>(part.size()));
    auto sample = LoadAudioSample(partPath.string());
    ASSERT_NE(sample, nullptr);
    EXPECT_GT(sample->length, 44100);
    EXPECT_LT(sample->length, 441000);
    const Bytes reference = ReferenceDecode(partPath.string());
    EXPECT_TRUE(Bytes(sample->samples, sample->samples + sample->length * 4) == reference);
    // Headers alone hold no audio and are not a sound.
    auto headers = CreateRamStream(static_cast<const void*>(whole.data()), 200, 1);
    EXPECT_EQ(LoadAudioSample(StreamRef(headers)), nullptr);
}

// The size of the Ogg page at offset at.
std::size_t OggPageSize(const Bytes& file, std::size_t at) {
    const int segments = file[at + 26];
    std::size_t size = 27 + static_cast<std::size_t>(segments);
    for (int i = 0; i < segments; ++i)
        size += file[at + 27 + i];
    return size;
}

// Sets the granule position of the page at offset at and makes its checksum valid again.
void SetGranule(Bytes& file, std::size_t at, std::uint64_t granule) {
    for (int i = 0; i < 8; ++i)
        file[at + 6 + i] = static_cast<std::uint8_t>(granule >> (8 * i));
    for (int i = 0; i < 4; ++i)
        file[at + 22 + i] = 0;
    std::uint32_t crc = 0;
    for (std::size_t i = at; i < at + OggPageSize(file, at); ++i) {
        crc ^= static_cast<std::uint32_t>(file[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i)
        file[at + 22 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
}

std::shared_ptr<TAudioSample> LoadBytes(const Bytes& file) {
    return LoadAudioSample(StreamRef(
        CreateRamStream(static_cast<const void*>(file.data()), static_cast<int>(file.size()), 1)));
}

// The length a file claims (its last granule position) sizes nothing: 16 KB of the game's
// music claiming 2 GiB of stereo frames gives the audio it holds, in the memory that takes.
TEST_F(SampleOgg, ALengthClaimedBeyondTheAudioCostsOnlyTheAudio) {
    StartOggLoader();
    std::ifstream in(std::string(CCA_SOURCE_DIR) + "/assets/christmas.ogg", std::ios::binary);
    const Bytes music(std::istreambuf_iterator<char>(in), {});
    std::size_t end = 0;
    std::size_t lastPage = 0;
    while (end < 16 * 1024) {
        lastPage = end;
        end += OggPageSize(music, end);
    }
    const Bytes head(music.begin(), music.begin() + static_cast<long>(end));
    const auto honest = LoadBytes(head);
    ASSERT_NE(honest, nullptr);
    ASSERT_EQ(honest->format, SF_STEREO16LE);

    Bytes forged = head;
    SetGranule(forged, lastPage, 536870000);
    std::shared_ptr<TAudioSample> sample;
    const long grewKb = testing_resident::PeakGrowthKb([&] { sample = LoadBytes(forged); });
    EXPECT_LT(grewKb, 32 * 1024);
    ASSERT_NE(sample, nullptr);
    // The real audio, give or take the last block the honest end would have trimmed.
    EXPECT_LE(sample->length, honest->length + 2048);
    EXPECT_EQ(Bytes(sample->samples, sample->samples + honest->length * 4),
              Bytes(honest->samples, honest->samples + honest->length * 4));
}

// A memory stream that raises error once more than limit bytes have been read.
template <typename Error>
class TFailingStream : public TStreamWrapper {
public:
    TFailingStream(StreamRef inner, int byteLimit)
        : TStreamWrapper(std::move(inner)), limit(byteLimit) {}
    int Read(void* buffer, int count) override {
        if (Position() + count > limit) throw Error();
        return TStreamWrapper::Read(buffer, count);
    }
    int limit;
};

class TBrokenStreamError : public TRuntimeException {
public:
    TBrokenStreamError() : TRuntimeException("broken stream") {}
};

TEST_F(SampleOgg, ErrorsInsideTheDecoderReachTheCallerWithoutUnwindingThroughIt) {
    StartOggLoader();
    std::ifstream in(Encode("failing", 1, 44100, 44100), std::ios::binary);
    const Bytes file(std::istreambuf_iterator<char>(in), {});
    const auto memory = [&] {
        return StreamRef(CreateRamStream(static_cast<const void*>(file.data()),
                                         static_cast<int>(file.size()), 1));
    };
    const int limit = static_cast<int>(file.size()) / 2;
    // Stream errors mean the data was not recognised; anything else goes on up.
    EXPECT_EQ(LoadAudioSample(StreamRef(
                  std::make_shared<TFailingStream<TStreamReadException>>(memory(), limit))),
              nullptr);
    EXPECT_THROW(LoadAudioSample(StreamRef(
                     std::make_shared<TFailingStream<TBrokenStreamError>>(memory(), limit))),
                 TBrokenStreamError);
    EXPECT_THROW(LoadAudioSample(
                     StreamRef(std::make_shared<TFailingStream<TBrokenStreamError>>(memory(), 10))),
                 TBrokenStreamError);
}

}  // namespace
}  // namespace vdl
