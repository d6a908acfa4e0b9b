// File streams over the C library's stdio.
//
// A TCStream owns its FILE: Close (or destruction) flushes and closes it. Paths may use
// backslashes; they are turned into slashes before the file is opened.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "stream/stream.h"

namespace vdl {

// Open modes of a file stream.
enum : int { kFileRead = 1, kFileWrite = 2, kFileReadWrite = 3 };

// A stream over a C library file.
class TCStream : public TStream {
public:
    // Takes ownership of cfile; pos and size are read from the file.
    TCStream(std::FILE* cfile, int mode);
    ~TCStream() override;
    TCStream(const TCStream&) = delete;
    TCStream& operator=(const TCStream&) = delete;

    // The offset and length as last known (-1 and 0 for a file that cannot seek).
    int Position() override;
    int Length() override;
    // Seeks to pos and returns the offset the file then reports.
    int SeekTo(int pos) override;
    // Flushes the file if it is open.
    void Flush() override;
    // Flushes and closes the file; pos and size become 0. A second Close does nothing.
    void Close() override;
    // Reads up to count bytes; 0 once closed.
    int Read(void* buffer, int count) override;
    // Writes up to count bytes, growing the length when the end is passed; 0 once closed.
    int Write(const void* buffer, int count) override;

    // The file, or null once closed.
    std::FILE* CFile() const { return cfile_; }
    // kFileRead, kFileWrite or kFileReadWrite.
    int Mode() const { return mode_; }

private:
    // Which way the file moved bytes last, so a change of direction can be separated by
    // the seek that stdio requires between them.
    enum class LastOp { kNone, kRead, kWrite };
    void Turn(LastOp next);

    int pos_ = 0;
    int size_ = 0;
    std::FILE* cfile_ = nullptr;
    int mode_ = 0;
    LastOp last_ = LastOp::kNone;
};

// Opens a file: read and write ("r+b") when both flags are set, write ("wb", truncating)
// when only writeable is, else read ("rb"). Null when the file cannot be opened.
std::shared_ptr<TCStream> OpenFileStream(const std::string& path, int readable, int writeable);

// A stream that takes ownership of an open C file; null when cfile is null.
std::shared_ptr<TCStream> WrapCFile(std::FILE* cfile, int mode);

}  // namespace vdl
