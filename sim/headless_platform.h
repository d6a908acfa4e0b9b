// The runner's platform: the game with no window and no sound.
#pragma once

#include "game/platform.h"

namespace sim {

// Nothing to start first; no sound output at all, so nothing is said of its absence; the
// headless renderer's 800 x 600 surface, without pacing.
const game::GamePlatform& HeadlessPlatform();

}  // namespace sim
