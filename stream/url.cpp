// Opening streams by URL: the factory list, URL resolution, whole-stream reads and copies.
#include "stream/url.h"

#include <algorithm>

#include "stream/file_stream.h"
#include "stream/ram_stream.h"
#include "stream/std_stream.h"

namespace vdl {

namespace {

// The factory list, newest first. A plain pointer so that it is valid before any
// constructor and after every destructor has run.
TStreamFactory* factoryHead = nullptr;
bool streamsStarted = false;

constexpr int kLoadChunk = 1024;
constexpr int kDefaultCopyBuffer = 4096;

// Only the letters A-Z change.
std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::vector<unsigned char> ReadToEnd(const StreamRef& stream) {
    std::vector<unsigned char> data;
    if (!stream) return data;
    std::vector<unsigned char> buffer(kLoadChunk);
    int used = 0;
    while (!stream->AtEnd()) {
        if (used == static_cast<int>(buffer.size())) buffer.resize(buffer.size() * 3 / 2);
        const int n = stream->Read(buffer.data() + used, static_cast<int>(buffer.size()) - used);
        if (n <= 0) break;
        used += n;
    }
    stream->Close();
    buffer.resize(static_cast<std::size_t>(used));
    return buffer;
}

}  // namespace

TStreamFactory::TStreamFactory() : next_(factoryHead) {
    factoryHead = this;
}

TStreamFactory::~TStreamFactory() {
    for (TStreamFactory** at = &factoryHead; *at; at = &(*at)->next_) {
        if (*at == this) {
            *at = next_;
            return;
        }
    }
}

TStreamFactory* FirstStreamFactory() {
    return factoryHead;
}

void StartStreams() {
    if (streamsStarted) return;
    streamsStarted = true;
    static TRamStreamFactory ramFactory;
    StandardIOStream();
}

StreamRef OpenUrlStream(const std::string& url, int readable, int writeable) {
    StartStreams();
    // The file system and the embedded registry read names up to the first NUL: a URL with
    // one inside would open something other than what it names.
    if (url.find('\0') != std::string::npos) return nullptr;
    std::string protocol;
    std::string path;
    if (!url.empty()) {
        const std::size_t sep = url.find("::");
        if (sep == std::string::npos) return OpenFileStream(url, readable, writeable);
        protocol = LowerAscii(url.substr(0, sep));
        path = url.substr(sep + 2);
    }
    for (TStreamFactory* f = factoryHead; f; f = f->Next()) {
        if (StreamRef stream = f->CreateStream(url, protocol, path, readable, writeable)) {
            return stream;
        }
    }
    return nullptr;
}

StreamRef OpenUrlStream(const StreamRef& stream, int readable, int writeable) {
    if (!stream) return OpenUrlStream(std::string(), readable, writeable);
    return WrapStream(stream);
}

StreamRef OpenForReading(const std::string& url) {
    return OpenUrlStream(url, 1, 0);
}
StreamRef OpenForReading(const StreamRef& stream) {
    return OpenUrlStream(stream, 1, 0);
}
StreamRef OpenForWriting(const std::string& url) {
    return OpenUrlStream(url, 0, 1);
}
StreamRef OpenForWriting(const StreamRef& stream) {
    return OpenUrlStream(stream, 0, 1);
}

// NOTE: the buffer starts at 1024 bytes and grows by half whenever it fills; a read that
// comes back empty also ends the loop, so a stream that cannot tell its end still finishes.
std::vector<unsigned char> LoadAllBytes(const std::string& url) {
    return ReadToEnd(OpenForReading(url));
}

std::vector<unsigned char> LoadAllBytes(const StreamRef& stream) {
    return ReadToEnd(OpenForReading(stream));
}

// NOTE: a buffer size below 1 would never move a byte; it falls back to 4096.
void CopyStream(const StreamRef& from, const StreamRef& to, int bufferSize) {
    if (bufferSize < 1) bufferSize = kDefaultCopyBuffer;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(bufferSize));
    while (!StreamAtEnd(from)) {
        const int n = StreamRead(from, buffer.data(), bufferSize);
        if (n <= 0) break;
        WriteExactly(to, buffer.data(), n);
    }
}

void CopyBytes(const StreamRef& from, const StreamRef& to, int count, int bufferSize) {
    if (bufferSize < 1) bufferSize = kDefaultCopyBuffer;
    std::vector<unsigned char> buffer(
        static_cast<std::size_t>(std::min(bufferSize, std::max(count, 1))));
    int left = count;
    while (left > 0) {
        const int chunk = std::min(left, static_cast<int>(buffer.size()));
        ReadExactly(from, buffer.data(), chunk);
        WriteExactly(to, buffer.data(), chunk);
        left -= chunk;
    }
}

}  // namespace vdl
