// Memory streams and the "incbin" scheme.
//
// A TRamStream is a view of a block of memory it does not own: closing or destroying it
// leaves the memory as it was. TRamStreamFactory serves "incbin::name" URLs from the
// registry of embedded assets, read-only.
#pragma once

#include <memory>
#include <string>

#include "stream/stream.h"
#include "stream/url.h"

namespace vdl {

// A stream over a memory block owned by someone else.
class TRamStream : public TStream {
public:
    // A view of size bytes at buffer; a null buffer or a negative size gives an empty view.
    TRamStream(unsigned char* buffer, int size, int readable, int writeable);

    // The offset into the block and the block's size.
    int Position() override { return pos_; }
    int Length() override { return size_; }
    // Clamps pos into 0..Length, stores and returns it.
    int SeekTo(int pos) override;
    // Copies up to count bytes from the current position; 0 when count <= 0 or not readable.
    int Read(void* buffer, int count) override;
    // Copies up to count bytes to the current position; 0 when count <= 0 or not writeable.
    int Write(const void* buffer, int count) override;

    // The flags the stream was made with, 0 or 1.
    int Readable() const { return readable_; }
    int Writeable() const { return writeable_; }

    // Whether the memory is an embedded asset ("incbin::"), one of the program's own files.
    bool Embedded() const { return embedded_; }
    void MarkEmbedded() { embedded_ = true; }

private:
    int pos_ = 0;
    int size_ = 0;
    unsigned char* buffer_ = nullptr;
    int readable_ = 0;
    int writeable_ = 0;
    bool embedded_ = false;
};

// A memory stream over size bytes at buffer.
std::shared_ptr<TRamStream> CreateRamStream(void* buffer, int size, int readable, int writeable);

// A read-only memory stream over size bytes at buffer.
std::shared_ptr<TRamStream> CreateRamStream(const void* buffer, int size, int readable);

// Serves "incbin::name" from the embedded-asset registry; refuses writing.
class TRamStreamFactory : public TStreamFactory {
public:
    // A read-only memory stream over the asset named by path when protocol is "incbin".
    StreamRef CreateStream(const std::string& url, const std::string& protocol,
                           const std::string& path, int readable, int writeable) override;
};

}  // namespace vdl
