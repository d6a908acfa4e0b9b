// The surfaces and the scissor box of the OpenGL renderers.
#include "graphics/gl_renderer_base.h"

#include <algorithm>
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

Letterbox SurfaceLetterbox(TGraphics& surface) {
    int width = 0, height = 0, depth = 0, hz = 0, flags = 0;
    surface.GetSettings(width, height, depth, hz, flags);
    int drawableWidth = 0, drawableHeight = 0;
    surface.GetDrawableSize(drawableWidth, drawableHeight);
    return Letterbox(width, height, drawableWidth, drawableHeight);
}

GLWindowBox ToGLWindow(const Letterbox& view, const PixelRect& rect) {
    return {rect.x, view.DrawableHeight() - rect.y - rect.height, rect.width, rect.height};
}

bool ScissorBox(const Letterbox& view, int x, int y, int width, int height, GLWindowBox& box) {
    if (view.FillsDrawable() && x == 0 && y == 0 && width == view.ArenaWidth() &&
        height == view.ArenaHeight()) {
        return false;
    }
    const PixelRect mapped = view.Map({x, y, std::max(width, 0), std::max(height, 0)});
    const PixelRect& arena = view.Box();
    const int x0 = std::max(mapped.x, arena.x), y0 = std::max(mapped.y, arena.y);
    const int x1 = std::min(mapped.x + mapped.width, arena.x + arena.width);
    const int y1 = std::min(mapped.y + mapped.height, arena.y + arena.height);
    box = ToGLWindow(view, {x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)});
    return true;
}

}  // namespace vdl
