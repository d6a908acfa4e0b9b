// Byte streams: the base behaviour of TIO and TStream, the wrappers, the module functions.
#include "stream/stream.h"

#include <cstring>

#include "runtime/errors.h"

namespace vdl {

namespace {

constexpr int kSkipChunk = 1024;

// Little-endian encoding of the low `bytes` bytes of v.
template <typename T>
void PutLittleEndian(unsigned char* out, T v, int bytes) {
    auto u = static_cast<std::uint64_t>(v);
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<unsigned char>(u >> (8 * i));
}

std::uint64_t GetLittleEndian(const unsigned char* in, int bytes) {
    std::uint64_t u = 0;
    for (int i = 0; i < bytes; ++i)
        u |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    return u;
}

TStream& Deref(const StreamRef& stream) {
    if (!stream) throw TNullObjectException();
    return *stream;
}

}  // namespace

// ---- TIO -------------------------------------------------------------------------------

int TIO::AtEnd() {
    return Position() == Length() ? 1 : 0;
}
int TIO::Position() {
    return -1;
}
int TIO::Length() {
    return 0;
}
int TIO::SeekTo(int) {
    return -1;
}
void TIO::Flush() {}
void TIO::Close() {}
int TIO::Read(void*, int) {
    RuntimeError("Stream is not readable");
}
int TIO::Write(const void*, int) {
    RuntimeError("Stream is not writeable");
}

// ---- TStream ---------------------------------------------------------------------------

// NOTE: a stream that ends before count bytes arrive raises instead of reporting count with
// the tail of the buffer left as it was; every reader built on this relies on that.
int TStream::ReadExactly(void* buffer, int count) {
    auto* out = static_cast<unsigned char*>(buffer);
    int done = 0;
    while (done < count && !AtEnd()) {
        const int n = Read(out + done, count - done);
        if (n <= 0) throw TStreamReadException();
        done += n;
    }
    if (done < count) throw TStreamReadException();
    return count;
}

int TStream::WriteExactly(const void* buffer, int count) {
    const auto* in = static_cast<const unsigned char*>(buffer);
    int done = 0;
    while (done < count) {
        const int n = Write(in + done, count - done);
        if (n <= 0) throw TStreamWriteException();
        done += n;
    }
    return count;
}

int TStream::SkipBytes(int count) {
    unsigned char scratch[kSkipChunk];
    int left = count;
    while (left > 0) {
        const int chunk = left < kSkipChunk ? left : kSkipChunk;
        ReadExactly(scratch, chunk);
        left -= chunk;
    }
    return count;
}

int TStream::ReadU8() {
    unsigned char b[1];
    ReadExactly(b, 1);
    return b[0];
}

void TStream::WriteU8(int v) {
    unsigned char b[1];
    PutLittleEndian(b, v, 1);
    WriteExactly(b, 1);
}

int TStream::ReadU16() {
    unsigned char b[2];
    ReadExactly(b, 2);
    return static_cast<int>(GetLittleEndian(b, 2));
}

void TStream::WriteU16(int v) {
    unsigned char b[2];
    PutLittleEndian(b, v, 2);
    WriteExactly(b, 2);
}

int TStream::ReadI32() {
    unsigned char b[4];
    ReadExactly(b, 4);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(GetLittleEndian(b, 4)));
}

void TStream::WriteI32(int v) {
    unsigned char b[4];
    PutLittleEndian(b, v, 4);
    WriteExactly(b, 4);
}

std::int64_t TStream::ReadI64() {
    unsigned char b[8];
    ReadExactly(b, 8);
    return static_cast<std::int64_t>(GetLittleEndian(b, 8));
}

void TStream::WriteI64(std::int64_t v) {
    unsigned char b[8];
    PutLittleEndian(b, v, 8);
    WriteExactly(b, 8);
}

float TStream::ReadF32() {
    const auto bits = static_cast<std::uint32_t>(ReadI32());
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void TStream::WriteF32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    WriteI32(static_cast<std::int32_t>(bits));
}

double TStream::ReadF64() {
    const auto bits = static_cast<std::uint64_t>(ReadI64());
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void TStream::WriteF64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    WriteI64(static_cast<std::int64_t>(bits));
}

// NOTE: a stream that cannot tell where it ends (Position -1) ends the line when a read
// comes back empty, so the loop never spins on it.
std::string TStream::ReadTextLine() {
    std::string line;
    unsigned char c;
    while (!AtEnd()) {
        if (Read(&c, 1) != 1) break;
        if (c == 0 || c == 10) break;
        if (c != 13) line.push_back(static_cast<char>(c));
    }
    return line;
}

int TStream::WriteTextLine(const std::string& text) {
    std::string bytes = text;
    bytes.push_back('\r');
    bytes.push_back('\n');
    const int count = static_cast<int>(bytes.size());
    int done = 0;
    while (done < count) {
        const int n = Write(bytes.data() + done, count - done);
        if (n <= 0) break;
        done += n;
    }
    return done == count ? 1 : 0;
}

std::string TStream::ReadText(int length) {
    if (length <= 0) return std::string();
    std::string text(static_cast<std::size_t>(length), '\0');
    ReadExactly(text.data(), length);
    return text;
}

void TStream::WriteText(const std::string& text) {
    WriteExactly(text.data(), static_cast<int>(text.size()));
}

// ---- TStreamWrapper ----------------------------------------------------------------------

TStream& TStreamWrapper::Target() {
    return Deref(inner_);
}

