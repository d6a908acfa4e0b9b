// The OpenGL context driver the GL renderer draws through.
//
// A TGLGraphicsDriver opens graphics that are OpenGL contexts; every context shares its
// textures with one hidden context, so textures made there (between two ToggleSharedContext
// calls) are visible in every window. The window system provides the driver: start-up
// installs one for each kind of context (the SDL ones are platform/sdl_gl_driver.h) before a
// GL renderer opens anything. The kinds never mix: each has its own shared context, so a
// texture is seen only by the windows of the kind it was made for.
#pragma once

#include <memory>

#include "graphics/graphics.h"

namespace vdl {

// The OpenGL APIs a context can offer: the desktop one (fixed function, what the GL 1.1
// renderer draws with) or OpenGL ES 2 (shaders only, the subset WebGL 1 has).
enum class GLContextApi { Desktop, ES2 };

// A graphics driver whose graphics are OpenGL contexts sharing their textures.
class TGLGraphicsDriver : public TGraphicsDriver {
public:
    // Switches between the shared context and the current graphics' context.
    virtual void ToggleSharedContext() = 0;
};

// The installed GL context driver for api. Raises a runtime error when none was installed.
std::shared_ptr<TGLGraphicsDriver> GLContextDriver(GLContextApi api = GLContextApi::Desktop);

// Installs the GL context driver for api (null removes it). Returns the previous one.
std::shared_ptr<TGLGraphicsDriver> SetGLContextDriver(std::shared_ptr<TGLGraphicsDriver> driver,
                                                      GLContextApi api = GLContextApi::Desktop);

// Switches to the shared context of api for as long as it lives, and back.
class SharedContextScope {
public:
    explicit SharedContextScope(GLContextApi api) : driver_(GLContextDriver(api)) {
        driver_->ToggleSharedContext();
    }
    ~SharedContextScope() { driver_->ToggleSharedContext(); }
    SharedContextScope(const SharedContextScope&) = delete;
    SharedContextScope& operator=(const SharedContextScope&) = delete;

private:
    std::shared_ptr<TGLGraphicsDriver> driver_;
};

// Selects the GL context driver (with back buffer) and opens graphics with it.
std::shared_ptr<TGraphics> OpenGLGraphics(int width, int height, int depth, int hz, int flags);

}  // namespace vdl
