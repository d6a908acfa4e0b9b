// The desktop the shipped program runs on: SDL's window, input and sound output.
//
// Only the program and the runner's watch mode link this unit; the rest of the game knows
// the machine only through GamePlatform.
#pragma once

#include "game/screens.h"

namespace game {

// Sound through the mixer to SDL's audio output, and an OpenGL window at 60 Hz with SDL's
// event pump and line smoothing on. Each SDL backend is installed when its step runs.
const GamePlatform& DesktopPlatform();

}  // namespace game
