// The watch mode: the autopilot, or any input source, playing in the real window.
#pragma once

#include "sim/runner.h"

namespace sim {

// Runs the game in its real window at 60 Hz with source's input; returns only when the game
// ends the program (its window closed, Escape in the menu).
[[noreturn]] void Watch(InputSource& source);

}  // namespace sim
