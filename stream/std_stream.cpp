// The standard-IO stream.
#include "stream/std_stream.h"

#include <cstdio>

namespace vdl {

void TStandardIO::Flush() {
    std::fflush(stdout);
}

int TStandardIO::Read(void* buffer, int count) {
    if (count <= 0) return 0;
    return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(count), stdin));
}

int TStandardIO::Write(const void* buffer, int count) {
    if (count <= 0) return 0;
    return static_cast<int>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), stdout));
}

const std::shared_ptr<TStandardIO>& StandardIOStream() {
    static const std::shared_ptr<TStandardIO> stream = std::make_shared<TStandardIO>();
    return stream;
}

}  // namespace vdl
