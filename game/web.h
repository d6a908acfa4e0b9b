// The browser the web build runs in: SDL's Emscripten backend for the canvas, input and
// sound, WebGL for drawing.
//
// Only the web build's program links this unit, in place of game/desktop.
#pragma once

#include "game/screens.h"

namespace game {

// Sound through the mixer to SDL's audio output (ticked from its callback, the page having
// no threads), and an 800 x 600 WebGL canvas at 60 Hz drawn by the batching renderer, with
// SDL's event pump and a clock whose waits yield to the page. The files the program leaves
// out (the title picture, the music, the directions picture) come from the page.
const GamePlatform& WebPlatform();

}  // namespace game