int TStreamWrapper::AtEnd() {
    return Target().AtEnd();
}
int TStreamWrapper::Position() {
    return Target().Position();
}
int TStreamWrapper::Length() {
    return Target().Length();
}
int TStreamWrapper::SeekTo(int pos) {
    return Target().SeekTo(pos);
}
void TStreamWrapper::Flush() {
    Target().Flush();
}
void TStreamWrapper::Close() {
    Target().Close();
}
int TStreamWrapper::Read(void* buffer, int count) {
    return Target().Read(buffer, count);
}
int TStreamWrapper::Write(const void* buffer, int count) {
    return Target().Write(buffer, count);
}
int TStreamWrapper::ReadExactly(void* buffer, int count) {
    return Target().ReadExactly(buffer, count);
}
int TStreamWrapper::WriteExactly(const void* buffer, int count) {
    return Target().WriteExactly(buffer, count);
}
int TStreamWrapper::SkipBytes(int count) {
    return Target().SkipBytes(count);
}
int TStreamWrapper::ReadU8() {
    return Target().ReadU8();
}
void TStreamWrapper::WriteU8(int v) {
    Target().WriteU8(v);
}
int TStreamWrapper::ReadU16() {
    return Target().ReadU16();
}
void TStreamWrapper::WriteU16(int v) {
    Target().WriteU16(v);
}
int TStreamWrapper::ReadI32() {
    return Target().ReadI32();
}
void TStreamWrapper::WriteI32(int v) {
    Target().WriteI32(v);
}
std::int64_t TStreamWrapper::ReadI64() {
    return Target().ReadI64();
}
void TStreamWrapper::WriteI64(std::int64_t v) {
    Target().WriteI64(v);
}
float TStreamWrapper::ReadF32() {
    return Target().ReadF32();
}
void TStreamWrapper::WriteF32(float v) {
    Target().WriteF32(v);
}
double TStreamWrapper::ReadF64() {
    return Target().ReadF64();
}
void TStreamWrapper::WriteF64(double v) {
    Target().WriteF64(v);
}
std::string TStreamWrapper::ReadTextLine() {
    return Target().ReadTextLine();
}
int TStreamWrapper::WriteTextLine(const std::string& text) {
    return Target().WriteTextLine(text);
}
std::string TStreamWrapper::ReadText(int length) {
    return Target().ReadText(length);
}
void TStreamWrapper::WriteText(const std::string& text) {
    Target().WriteText(text);
}

void TStreamWrapper::SetInner(StreamRef inner) {
    inner_ = std::move(inner);
}

void TStreamStream::Close() {
    SetInner(nullptr);
}

std::shared_ptr<TStreamStream> WrapStream(StreamRef stream) {
    if (!stream) return nullptr;
    return std::make_shared<TStreamStream>(std::move(stream));
}

// ---- Module functions ----------------------------------------------------------------------

int StreamAtEnd(const StreamRef& stream) {
    return Deref(stream).AtEnd();
}
int StreamPosition(const StreamRef& stream) {
    return Deref(stream).Position();
}
int StreamLength(const StreamRef& stream) {
    return Deref(stream).Length();
}
int StreamSeek(const StreamRef& stream, int pos) {
    return Deref(stream).SeekTo(pos);
}
void StreamFlush(const StreamRef& stream) {
    Deref(stream).Flush();
}
void StreamClose(const StreamRef& stream) {
    Deref(stream).Close();
}
int StreamRead(const StreamRef& stream, void* buffer, int count) {
    return Deref(stream).Read(buffer, count);
}
int StreamWrite(const StreamRef& stream, const void* buffer, int count) {
    return Deref(stream).Write(buffer, count);
}
int ReadExactly(const StreamRef& stream, void* buffer, int count) {
    return Deref(stream).ReadExactly(buffer, count);
}
int WriteExactly(const StreamRef& stream, const void* buffer, int count) {
    return Deref(stream).WriteExactly(buffer, count);
}
int SkipBytes(const StreamRef& stream, int count) {
    return Deref(stream).SkipBytes(count);
}
int ReadU8(const StreamRef& stream) {
    return Deref(stream).ReadU8();
}
void WriteU8(const StreamRef& stream, int v) {
    Deref(stream).WriteU8(v);
}
int ReadU16(const StreamRef& stream) {
    return Deref(stream).ReadU16();
}
void WriteU16(const StreamRef& stream, int v) {
    Deref(stream).WriteU16(v);
}
int ReadI32(const StreamRef& stream) {
    return Deref(stream).ReadI32();
}
void WriteI32(const StreamRef& stream, int v) {
    Deref(stream).WriteI32(v);
}
std::int64_t ReadI64(const StreamRef& stream) {
    return Deref(stream).ReadI64();
}
void WriteI64(const StreamRef& stream, std::int64_t v) {
    Deref(stream).WriteI64(v);
}
float ReadF32(const StreamRef& stream) {
    return Deref(stream).ReadF32();
}
void WriteF32(const StreamRef& stream, float v) {
    Deref(stream).WriteF32(v);
}
double ReadF64(const StreamRef& stream) {
    return Deref(stream).ReadF64();
}
void WriteF64(const StreamRef& stream, double v) {
    Deref(stream).WriteF64(v);
}
std::string ReadTextLine(const StreamRef& stream) {
    return Deref(stream).ReadTextLine();
}
int WriteTextLine(const StreamRef& stream, const std::string& text) {
    return Deref(stream).WriteTextLine(text);
}
std::string ReadText(const StreamRef& stream, int length) {
    return Deref(stream).ReadText(length);
}
void WriteText(const StreamRef& stream, const std::string& text) {
    Deref(stream).WriteText(text);
}

}  // namespace vdl
