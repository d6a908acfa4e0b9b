// PNG bytes through the pixmap loaders; a decoded pixmap is converted to every pixel format,
// put through the pixmap operations and drawn on the headless renderer.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vdl::fuzz::RunPng(data, size);
    return 0;
}
