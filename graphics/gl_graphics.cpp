// The installed OpenGL context driver.
#include "graphics/gl_graphics.h"

#include <utility>

#include "runtime/errors.h"

namespace vdl {

namespace {
// Never destroyed: contexts may still be switched while the process exits.
std::shared_ptr<TGLGraphicsDriver>& Installed() {
    static auto* driver = new std::shared_ptr<TGLGraphicsDriver>;
    return *driver;
}
}  // namespace

std::shared_ptr<TGLGraphicsDriver> GLContextDriver() {
    const std::shared_ptr<TGLGraphicsDriver>& driver = Installed();
    if (!driver) RuntimeError("GLGraphicsDriver: no OpenGL context driver was installed");
    return driver;
}

std::shared_ptr<TGLGraphicsDriver> SetGLContextDriver(std::shared_ptr<TGLGraphicsDriver> driver) {
    return std::exchange(Installed(), std::move(driver));
}

std::shared_ptr<TGraphics> OpenGLGraphics(int width, int height, int depth, int hz, int flags) {
    SelectGraphicsDriver(GLContextDriver(), kGraphicsBackBuffer);
    return OpenGraphics(width, height, depth, hz, flags);
}

}  // namespace vdl
