// File streams over the C library's stdio.
#include "stream/file_stream.h"

#include <algorithm>

namespace vdl {

TCStream::TCStream(std::FILE* cfile, int mode) : cfile_(cfile), mode_(mode) {
    if (!cfile_) return;
    pos_ = static_cast<int>(std::ftell(cfile_));
    if (pos_ < 0) {
        // A pipe or terminal: it cannot seek, so it reports -1 and never reaches an end.
        pos_ = -1;
        return;
    }
    std::fseek(cfile_, 0, SEEK_END);
    size_ = static_cast<int>(std::ftell(cfile_));
    std::fseek(cfile_, pos_, SEEK_SET);
}

TCStream::~TCStream() {
    Close();
}

int TCStream::Position() {
    return pos_;
}
int TCStream::Length() {
    return size_;
}

int TCStream::SeekTo(int pos) {
    if (!cfile_ || pos_ < 0) return pos_;
    std::fseek(cfile_, pos, SEEK_SET);
    pos_ = static_cast<int>(std::ftell(cfile_));
    last_ = LastOp::kNone;
    return pos_;
}

void TCStream::Flush() {
    if (cfile_) std::fflush(cfile_);
}

void TCStream::Close() {
    if (!cfile_) return;
    std::fflush(cfile_);
    std::fclose(cfile_);
    cfile_ = nullptr;
    pos_ = 0;
    size_ = 0;
}

// NOTE: stdio forbids reading straight after writing (and the reverse) on one file without
// a seek in between; a seek to the current offset separates them without moving.
void TCStream::Turn(LastOp next) {
    if (last_ != LastOp::kNone && last_ != next) std::fseek(cfile_, 0, SEEK_CUR);
    last_ = next;
}

int TCStream::Read(void* buffer, int count) {
    if (!cfile_ || count <= 0) return 0;
    Turn(LastOp::kRead);
    const auto n = static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(count), cfile_));
    if (pos_ >= 0) pos_ += n;
    return n;
}

int TCStream::Write(const void* buffer, int count) {
    if (!cfile_ || count <= 0) return 0;
    Turn(LastOp::kWrite);
    const auto n =
        static_cast<int>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), cfile_));
    if (pos_ >= 0) pos_ += n;
    size_ = std::max(size_, pos_);
    return n;
}

std::shared_ptr<TCStream> OpenFileStream(const std::string& path, int readable, int writeable) {
    // fopen would stop at a NUL and open another file than the one named.
    if (path.find('\0') != std::string::npos) return nullptr;
    const char* cmode = "rb";
    int mode = kFileRead;
    if (readable && writeable) {
        cmode = "r+b";
        mode = kFileReadWrite;
    } else if (writeable) {
        cmode = "wb";
        mode = kFileWrite;
    }
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return WrapCFile(std::fopen(native.c_str(), cmode), mode);
}

std::shared_ptr<TCStream> WrapCFile(std::FILE* cfile, int mode) {
    if (!cfile) return nullptr;
    return std::make_shared<TCStream>(cfile, mode);
}

}  // namespace vdl
