#include "platform/error_box.h"

#ifdef _WIN32
#include <SDL.h>

#include "runtime/program.h"
#endif

namespace vdl {

void ShowErrorBox([[maybe_unused]] const std::string& text) {
#ifdef _WIN32
    const std::string title = AppTitle().empty() ? "Error" : AppTitle();
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
#endif
}

}  // namespace vdl
