// The machine the game runs on, as the few steps start-up takes it through.
//
// Each platform is one file that fills in the same steps: game/desktop.cpp (SDL's window,
// input and sound, OpenGL), game/web.cpp (the same in a browser, drawn with WebGL) and the
// runner's sim/headless_platform.cpp (no window, no sound). The build links the program with
// the one it ships on, desktop or web, whose ShippedPlatform() start-up is given; the rest of
// the game knows the machine only through these steps.
#pragma once

#include <memory>

#include "graphics/graphics.h"

namespace game {

// What start-up needs from the machine it runs on. Each platform names the steps it has
// (designated initialisers); the rest stay null.
struct GamePlatform {
    // Starts the platform's layer before the game starts threads of its own; null when
    // nothing has to come first. Starting SDL may fork a helper (the session bus's launcher):
    // a child forked while another thread holds the allocator's lock can hang before it runs
    // the helper, and the program then waits for it for ever.
    void (*start)() = nullptr;
    // Installs the sound output for the audio layer to open. Null on a platform that never
    // plays sound (the headless runner), which says nothing of it.
    void (*installSound)() = nullptr;
    // Starts the renderer and opens the 800 x 600 surface at 60 Hz; null when it cannot.
    std::shared_ptr<vdl::TGraphics> (*openWindow)() = nullptr;
    // Whether the sound output may open now; null: at once. A browser lets a page sound only
    // after the player's first key, click or touch, so a page opens it then.
    bool (*soundAllowed)() = nullptr;
    // Told once, when the title menu's first frame is shown; null when nothing waits for it.
    // A page shows its own loading screen until then, and fetches what the menu can do
    // without.
    void (*menuShown)() = nullptr;
};

// The platform this build of the program ships on: the desktop's or the browser's.
const GamePlatform& ShippedPlatform();

}  // namespace game
