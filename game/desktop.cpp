// The desktop platform: SDL2 for the window, input and sound, OpenGL 1.1 for drawing.
#include "game/desktop.h"

#include <GL/gl.h>

#include <memory>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "graphics/gl_graphics.h"
#include "graphics/gl_renderer.h"
#include "graphics/graphics.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_gl_driver.h"

namespace game {

namespace {
bool StartDesktopSound() {
    vdl::SetWaveOutOpener(&vdl::OpenSdlWaveOut);
    return vdl::InitAudio();
}

std::shared_ptr<vdl::TGraphics> OpenDesktopWindow() {
    vdl::InstallSDLBackends();
    vdl::StartGLRenderer();
    vdl::SelectGraphicsDriver(vdl::GLDriver2D(), 2);
    std::shared_ptr<vdl::TGraphics> window = vdl::OpenGraphics(800, 600, 0, 60, 0);
    // The game's lines are smoothed: set straight on the context the window made current.
    if (window) glEnable(GL_LINE_SMOOTH);
    return window;
}
}  // namespace

const GamePlatform& DesktopPlatform() {
    static const GamePlatform desktop{&StartDesktopSound, &OpenDesktopWindow};
    return desktop;
}

}  // namespace game
