// The browser platform: SDL2's Emscripten backend, the batching OpenGL ES 2 renderer.
#include "game/web.h"

#include <memory>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "graphics/gles2_renderer.h"
#include "graphics/graphics.h"
#include "platform/browser.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_gl_driver.h"

namespace game {

namespace {
void InstallWebSound() {
    vdl::SetWaveOutOpener(&vdl::OpenSdlWaveOut);
}

// The page gets its thread back around the WebGL context's creation, the longest step.
std::shared_ptr<vdl::TGraphics> OpenWebCanvas() {
    vdl::YieldToBrowser();
    vdl::InstallSDLBackends();
    vdl::StartGLES2Renderer();
    vdl::SelectGraphicsDriver(vdl::GLES2Driver2D(), vdl::kGraphicsBackBuffer);
    vdl::SetDrawBeforeYield([] { vdl::GLES2Driver2D()->DrawBatch(); });
    std::shared_ptr<vdl::TGraphics> canvas = vdl::OpenGraphics(800, 600, 0, 60, 0);
    vdl::YieldToBrowser();
    return canvas;
}
}  // namespace

const GamePlatform& WebPlatform() {
    static const GamePlatform web{&vdl::InstallPageFiles, &InstallWebSound, &OpenWebCanvas};
    return web;
}

}  // namespace game
