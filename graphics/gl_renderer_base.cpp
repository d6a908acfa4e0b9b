// The surfaces and the scissor box of the OpenGL renderers.
#include "graphics/gl_renderer_base.h"

#include <utility>

namespace vdl {

std::vector<TGraphicsMode> TGLVex2DDriverBase::GraphicsModes() {
    return GLContextDriver(api_)->GraphicsModes();
}

std::shared_ptr<TGraphics> TGLVex2DDriverBase::AttachGraphics(std::intptr_t widgetHandle,
                                                              int flags) {
    std::shared_ptr<TGraphics> g = GLContextDriver(api_)->AttachGraphics(widgetHandle, flags);
    if (!g) return nullptr;
    return TVex2DGraphics::Create(std::move(g), shared_from_this());
}

std::shared_ptr<TGraphics> TGLVex2DDriverBase::CreateGraphics(int width, int height, int depth,
                                                              int hz, int flags) {
    std::shared_ptr<TGraphics> g =
        GLContextDriver(api_)->CreateGraphics(width, height, depth, hz, flags);
    if (!g) return nullptr;
    return TVex2DGraphics::Create(std::move(g), shared_from_this());
}

bool ScissorBottom(int x, int y, int width, int height, int& windowY) {
    windowY = CurrentGraphicsHeight() - y - height;
    return !(x == 0 && y == 0 && width == CurrentGraphicsWidth() &&
             height == CurrentGraphicsHeight());
}

}  // namespace vdl
