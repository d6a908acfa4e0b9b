// Every GL test draws into SDL windows and contexts and pumps SDL's events, as the game does.
#include <gtest/gtest.h>

#include <memory>

#include "graphics/gl_graphics.h"
#include "platform/sdl_gl_driver.h"
#include "platform/sdl_system_driver.h"
#include "system/system_driver.h"

namespace {

class SDLPlatform : public ::testing::Environment {
public:
    void SetUp() override {
        vdl::SetSystemDriver(vdl::CreateSDLSystemDriver());
        vdl::SetGLContextDriver(std::make_shared<vdl::TSDLGLDriver>());
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new SDLPlatform);

}  // namespace
