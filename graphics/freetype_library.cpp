// Every FreeType module this FreeType was built with (graphics/freetype_library.h).
#include "graphics/freetype_library.h"

namespace vdl {

FT_Error NewFreeTypeLibrary(FT_Library* library) {
    return FT_Init_FreeType(library);
}

}  // namespace vdl
