// The TrueType modules alone (graphics/freetype_library.h), as FT_Init_FreeType would make
// the library but for FT_Add_Default_Modules, which names every module and so links them
// all. What a hinted TrueType font rendered FT_RENDER_MODE_NORMAL needs: the truetype driver
// (outlines and the bytecode interpreter), sfnt (the tables) and the smooth renderer. Left
// out: every other font format's driver, psaux, pshinter, the autohinter (FreeType uses it on
// a TrueType glyph only when asked to or when the font has no instructions at all),
// psnames (only glyph names and fonts without a Unicode cmap need it), the monochrome,
// SDF and SVG renderers. tests/page_freetype renders every glyph of the game's font with this
// set and with the whole one and finds them the same.
#include <ft2build.h>
#include FT_MODULE_H

#include <cstdlib>
#include <initializer_list>

#include "graphics/freetype_library.h"

// The modules' class records, added in the order FT_Add_Default_Modules adds them. Each driver's
// and renderer's record begins with the FT_Module_Class that FT_Add_Module reads: its flags say
// which kind of record it is.
extern "C" {
extern const FT_Module_Class tt_driver_class;
extern const FT_Module_Class sfnt_module_class;
extern const FT_Module_Class ft_smooth_renderer_class;
}

namespace vdl {

namespace {

// FreeType's own allocator (ftsystem.c) is the C library's, as here; the library handle is
// made once and kept, so the record lives as long as the program.
void* Allocate(FT_Memory, long size) {
    return std::malloc(static_cast<size_t>(size));
}

void Release(FT_Memory, void* block) {
    std::free(block);
}

void* Reallocate(FT_Memory, long, long newSize, void* block) {
    return std::realloc(block, static_cast<size_t>(newSize));
}

FT_MemoryRec_ memory{nullptr, Allocate, Release, Reallocate};

}  // namespace

FT_Error NewTrueTypeFreeTypeLibrary(FT_Library* library) {
    FT_Library made = nullptr;
    FT_Error error = FT_New_Library(&memory, &made);
    if (error) return error;
    for (const FT_Module_Class* module :
         {&tt_driver_class, &sfnt_module_class, &ft_smooth_renderer_class}) {
        error = FT_Add_Module(made, module);
        if (error) {
            FT_Done_Library(made);
            return error;
        }
    }
    FT_Set_Default_Properties(made);
    *library = made;
    return 0;
}

FT_Error NewFreeTypeLibrary(FT_Library* library) {
    return NewTrueTypeFreeTypeLibrary(library);
}

}  // namespace vdl
