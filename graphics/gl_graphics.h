// The OpenGL context driver the GL renderer draws through.
//
// A TGLGraphicsDriver opens graphics that are OpenGL contexts; every context shares its
// textures with one hidden context, so textures made there (between two ToggleSharedContext
// calls) are visible in every window. The window system provides the driver: start-up
// installs one (the SDL one is platform/sdl_gl_driver.h) before the GL renderer opens
// anything.
#pragma once

#include <memory>

#include "graphics/graphics.h"

namespace vdl {

// A graphics driver whose graphics are OpenGL contexts sharing their textures.
class TGLGraphicsDriver : public TGraphicsDriver {
public:
    // Switches between the shared context and the current graphics' context.
    virtual void ToggleSharedContext() = 0;
};

// The installed GL context driver. Raises a runtime error when none was installed.
std::shared_ptr<TGLGraphicsDriver> GLContextDriver();

// Installs the GL context driver (null removes it). Returns the previous one.
std::shared_ptr<TGLGraphicsDriver> SetGLContextDriver(std::shared_ptr<TGLGraphicsDriver> driver);

// Selects the GL context driver (with back buffer) and opens graphics with it.
std::shared_ptr<TGraphics> OpenGLGraphics(int width, int height, int depth, int hz, int flags);

}  // namespace vdl
