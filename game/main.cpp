// The executable: runs the game and turns a run-time error into one line and an exit code.
#include <cstdio>
#include <exception>
#include <string>

#include "game/desktop.h"
#include "game/screens.h"
#include "platform/error_box.h"
#include "runtime/program.h"

int main() {
    try {
        game::GameMain(game::DesktopPlatform());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "candycane-arena: %s\n", e.what());
        // Stops the mixer and closes the window before the process ends.
        vdl::RunExitRoutines();
        vdl::ShowErrorBox(std::string("The game cannot go on: ") + e.what());
        return 1;
    }
}
