// The OpenGL context driver over the SDL window and context layer.
#include "platform/sdl_gl_driver.h"

#include "platform/browser.h"
#include "platform/gl_context.h"
#include "platform/sdl_system_driver.h"
#include "platform/window_arena.h"
#include "system/system_driver.h"

namespace vdl {

namespace {
// The most display modes read from the platform.
constexpr int kMaxDisplayModes = 1024;
}  // namespace

TGLGraphics::~TGLGraphics() {
    Close();
}

std::shared_ptr<TGraphicsDriver> TGLGraphics::Driver() {
    return driver_;
}

void TGLGraphics::GetSettings(int& width, int& height, int& depth, int& hz, int& flags) {
    if (!record_) {
        width = height = depth = hz = flags = 0;
        return;
    }
    GetGLContextSettings(record_, width, height, depth, hz, flags);
}

void TGLGraphics::GetDrawableSize(int& width, int& height) {
    GetGLDrawableSize(record_, width, height);
}

void TGLGraphics::Close() {
    if (!record_) return;
    CloseGLContext(record_);
    record_ = nullptr;
}

std::vector<TGraphicsMode> TSDLGLDriver::GraphicsModes() {
    return EnumDisplayModes(kMaxDisplayModes);
}

std::shared_ptr<TGraphics> TSDLGLDriver::AttachGraphics(std::intptr_t widgetHandle, int flags) {
    GLContextRecord* record = AttachGLContext(widgetHandle, flags, api_);
    if (!record) return nullptr;
    return std::make_shared<TGLGraphics>(record, shared_from_this());
}

std::shared_ptr<TGraphics> TSDLGLDriver::CreateGraphics(int width, int height, int depth, int hz,
                                                        int flags) {
    GLContextRecord* record = CreateGLWindow(width, height, depth, hz, flags, api_);
    if (!record) return nullptr;
    return std::make_shared<TGLGraphics>(record, shared_from_this());
}

void TSDLGLDriver::SetGraphics(const std::shared_ptr<TGraphics>& g) {
    auto* gl = dynamic_cast<TGLGraphics*>(g.get());
    MakeGLContextCurrent(gl ? gl->Record() : nullptr);
}

void TSDLGLDriver::Flip(int sync) {
    SwapGLBuffers(sync);
    YieldFrameToBrowser();
}

void TSDLGLDriver::ToggleSharedContext() {
    vdl::ToggleSharedContext(api_);
}

void InstallSDLBackends() {
    SetSystemDriver(CreateSDLSystemDriver());
    SetGLContextDriver(std::make_shared<TSDLGLDriver>(GLContextApi::Desktop),
                       GLContextApi::Desktop);
    SetGLContextDriver(std::make_shared<TSDLGLDriver>(GLContextApi::ES2), GLContextApi::ES2);
    InstallBrowserClock();
}

}  // namespace vdl
