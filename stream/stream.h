// Byte streams.
//
// TIO is the raw interface every stream answers (position, length, seeking, raw reads and
// writes); TStream adds exact transfers, little-endian typed values and text lines on top
// of those eight operations. TStreamWrapper forwards everything to an inner stream, and
// TStreamStream is a wrapper whose Close only lets go of the inner stream. Every operation
// is also a module function taking the stream first. Text is one byte per character
// (Latin-1) and travels in std::string unchanged.
//
// Depends on runtime/ (Object, the run-time errors, which include the stream exceptions that
// the exact transfers raise).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/errors.h"
#include "runtime/object.h"

namespace vdl {

// The raw stream interface. The base behaviour is that of a stream that can do nothing.
class TIO : public Object {
public:
    // 1 when Position equals Length, else 0.
    virtual int AtEnd();
    // The current offset, or -1 for a stream that cannot seek.
    virtual int Position();
    // The length in bytes (0 when unknown).
    virtual int Length();
    // Moves to an absolute offset and returns the new one (-1: cannot seek).
    virtual int SeekTo(int pos);
    // Pushes buffered output on.
    virtual void Flush();
    // Releases what the stream holds; further transfers move nothing.
    virtual void Close();
    // Reads up to count bytes; returns how many were read, 0 when nothing more can be.
    // The base raises "Stream is not readable".
    virtual int Read(void* buffer, int count);
    // Writes up to count bytes; returns how many were written, 0 when nothing more can be.
    // The base raises "Stream is not writeable".
    virtual int Write(const void* buffer, int count);
};

// A stream with exact transfers, typed values (little-endian) and text.
class TStream : public TIO {
public:
    // Reads exactly count bytes or raises TStreamReadException; returns count.
    virtual int ReadExactly(void* buffer, int count);
    // Writes exactly count bytes or raises TStreamWriteException; returns count.
    virtual int WriteExactly(const void* buffer, int count);
    // Reads and discards exactly count bytes or raises TStreamReadException; returns count.
    virtual int SkipBytes(int count);

    // One byte, read as 0-255; the writer keeps the low 8 bits of v.
    virtual int ReadU8();
    virtual void WriteU8(int v);
    // Two bytes, read as 0-65535; the writer keeps the low 16 bits of v.
    virtual int ReadU16();
    virtual void WriteU16(int v);
    // Four bytes, signed.
    virtual int ReadI32();
    virtual void WriteI32(int v);
    // Eight bytes, signed.
    virtual std::int64_t ReadI64();
    virtual void WriteI64(std::int64_t v);
    // An IEEE single.
    virtual float ReadF32();
    virtual void WriteF32(float v);
    // An IEEE double.
    virtual double ReadF64();
    virtual void WriteF64(double v);

    // Bytes up to a line feed, a zero byte or the end; carriage returns are dropped.
    virtual std::string ReadTextLine();
    // The text's bytes, then 13, 10; 1 when every byte was written, else 0.
    virtual int WriteTextLine(const std::string& text);
    // Exactly length bytes as text (raises TStreamReadException when fewer remain).
    virtual std::string ReadText(int length);
    // The text's bytes, exactly (raises TStreamWriteException when they do not all fit).
    virtual void WriteText(const std::string& text);
};

using StreamRef = std::shared_ptr<TStream>;

// Forwards every operation to an inner stream. With no inner stream every operation raises
// the null-object error.
class TStreamWrapper : public TStream {
public:
    explicit TStreamWrapper(StreamRef inner = nullptr) : inner_(std::move(inner)) {}

    // Each operation below is the inner stream's.
    int AtEnd() override;
    int Position() override;
    int Length() override;
    int SeekTo(int pos) override;
    void Flush() override;
    void Close() override;
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;

    int ReadExactly(void* buffer, int count) override;
    int WriteExactly(const void* buffer, int count) override;
    int SkipBytes(int count) override;
    int ReadU8() override;
    void WriteU8(int v) override;
    int ReadU16() override;
    void WriteU16(int v) override;
    int ReadI32() override;
    void WriteI32(int v) override;
    std::int64_t ReadI64() override;
    void WriteI64(std::int64_t v) override;
    float ReadF32() override;
    void WriteF32(float v) override;
    double ReadF64() override;
    void WriteF64(double v) override;
    std::string ReadTextLine() override;
    int WriteTextLine(const std::string& text) override;
    std::string ReadText(int length) override;
    void WriteText(const std::string& text) override;

    // Replaces the stream that operations go to (null detaches).
    virtual void SetInner(StreamRef inner);
    // The stream that operations go to, or null.
    const StreamRef& Inner() const { return inner_; }

private:
    TStream& Target();

    StreamRef inner_;
};

// A wrapper whose Close detaches from the inner stream and leaves it open.
class TStreamStream : public TStreamWrapper {
public:
    using TStreamWrapper::TStreamWrapper;

    // Detaches from the inner stream without closing it.
    void Close() override;
};

// A TStreamStream over stream, or null when stream is null.
std::shared_ptr<TStreamStream> WrapStream(StreamRef stream);

// Closes a stream when it goes out of scope, also when an error is on its way out: the
// loaders open a URL, read, and must close what they opened whatever happens.
class TStreamCloser {
public:
    explicit TStreamCloser(StreamRef stream) : stream_(std::move(stream)) {}
    TStreamCloser(const TStreamCloser&) = delete;
    TStreamCloser& operator=(const TStreamCloser&) = delete;
    ~TStreamCloser() {
        if (stream_) stream_->Close();
    }

private:
    StreamRef stream_;
};

// Module functions: each forwards to the operation of the same meaning on stream and raises
// the null-object error when stream is null.
int StreamAtEnd(const StreamRef& stream);
int StreamPosition(const StreamRef& stream);
int StreamLength(const StreamRef& stream);
int StreamSeek(const StreamRef& stream, int pos);
void StreamFlush(const StreamRef& stream);
void StreamClose(const StreamRef& stream);
int StreamRead(const StreamRef& stream, void* buffer, int count);
int StreamWrite(const StreamRef& stream, const void* buffer, int count);
int ReadExactly(const StreamRef& stream, void* buffer, int count);
int WriteExactly(const StreamRef& stream, const void* buffer, int count);
int SkipBytes(const StreamRef& stream, int count);
int ReadU8(const StreamRef& stream);
void WriteU8(const StreamRef& stream, int v);
int ReadU16(const StreamRef& stream);
void WriteU16(const StreamRef& stream, int v);
int ReadI32(const StreamRef& stream);
void WriteI32(const StreamRef& stream, int v);
std::int64_t ReadI64(const StreamRef& stream);
void WriteI64(const StreamRef& stream, std::int64_t v);
float ReadF32(const StreamRef& stream);
void WriteF32(const StreamRef& stream, float v);
double ReadF64(const StreamRef& stream);
void WriteF64(const StreamRef& stream, double v);
std::string ReadTextLine(const StreamRef& stream);
int WriteTextLine(const StreamRef& stream, const std::string& text);
std::string ReadText(const StreamRef& stream, int length);
void WriteText(const StreamRef& stream, const std::string& text);

}  // namespace vdl
