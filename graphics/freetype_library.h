// The FreeType library handle the fonts module makes, and which of FreeType's modules it
// registers: a program chooses by what it links.
//
// vdl_graphics's own definition (freetype_library.cpp) is FT_Init_FreeType: every module
// FreeType was built with. A program that also links vdl_freetype_truetype, an object
// library (freetype_truetype.cpp), takes that library's definition instead, since the
// linker reads a program's object files before it looks in the archives and never pulls
// vdl_graphics's definition in beside it: only what TrueType outlines need (the truetype
// driver with its bytecode interpreter, sfnt and the smooth renderer), so the linker leaves
// the rest of FreeType out. The web page links it; its one font is a hinted TrueType font.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

namespace vdl {

// A new FreeType library with this program's modules and FreeType's default properties
// (FREETYPE_PROPERTIES in the environment); FT_Done_FreeType releases it.
FT_Error NewFreeTypeLibrary(FT_Library* library);

// A new FreeType library with the TrueType modules alone (vdl_freetype_truetype); linking it
// makes it NewFreeTypeLibrary's too.
FT_Error NewTrueTypeFreeTypeLibrary(FT_Library* library);

}  // namespace vdl
