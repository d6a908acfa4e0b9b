// The watch mode: the one part of the runner that opens the desktop's window and sound.
#include "sim/watch.h"

#include "game/platform.h"
#include "game/screens.h"

namespace sim {

void Watch(InputSource& source) {
    DriveNextGame(source);
    game::GameMain(game::ShippedPlatform());
}

}  // namespace sim
