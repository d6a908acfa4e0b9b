// Source fonts: the loader list.
#include "graphics/font.h"

namespace vdl {

namespace {

// Module state: the head of the loader list (newest first).
std::shared_ptr<TFontLoader> loaders;

}  // namespace

void AddFontLoader(const std::shared_ptr<TFontLoader>& loader) {
    if (!loader) return;
    for (TFontLoader* l = loaders.get(); l; l = l->next.get()) {
        if (l == loader.get()) return;
    }
    loader->next = loaders;
    loaders = loader;
}

FontRef LoadFont(const std::string& source, int size, int style) {
    for (TFontLoader* l = loaders.get(); l; l = l->next.get()) {
        if (FontRef font = l->LoadFont(source, size, style)) return font;
    }
    return nullptr;
}

}  // namespace vdl
