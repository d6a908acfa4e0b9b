// The desktop the shipped program runs on: SDL's window, input and sound output.
//
// Only the program and the runner's watch mode link this unit; the rest of the game knows
// the machine only through GamePlatform.
#pragma once

#include "game/screens.h"

namespace game {

// Sound through the mixer to SDL's audio output, and an OpenGL window at 60 Hz with SDL's
// event pump and line smoothing on. SDL's backends are installed first, before the game has
// threads of its own; the sound output and the window open when their steps run.
const GamePlatform& DesktopPlatform();

}  // namespace game
