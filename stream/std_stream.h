// The standard-IO stream: reads standard input, writes and flushes standard output.
#pragma once

#include <memory>

#include "stream/stream.h"

namespace vdl {

// Standard input and output as one stream. It cannot seek; Close does nothing.
class TStandardIO : public TStream {
public:
    // Flushes standard output.
    void Flush() override;
    // Reads standard input.
    int Read(void* buffer, int count) override;
    // Writes standard output.
    int Write(const void* buffer, int count) override;
};

// The process's standard-IO stream, created on first use.
const std::shared_ptr<TStandardIO>& StandardIOStream();

}  // namespace vdl
