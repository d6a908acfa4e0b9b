// The executable: runs the game on the platform it was built for and turns a run-time error
// into one line and an exit code. In the browser the page shows that line and what the exit
// code means.
#include <exception>
#include <string>

#include "game/platform.h"
#include "game/screens.h"
#include "platform/error_box.h"
#include "runtime/phase_times.h"
#include "runtime/program.h"

int main() {
    vdl::MarkPhase("main");
    try {
        game::GameMain(game::ShippedPlatform());
    } catch (const std::exception& e) {
        vdl::PrintErrorLine(std::string("candycane-arena: ") + e.what());
        // Stops the mixer and closes the window before the process ends.
        vdl::RunExitRoutines();
        vdl::ShowErrorBox(std::string("The game cannot go on: ") + e.what());
        return 1;
    }
}
