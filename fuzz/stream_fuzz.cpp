// URLs and stream operations. The input is a URL, a line feed, then a program of stream
// operations run on three stream slots: the stream the URL opens, a writeable memory stream
// over a copy of the program, and a third slot for wrappers and the scratch file.
//
// Files stay in a scratch folder made for the process: a URL without a scheme is opened as a
// path inside it and refused when any part of it is "..", and the only file ever opened for
// writing is the scratch folder's own "written.bin". "data.bin" is only ever read, and
// "written.bin" is removed before every input, so an input's outcome never depends on the
// inputs before it.
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "game/world.h"
#include "stream/embedded.h"
#include "stream/file_stream.h"
#include "stream/ram_stream.h"
#include "stream/stream.h"
#include "stream/url.h"

namespace {

using namespace vdl;
using fuzz::Require;

constexpr std::size_t kMaxUrl = 512;
constexpr int kSlots = 3;
// Bytes one read or copy buffer may hold: more than any scratch file, less than the larger
// embedded assets, so reads both end early and fill up.
constexpr int kMaxTransfer = 4096;
// The largest stream read whole.
constexpr int kMaxWholeRead = 1 << 20;

// The scratch folder and the files an input may read.
struct TScratch {
    std::filesystem::path folder;
    std::string dataFile;     // "data.bin": bytes with line feeds, zeros and carriage returns
    std::string writtenFile;  // "written.bin": the one file written
};

// NOTE: made once and never destroyed, so the exit handler that removes the folder can
// still read its path.
TScratch& Scratch() {
    static TScratch& scratch = *[] {
        auto* made = new TScratch;
        TScratch& s = *made;
        s.folder = std::filesystem::temp_directory_path() /
                   ("cca-stream-fuzz-" + std::to_string(static_cast<long>(getpid())));
        std::filesystem::create_directories(s.folder);
        s.dataFile = (s.folder / "data.bin").string();
        s.writtenFile = (s.folder / "written.bin").string();
        static const char kText[] = "first line\r\nsecond\0third\nlast without end";
        std::string data(kText, sizeof kText - 1);
        data.resize(300, '\x7f');
        std::FILE* f = std::fopen(s.dataFile.c_str(), "wb");
        Require(f != nullptr, "the scratch file can be written");
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Scratch().folder, ignored);
        });
        return made;
    }();
    return scratch;
}

// The size of the written scratch file on disk; 0 when there is none.
std::uintmax_t ScratchFileBytes() {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(Scratch().writtenFile, error);
    return error ? 0 : size;
}

// Removes what the input before wrote.
void ResetScratchFiles() {
    std::remove(Scratch().writtenFile.c_str());
}

// The URL to open for the input's URL: a URL with a scheme as it is; a path inside the
// scratch folder; empty (refused) for a path that could leave it. Backslashes count as
// slashes, and a zero byte ends a part, because the file layer may see the path that way.
std::string ConfineUrl(const std::string& url) {
    if (url.find("::") != std::string::npos) return url;
    std::string parts = url;
    std::replace(parts.begin(), parts.end(), '\\', '/');
    std::size_t start = 0;
    while (start <= parts.size()) {
        std::size_t end = parts.find('/', start);
        if (end == std::string::npos) end = parts.size();
        std::string part = parts.substr(start, end - start);
        part = part.substr(0, part.find('\0'));
        if (part == "..") return std::string();
        start = end + 1;
    }
    return Scratch().folder.string() + "/" + url;
}

// A count read from the program: mostly small, sometimes negative or large, as streams are
// asked for.
int ReadCount(fuzz::TByteReader& program) {
    const int kind = program.Byte();
    const int low = program.Word();
    switch (kind % 8) {
        case 0:
            return -low;
        case 1:
            return low * 16;
        case 2:
            return static_cast<int>(static_cast<std::uint32_t>(low) << 16 | program.Byte());
        default:
            return low % 64;
    }
}

