// The game's assets as compiled into the program by the build, in registration order.
#pragma once

#include "stream/embedded_file.h"

namespace vdl::generated {
extern const EmbeddedFile gameAssets[];
extern const int gameAssetsCount;
}  // namespace vdl::generated
