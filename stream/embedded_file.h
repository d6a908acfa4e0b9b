// One file compiled into the program: the build's embedding step emits a table of these.
#pragma once

namespace vdl {

struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    int size;
};

}  // namespace vdl
