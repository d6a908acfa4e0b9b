// The core of the OpenGL renderers: surfaces, the letterbox, GL state both keep alike, shapes.
#include "graphics/gl_renderer_base.h"

#include <GL/gl.h>

// Windows' own header stops at OpenGL 1.1; every driver since takes the 1.2 edge clamp.
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

#include <algorithm>
#include <utility>

#include "graphics/image_font.h"
#include "graphics/pixmap.h"
#include "runtime/program.h"
#include "system/clock.h"

namespace vdl {

namespace {

int Clamp255(int v) {
    return std::clamp(v, 0, 255);
}

}  // namespace

void GLRendererCore::BindTexture(unsigned texture) {
    if (texture == boundTexture) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    boundTexture = texture;
}

void GLRendererCore::DeleteTexture(unsigned texture, GLContextApi api) {
    {
        SharedContextScope shared(api);
        glDeleteTextures(1, &texture);
    }
    // NOTE: GL may hand the same name to the next texture; a cache still naming it would
    // then skip binding the new one.
    if (boundTexture == texture) boundTexture = 0;
}

unsigned GenTexture(bool filtered, bool mipmapped) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    filtered ? (mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)
                             : (mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST));
    return name;
}

int MaxTextureSize() {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    return maxSize;
}

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
    ContextMade();
    YieldIfBusy();
    return TVex2DGraphics::Create(std::move(g), shared_from_this());
}

void TGLVex2DDriverBase::SetGraphics(const std::shared_ptr<TGraphics>& g) {
    DrawBatch();
    const auto surface = std::dynamic_pointer_cast<TVex2DGraphics>(g);
    if (!surface) {
        GLContextDriver(api_)->SetGraphics(nullptr);
        TVex2DGraphics::ClearCurrent();
        return;
    }
    GLContextDriver(api_)->SetGraphics(surface->graphics);

    core_.blendCache = 0;
    core_.boundTexture = 0;
    SetUpContext();

    core_.view = SurfaceLetterbox(*surface);
    core_.viewport = {0, 0, core_.view.ArenaWidth(), core_.view.ArenaHeight()};
    ApplyLetterbox();

    surface->MakeCurrent();
    surface->ApplyState();
}

void TGLVex2DDriverBase::Flip(int sync) {
    DrawBatch();
    ClearBars();
    GLContextDriver(api_)->Flip(sync);
    FrameShown();

    // The window may have been resized or gone full screen since the last frame.
    const std::shared_ptr<TVex2DGraphics> surface = TVex2DGraphics::Current();
    if (!surface || surface->driver.get() != this) return;
    const Letterbox now = SurfaceLetterbox(*surface);
    if (now == core_.view) return;
    core_.view = now;
    ApplyLetterbox();
}

void TGLVex2DDriverBase::SetBlend(int mode) {
    if (mode == core_.blendCache) return;
    DrawBatch();
    core_.blendCache = mode;
    switch (mode) {
        case ALPHABLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            break;
        case LIGHTBLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
            break;
        case SHADEBLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_DST_COLOR, GL_ZERO);
            break;
        default:  // MASKBLEND, SOLIDBLEND and anything unknown
            glDisable(GL_BLEND);
            break;
    }
    SetAlphaTest(mode == MASKBLEND);
}

void TGLVex2DDriverBase::SetAlpha(float alpha) {
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    core_.color[3] = static_cast<unsigned char>(alpha * 255.0f);
    ApplyColor();
}

void TGLVex2DDriverBase::SetColor(int r, int g, int b) {
    core_.color[0] = static_cast<unsigned char>(Clamp255(r));
    core_.color[1] = static_cast<unsigned char>(Clamp255(g));
    core_.color[2] = static_cast<unsigned char>(Clamp255(b));
    ApplyColor();
}

void TGLVex2DDriverBase::SetClsColor(int r, int g, int b) {
    float* const c = core_.clearColor;
    c[0] = static_cast<float>(Clamp255(r)) / 255.0f;
    c[1] = static_cast<float>(Clamp255(g)) / 255.0f;
    c[2] = static_cast<float>(Clamp255(b)) / 255.0f;
    glClearColor(c[0], c[1], c[2], c[3]);
}

void TGLVex2DDriverBase::SetViewport(int x, int y, int width, int height) {
    DrawBatch();
    core_.viewport = {x, y, width, height};
    ApplyScissor();
}

void TGLVex2DDriverBase::SetTransform(float ix, float iy, float jx, float jy) {
    core_.transform = {ix, iy, jx, jy};
}

