// The executable: runs the game and turns a run-time error into one line and an exit code.
// In the browser the page shows that line and what the exit code means.
#include <exception>
#include <string>

#include "game/screens.h"
#ifdef __EMSCRIPTEN__
#include "game/web.h"
#else
#include "game/desktop.h"
#endif
#include "platform/error_box.h"
#include "runtime/phase_times.h"
#include "runtime/program.h"

int main() {
    vdl::MarkPhase("main");
    try {
#ifdef __EMSCRIPTEN__
        game::GameMain(game::WebPlatform());
#else
        game::GameMain(game::DesktopPlatform());
#endif
    } catch (const std::exception& e) {
        vdl::PrintErrorLine(std::string("candycane-arena: ") + e.what());
        // Stops the mixer and closes the window before the process ends.
        vdl::RunExitRoutines();
        vdl::ShowErrorBox(std::string("The game cannot go on: ") + e.what());
        return 1;
    }
}
