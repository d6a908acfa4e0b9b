// The installed OpenGL context driver.
#include "graphics/gl_graphics.h"

#include <utility>

#include "runtime/errors.h"

namespace vdl {

namespace {
// Never destroyed: contexts may still be switched while the process exits.
std::shared_ptr<TGLGraphicsDriver>& Installed(GLContextApi api) {
    static auto* drivers = new std::shared_ptr<TGLGraphicsDriver>[2];
    return drivers[api == GLContextApi::ES2 ? 1 : 0];
}
}  // namespace

std::shared_ptr<TGLGraphicsDriver> GLContextDriver(GLContextApi api) {
    const std::shared_ptr<TGLGraphicsDriver>& driver = Installed(api);
    if (!driver) RuntimeError("GLGraphicsDriver: no OpenGL context driver was installed");
    return driver;
}

std::shared_ptr<TGLGraphicsDriver> SetGLContextDriver(std::shared_ptr<TGLGraphicsDriver> driver,
                                                      GLContextApi api) {
    return std::exchange(Installed(api), std::move(driver));
}

std::shared_ptr<TGraphics> OpenGLGraphics(int width, int height, int depth, int hz, int flags) {
    SelectGraphicsDriver(GLContextDriver(), kGraphicsBackBuffer);
    return OpenGraphics(width, height, depth, hz, flags);
}

}  // namespace vdl
