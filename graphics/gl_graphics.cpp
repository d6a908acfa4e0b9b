// The OpenGL graphics driver over the native context layer.
#include "graphics/gl_graphics.h"

#include "graphics/platform/gl_context.h"

namespace vdl {

namespace {
// The most display modes read from the platform.
constexpr int kMaxDisplayModes = 1024;
}  // namespace

TGLGraphics::~TGLGraphics() {
    Close();
}

std::shared_ptr<TGraphicsDriver> TGLGraphics::Driver() {
    return GLContextDriver();
}

void TGLGraphics::GetSettings(int& width, int& height, int& depth, int& hz, int& flags) {
    if (!record_) {
        width = height = depth = hz = flags = 0;
        return;
    }
    GetGLContextSettings(record_, width, height, depth, hz, flags);
}

void TGLGraphics::Close() {
    if (!record_) return;
    CloseGLContext(record_);
    record_ = nullptr;
}

std::vector<TGraphicsMode> TGLGraphicsDriver::GraphicsModes() {
    return EnumDisplayModes(kMaxDisplayModes);
}

std::shared_ptr<TGraphics> TGLGraphicsDriver::AttachGraphics(std::intptr_t widgetHandle,
                                                             int flags) {
    GLContextRecord* record = AttachGLContext(widgetHandle, flags);
    if (!record) return nullptr;
    return std::make_shared<TGLGraphics>(record);
}

std::shared_ptr<TGraphics> TGLGraphicsDriver::CreateGraphics(int width, int height, int depth,
                                                             int hz, int flags) {
    GLContextRecord* record = CreateGLWindow(width, height, depth, hz, flags);
    if (!record) return nullptr;
    return std::make_shared<TGLGraphics>(record);
}

void TGLGraphicsDriver::SetGraphics(const std::shared_ptr<TGraphics>& g) {
    auto* gl = dynamic_cast<TGLGraphics*>(g.get());
    MakeGLContextCurrent(gl ? gl->Record() : nullptr);
}

void TGLGraphicsDriver::Flip(int sync) {
    SwapGLBuffers(sync);
}

void TGLGraphicsDriver::ToggleSharedContext() {
    vdl::ToggleSharedContext();
}

std::shared_ptr<TGLGraphicsDriver> GLContextDriver() {
    static const std::shared_ptr<TGLGraphicsDriver>* driver =
        new std::shared_ptr<TGLGraphicsDriver>(std::make_shared<TGLGraphicsDriver>());
    return *driver;
}

std::shared_ptr<TGraphics> OpenGLGraphics(int width, int height, int depth, int hz, int flags) {
    SelectGraphicsDriver(GLContextDriver(), kGraphicsBackBuffer);
    return OpenGraphics(width, height, depth, hz, flags);
}

}  // namespace vdl