void TGLVex2DDriverBase::SetLineWidth(float width) {
    core_.lineWidth = width;
    ApplyLineWidth();
}

void TGLVex2DDriverBase::Plot(float x, float y) {
    DrawPoint(x + 0.5f, y + 0.5f);
}

void TGLVex2DDriverBase::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
    const ShapeTransform& t = core_.transform;
    tx += 0.5f;
    ty += 0.5f;
    DrawSegment(t.X(x0, y0, tx), t.Y(x0, y0, ty), t.X(x1, y1, tx), t.Y(x1, y1, ty));
}

void TGLVex2DDriverBase::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
    corners_.clear();
    AddCorner(x0, y0, tx, ty);
    AddCorner(x1, y0, tx, ty);
    AddCorner(x1, y1, tx, ty);
    AddCorner(x0, y1, tx, ty);
    DrawPolygon(corners_.data(), 4, true);
}

void TGLVex2DDriverBase::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
    corners_.clear();
    ForEachOvalVertex(x0, y0, x1, y1, [&](float x, float y) { AddCorner(x, y, tx, ty); });
    DrawPolygon(corners_.data(), static_cast<int>(corners_.size() / 2), false);
}

void TGLVex2DDriverBase::DrawPoly(const std::vector<float>& points, float handleX, float handleY,
                                  float originX, float originY) {
    if (points.size() < 6 || points.size() % 2 != 0) return;
    corners_.clear();
    for (std::size_t i = 0; i < points.size(); i += 2) {
        AddCorner(handleX + points[i], handleY + points[i + 1], originX, originY);
    }
    DrawPolygon(corners_.data(), static_cast<int>(corners_.size() / 2), false);
}

void TGLVex2DDriverBase::Cls() {
    DrawBatch();
    glClear(GL_COLOR_BUFFER_BIT);
}

PixmapRef TGLVex2DDriverBase::GrabPixmap(int x, int y, int width, int height) {
    DrawBatch();
    // The drawable pixels under the rectangle, shrunk to arena pixels when scaled.
    const PixelRect arena{x, y, width, height};
    const PixelRect mapped = core_.view.Map(arena);
    const GLWindowBox box = ToGLWindow(core_.view, mapped);
    PixmapRef pixmap = TPixmap::Create(mapped.width, mapped.height, PF_RGBA8888, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(box.x, box.y, box.width, box.height, GL_RGBA, GL_UNSIGNED_BYTE, pixmap->pixels);
    PixmapRef grab = FlipPixmapY(pixmap);
    if (mapped.width == width && mapped.height == height) return grab;
    return core_.view.ShrinkGrab(grab, arena);
}

void TGLVex2DDriverBase::Start() {
    if (core_.started) return;
    core_.started = true;
    StartImageFonts();
    std::fill(std::begin(core_.color), std::end(core_.color), 0);
    GLRendererCore& core = core_;
    AddExitRoutine([&core] { core.exiting = true; });
    SelectGraphicsDriver(shared_from_this(), kGraphicsBackBuffer);
}

void TGLVex2DDriverBase::AddCorner(float x, float y, float tx, float ty) {
    corners_.push_back(core_.transform.X(x, y, tx));
    corners_.push_back(core_.transform.Y(x, y, ty));
}

// The projection, then GL's viewport over the arena's box and the viewport's scissor box
// mapped again.
void TGLVex2DDriverBase::ApplyLetterbox() {
    ApplyProjection();
    const GLWindowBox box = ToGLWindow(core_.view, core_.view.Box());
    glViewport(box.x, box.y, box.width, box.height);
    ApplyScissor();
}

// The scissor test for the viewport last set, under the current letterbox.
void TGLVex2DDriverBase::ApplyScissor() {
    const PixelRect& v = core_.viewport;
    GLWindowBox box;
    if (!ScissorBox(core_.view, v.x, v.y, v.width, v.height, box)) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(box.x, box.y, box.width, box.height);
}

// Clears the bars around the arena black, whatever the clear colour; the back buffer's
// contents after a swap are undefined, so this runs before every one.
void TGLVex2DDriverBase::ClearBars() {
    if (core_.view.FillsDrawable()) return;
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    for (const PixelRect& bar : core_.view.Bars()) {
        if (bar.Empty()) continue;
        const GLWindowBox box = ToGLWindow(core_.view, bar);
        glScissor(box.x, box.y, box.width, box.height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    const float* const c = core_.clearColor;
    glClearColor(c[0], c[1], c[2], c[3]);
    ApplyScissor();
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
