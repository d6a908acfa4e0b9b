#include "runtime/errors.h"

namespace vdl {

void RuntimeError(const std::string& text) {
    throw TRuntimeException(text);
}

}  // namespace vdl
