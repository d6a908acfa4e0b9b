// The PNG target with every chunk CRC and the image data's Adler-32 recomputed before
// loading, so that mutations reach the decoder instead of stopping at the first checksum.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> png(data, data + size);
    vdl::fuzz::FixPngChecksums(png);
    vdl::fuzz::RunPng(png.data(), png.size());
    return 0;
}
