// Memory streams and the "incbin" scheme.
#include "stream/ram_stream.h"

#include <algorithm>
#include <cstring>

#include "stream/embedded.h"

namespace vdl {

TRamStream::TRamStream(unsigned char* buffer, int size, int readable, int writeable)
    : size_(buffer && size > 0 ? size : 0),
      buffer_(buffer),
      readable_(readable ? 1 : 0),
      writeable_(writeable ? 1 : 0) {}

int TRamStream::SeekTo(int pos) {
    pos_ = std::clamp(pos, 0, size_);
    return pos_;
}

int TRamStream::Read(void* buffer, int count) {
    if (count <= 0 || !readable_) return 0;
    const int n = std::min(count, size_ - pos_);
    if (n <= 0) return 0;
    std::memcpy(buffer, buffer_ + pos_, static_cast<std::size_t>(n));
    pos_ += n;
    return n;
}

int TRamStream::Write(const void* buffer, int count) {
    if (count <= 0 || !writeable_) return 0;
    const int n = std::min(count, size_ - pos_);
    if (n <= 0) return 0;
    std::memcpy(buffer_ + pos_, buffer, static_cast<std::size_t>(n));
    pos_ += n;
    return n;
}

std::shared_ptr<TRamStream> CreateRamStream(void* buffer, int size, int readable, int writeable) {
    return std::make_shared<TRamStream>(static_cast<unsigned char*>(buffer), size, readable,
                                        writeable);
}

// NOTE: the view never writes, so casting away const is safe here.
std::shared_ptr<TRamStream> CreateRamStream(const void* buffer, int size, int readable) {
    return std::make_shared<TRamStream>(
        const_cast<unsigned char*>(static_cast<const unsigned char*>(buffer)), size, readable, 0);
}

StreamRef TRamStreamFactory::CreateStream(const std::string&, const std::string& protocol,
                                          const std::string& path, int readable, int writeable) {
    if (protocol != "incbin" || writeable) return nullptr;
    const unsigned char* data = EmbeddedData(path.c_str());
    if (!data) return nullptr;
    std::shared_ptr<TRamStream> stream =
        CreateRamStream(data, EmbeddedSize(path.c_str()), readable);
    stream->MarkEmbedded();
    return stream;
}

}  // namespace vdl