// Checks what every stream promises about a plain read, and how a seekable stream's position
// follows it.
void CheckedRead(const StreamRef& stream, int count) {
    const int clamped = std::clamp(count, -1, kMaxTransfer);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::max(clamped, 1)));
    const int before = StreamPosition(stream);
    const int n = StreamRead(stream, buffer.data(), clamped);
    Require(n >= 0 && n <= std::max(clamped, 0), "a read moves between 0 and count bytes");
    if (before >= 0) Require(StreamPosition(stream) == before + n, "a read advances the position");
}

// Runs one operation on slot `current`; the operations raise the engine's errors freely.
void Step(fuzz::TByteReader& program, StreamRef (&slots)[kSlots], int& current,
          const std::string& url) {
    StreamRef& stream = slots[current];
    const int op = program.Byte();
    switch (op % 24) {
        case 0:
            current = program.Byte() % kSlots;
            break;
        case 1:
            CheckedRead(stream, ReadCount(program));
            break;
        case 2: {
            const int to = ReadCount(program);
            const int at = StreamSeek(stream, to);
            Require(at == StreamPosition(stream), "a seek reports the position it leaves");
            break;
        }
        case 3: {
            const int position = StreamPosition(stream);
            const int length = StreamLength(stream);
            const int atEnd = StreamAtEnd(stream);
            Require(atEnd == 0 || atEnd == 1, "AtEnd answers 0 or 1");
            if (position >= 0 && std::dynamic_pointer_cast<TRamStream>(stream)) {
                Require(position <= length, "a memory stream never moves past its end");
            }
            break;
        }
        case 4: {
            const int count = std::clamp(ReadCount(program), -16, kMaxTransfer);
            std::vector<unsigned char> buffer(static_cast<std::size_t>(std::max(count, 1)));
            ReadExactly(stream, buffer.data(), count);
            break;
        }
        case 5:
            SkipBytes(stream, std::min(ReadCount(program), kMaxTransfer));
            break;
        case 6:
            switch (program.Byte() % 6) {
                case 0:
                    ReadU8(stream);
                    break;
                case 1:
                    ReadU16(stream);
                    break;
                case 2:
                    ReadI32(stream);
                    break;
                case 3:
                    ReadI64(stream);
                    break;
                case 4:
                    ReadF32(stream);
                    break;
                default:
                    ReadF64(stream);
                    break;
            }
            break;
        case 7:
            ReadTextLine(stream);
            break;
        case 8:
            ReadText(stream, std::min(ReadCount(program), kMaxTransfer));
            break;
        case 9:
            // A seek far past the end and a write make a sparse scratch file of up to 2 GB;
            // reading all of that is the file's size, not a fault, and only costs time. The
            // file is measured on disk: a wrapper or a stream open for writing may not know
            // its length.
            if (ScratchFileBytes() <= kMaxWholeRead) LoadAllBytes(stream);
            break;
        case 10: {
            unsigned char sink[512];
            const StreamRef to = CreateRamStream(static_cast<void*>(sink), sizeof sink, 0, 1);
            CopyStream(stream, to, std::min(ReadCount(program), kMaxTransfer));
            break;
        }
        case 11: {
            const StreamRef to = OpenForWriting(Scratch().writtenFile);
            const int count = std::min(ReadCount(program), kMaxTransfer);
            CopyBytes(stream, to, count, ReadCount(program));
            break;
        }
        case 12: {
            const std::string bytes = program.Take(program.Byte() % 32);
            const int n = StreamWrite(stream, bytes.data(), static_cast<int>(bytes.size()));
            Require(n >= 0 && n <= static_cast<int>(bytes.size()), "a write moves at most count");
            break;
        }
        case 13: {
            const std::string bytes = program.Take(program.Byte() % 32);
            WriteExactly(stream, bytes.data(), static_cast<int>(bytes.size()));
            break;
        }
        case 14:
            switch (program.Byte() % 7) {
                case 0:
                    WriteU8(stream, ReadCount(program));
                    break;
                case 1:
                    WriteU16(stream, ReadCount(program));
                    break;
                case 2:
                    WriteI32(stream, ReadCount(program));
                    break;
                case 3:
                    WriteI64(stream, std::int64_t{ReadCount(program)} << 20);
                    break;
                case 4:
                    WriteF32(stream, static_cast<float>(ReadCount(program)) / 3.0f);
                    break;
                case 5:
                    WriteF64(stream, static_cast<double>(ReadCount(program)) / 7.0);
                    break;
                default:
                    WriteTextLine(stream, program.Take(program.Byte() % 16));
                    break;
            }
            break;
        case 15:
            WriteText(stream, program.Take(program.Byte() % 16));
            break;
        case 16:
            StreamClose(stream);
            break;
        case 17:
            StreamFlush(stream);
            break;
        case 18:
            slots[2] = program.Byte() % 2 ? OpenForReading(stream) : WrapStream(stream);
            break;
        case 19:
            slots[0] = OpenForReading(url);
            break;
        case 20: {
            const int mode = program.Byte() % 3;
            slots[2] = OpenUrlStream(Scratch().writtenFile, mode != 1, mode != 0);
            break;
        }
        case 21:
            Require(OpenForReading(url + std::string(1, '\0') + "x") == nullptr,
                    "a URL with a NUL inside opens nothing");
            break;
        case 22:
            if (stream) stream->SkipBytes(std::min(ReadCount(program), kMaxTransfer));
            break;
        default:
            stream = nullptr;
            break;
    }
}

