// Helpers shared by the stream tests.
#pragma once

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "stream/stream.h"

namespace streamtest {

// A new, empty folder of the caller's own in the temporary folder; its name starts with
// prefix.
inline std::filesystem::path MakeTempDir(const std::string& prefix) {
    std::random_device random;
    for (;;) {
        const auto dir =
            std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(dir)) return dir;
    }
}

// A readable stream over fixed bytes that hands out at most `chunk` bytes per Read and,
// when `seekable` is false, cannot tell its position or length (like a pipe).
class TrickleStream : public vdl::TStream {
public:
    TrickleStream(std::vector<unsigned char> bytes, int chunk, bool seekable)
        : bytes_(std::move(bytes)), chunk_(chunk), seekable_(seekable) {}

    int Position() override { return seekable_ ? pos_ : -1; }
    int Length() override { return seekable_ ? static_cast<int>(bytes_.size()) : 0; }
    int Read(void* buffer, int count) override {
        int n = std::min({count, chunk_, static_cast<int>(bytes_.size()) - pos_});
        if (n <= 0) return 0;
        std::copy_n(bytes_.begin() + pos_, n, static_cast<unsigned char*>(buffer));
        pos_ += n;
        reads_++;
        return n;
    }
    int Reads() const { return reads_; }

private:
    std::vector<unsigned char> bytes_;
    int chunk_;
    bool seekable_;
    int pos_ = 0;
    int reads_ = 0;
};

// n bytes counting 0, 1, 2, ... modulo 251 (a prime, so chunk edges never line up).
inline std::vector<unsigned char> Pattern(int n) {
    std::vector<unsigned char> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i % 251);
    return v;
}

}  // namespace streamtest
