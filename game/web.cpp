// The browser platform: SDL2's Emscripten backend for the canvas, input and sound, and the
// batching OpenGL ES 2 renderer on WebGL.
//
// The sound is ticked from SDL's audio callback, the page having no threads; the clock's
// waits yield to the page, and every yield first draws what the renderer has batched. The
// files the program leaves out (the title picture, the music, the directions picture) come
// from the page. A lost WebGL context is waited for, and the renderer remakes what it had
// once it is back.
#include <memory>

#include "game/platform.h"
#include "game/world.h"
#include "graphics/gles2_renderer.h"
#include "graphics/graphics.h"
#include "platform/browser.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_gl_driver.h"

namespace game {

namespace {

// NOTE: the backends are installed here, with the canvas, not in a step of their own: the
// page has no threads for them to come before. The page gets its thread back around the
// WebGL context's creation, the longest step of start-up.
std::shared_ptr<vdl::TGraphics> OpenWebCanvas() {
    vdl::YieldToBrowser();
    vdl::InstallSDLBackends();
    vdl::StartGLES2Renderer();
    vdl::SetDrawBeforeYield([] { vdl::GLES2Driver2D()->DrawBatch(); });
    vdl::WatchBrowserGLContext([] { vdl::GLES2Driver2D()->RestoreLostContext(); });
    std::shared_ptr<vdl::TGraphics> canvas = vdl::OpenGraphics(kArenaWidth, kArenaHeight, 0, 60, 0);
    vdl::YieldToBrowser();
    return canvas;
}

}  // namespace

const GamePlatform& ShippedPlatform() {
    static const GamePlatform web{.start = &vdl::InstallPageFiles,
                                  .installSound = &vdl::InstallSdlWaveOut,
                                  .openWindow = &OpenWebCanvas,
                                  .soundAllowed = &vdl::PageGestured,
                                  .menuShown = &vdl::TellPageMenuShown};
    return web;
}

}  // namespace game