// What opening url must give, whatever else happens: a URL with a scheme never reaches a
// file, and "incbin::name" serves exactly the registered bytes.
void CheckOpening(const std::string& url, const StreamRef& opened) {
    const std::size_t sep = url.find("::");
    if (sep == std::string::npos) return;
    Require(!std::dynamic_pointer_cast<TCStream>(opened), "a URL with a scheme opens no file");
    std::string scheme = url.substr(0, sep);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (scheme != "incbin") return;
    const std::string name = url.substr(sep + 2);
    // A zero byte ends the name as the registry reads it.
    const unsigned char* expected = EmbeddedData(name.c_str());
    const std::vector<unsigned char> bytes = LoadAllBytes(url);
    if (!expected || name.find('\0') != std::string::npos) return;
    Require(static_cast<int>(bytes.size()) == EmbeddedSize(name.c_str()) &&
                std::equal(bytes.begin(), bytes.end(), expected),
            "incbin:: serves the registered bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool started = [] {
        game::RegisterGameAssets();
        StartStreams();
        return true;
    }();
    (void)started;
    ResetScratchFiles();

    const auto* end = static_cast<const std::uint8_t*>(std::memchr(data, '\n', size));
    const std::size_t urlSize =
        std::min(end ? static_cast<std::size_t>(end - data) : size, kMaxUrl);
    const std::string url = ConfineUrl(std::string(reinterpret_cast<const char*>(data), urlSize));
    const std::size_t programStart = end ? static_cast<std::size_t>(end - data) + 1 : size;
    std::vector<std::uint8_t> program(data + programStart, data + size);
    std::vector<std::uint8_t> memory = program;

    StreamRef slots[kSlots];
    try {
        if (!url.empty()) {
            slots[0] = OpenForReading(url);
            CheckOpening(url, slots[0]);
        }
    } catch (const TVardoException&) {
    }
    slots[1] =
        CreateRamStream(static_cast<void*>(memory.data()), static_cast<int>(memory.size()), 1, 1);

    fuzz::TByteReader steps(program.data(), program.size());
    int current = 0;
    while (steps.More()) {
        try {
            Step(steps, slots, current, url);
        } catch (const TVardoException&) {
            // Null streams, short reads and refused writes raise; the program goes on.
        }
    }
    for (StreamRef& stream : slots) {
        if (stream) stream->Close();
    }
    return 0;
}
