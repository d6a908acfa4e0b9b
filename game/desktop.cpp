// The desktop platform: SDL2 for the window, input and sound, OpenGL for drawing.
//
// The game draws with the GL 1.1 renderer. CCA_RENDERER=gles2 in the environment selects the
// OpenGL ES 2 renderer instead (the one the web build draws with), to test and compare it on
// the desktop; CCA_RENDERER=gl names the default.
#include "game/desktop.h"

#include <GL/gl.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "graphics/gl_graphics.h"
#include "graphics/gl_renderer.h"
#include "graphics/graphics.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_gl_driver.h"
#include "runtime/errors.h"
#if CCA_HAVE_GLES2
#include "graphics/gles2_renderer.h"
#else
#define CCA_HAVE_GLES2 0
#endif

namespace game {

namespace {
void InstallDesktopSound() {
    vdl::SetWaveOutOpener(&vdl::OpenSdlWaveOut);
}

#if CCA_HAVE_GLES2
constexpr const char* kRendererNames = "gl or gles2";
#else
constexpr const char* kRendererNames = "gl";
#endif

// The renderer CCA_RENDERER names: "gl" (also when it is unset) or, where this build has it,
// "gles2". Raises an error for any other name.
std::string ChosenRenderer() {
    const char* named = std::getenv("CCA_RENDERER");
    const std::string name = named && *named ? named : "gl";
    if (name == "gl" || (CCA_HAVE_GLES2 && name == "gles2")) return name;
    vdl::RuntimeError("CCA_RENDERER=" + name + " names no renderer of this build (" +
                      kRendererNames + ")");
}

std::shared_ptr<vdl::TGraphics> OpenDesktopWindow() {
    const std::string renderer = ChosenRenderer();
#if CCA_HAVE_GLES2
    if (renderer == "gles2") {
        // ES 2 has no line smoothing: the lines stay aliased.
        vdl::StartGLES2Renderer();
        vdl::SelectGraphicsDriver(vdl::GLES2Driver2D(), 2);
        return vdl::OpenGraphics(800, 600, 0, 60, 0);
    }
#endif
    vdl::StartGLRenderer();
    vdl::SelectGraphicsDriver(vdl::GLDriver2D(), 2);
    std::shared_ptr<vdl::TGraphics> window = vdl::OpenGraphics(800, 600, 0, 60, 0);
    // The game's lines are smoothed: set straight on the context the window made current.
    if (window) glEnable(GL_LINE_SMOOTH);
    return window;
}
}  // namespace

const GamePlatform& DesktopPlatform() {
    static const GamePlatform desktop{&vdl::InstallSDLBackends, &InstallDesktopSound,
                                      &OpenDesktopWindow};
    return desktop;
}

}  // namespace game
