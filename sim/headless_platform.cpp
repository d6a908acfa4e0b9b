// The headless platform: the runner's, which draws nothing and plays nothing.
#include "sim/headless_platform.h"

#include <memory>

#include "game/world.h"
#include "graphics/headless_renderer.h"

namespace sim {

namespace {

std::shared_ptr<vdl::TGraphics> OpenHeadlessWindow() {
    return vdl::OpenHeadlessGraphics(game::kArenaWidth, game::kArenaHeight);
}

}  // namespace

const game::GamePlatform& HeadlessPlatform() {
    static const game::GamePlatform headless{.openWindow = &OpenHeadlessWindow};
    return headless;
}

}  // namespace sim
