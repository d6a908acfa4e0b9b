// What the OpenGL renderers (gl_renderer.h, gles2_renderer.h) share beside their GL calls.
//
// Both draw into the GL windows of one context API, which the drawing layer wraps with a
// drawing state; both make one texture per image frame, with the same fields; both place the
// surface's arena (its settings' size, what the game draws in) in its drawable the same way,
// scaled to fit with bars around it (graphics/letterbox.h), and turn a viewport into the same
// scissor box.
#pragma once

#include <memory>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/gl_graphics.h"
#include "graphics/letterbox.h"

namespace vdl {

// One texture made from a pixmap, with the texture coordinates of the used area.
class TGLTextureFrame : public TImageFrame {
public:
    float uLeft = 0.0f, vTop = 0.0f;      // always 0
    float uRight = 1.0f, vBottom = 1.0f;  // used size / texture size
    unsigned name = 0;                    // GL texture name
    int seq = 0;  // graphics generation at creation; 0 once the texture was deleted
};

// A renderer whose surfaces are the windows of the GL context driver of one API.
class TGLVex2DDriverBase : public TVex2DDriver {
public:
    explicit TGLVex2DDriverBase(GLContextApi api) : api_(api) {}

    std::vector<TGraphicsMode> GraphicsModes() override;
    std::shared_ptr<TGraphics> AttachGraphics(std::intptr_t widgetHandle, int flags) override;
    std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hz,
                                              int flags) override;

    // The context API the renderer draws through.
    GLContextApi Api() const { return api_; }

private:
    GLContextApi api_;
};

// A rectangle in GL's window coordinates: x, y of its bottom-left pixel, y counted up.
struct GLWindowBox {
    int x = 0, y = 0, width = 0, height = 0;
};

// Where the surface's arena lands in its drawable.
Letterbox SurfaceLetterbox(TGraphics& surface);

// A drawable rectangle in GL's window coordinates.
GLWindowBox ToGLWindow(const Letterbox& view, const PixelRect& rect);

// The scissor box of a viewport in arena pixels: the drawable pixels it covers, clipped to
// the arena's box. False when nothing needs clipping (the arena fills the drawable and the
// viewport is the whole arena), which turns the scissor test off.
bool ScissorBox(const Letterbox& view, int x, int y, int width, int height, GLWindowBox& box);

}  // namespace vdl
