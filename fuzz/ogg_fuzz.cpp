// Ogg Vorbis bytes through the sample loaders; a decoded sample is converted to every sample
// format and one second of it is mixed through the fixed-point mixer.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vdl::fuzz::RunOgg(data, size);
    return 0;
}
