// The Ogg target with every page checksum recomputed before loading, so that mutations reach
// the Vorbis decoder instead of making libogg drop the page.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> ogg(data, data + size);
    vdl::fuzz::FixOggChecksums(ogg);
    vdl::fuzz::RunOgg(ogg.data(), ogg.size());
    return 0;
}
