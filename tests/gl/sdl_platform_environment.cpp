// Every GL test draws into SDL windows and contexts and pumps SDL's events, as the game does.
#include <gtest/gtest.h>

#include "platform/sdl_gl_driver.h"

namespace {

class SDLPlatform : public ::testing::Environment {
public:
    void SetUp() override { vdl::InstallSDLBackends(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new SDLPlatform);

}  // namespace
