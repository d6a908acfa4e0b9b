// The desktop platform: SDL2 for the window, input and sound, OpenGL for drawing.
//
// The game draws with the GL 1.1 renderer. CCA_RENDERER=gles2 in the environment selects the
// OpenGL ES 2 renderer instead (the one the web build draws with), to test and compare it on
// the desktop; CCA_RENDERER=gl names the default.
#include <GL/gl.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "game/platform.h"
#include "game/world.h"
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
        return vdl::OpenGraphics(kArenaWidth, kArenaHeight, 0, 60, 0);
    }
#endif
    vdl::StartGLRenderer();
    std::shared_ptr<vdl::TGraphics> window = vdl::OpenGraphics(kArenaWidth, kArenaHeight, 0, 60, 0);
    // The game's lines are smoothed: set straight on the context the window made current.
    if (window) glEnable(GL_LINE_SMOOTH);
    return window;
}

}  // namespace

// SDL's backends are installed first, before the game has threads of its own; the sound
// output and the window open when their steps run.
const GamePlatform& ShippedPlatform() {
    static const GamePlatform desktop{.start = &vdl::InstallSDLBackends,
                                      .installSound = &vdl::InstallSdlWaveOut,
                                      .openWindow = &OpenDesktopWindow};
    return desktop;
}

}  // namespace game
