// What the OpenGL renderers (gl_renderer.h, gles2_renderer.h) share beside their GL calls.
//
// Both draw into the GL windows of one context API, which the drawing layer wraps with a
// drawing state; both make one texture per image frame, with the same fields; both turn a
// viewport into the same scissor box.
#pragma once

#include <memory>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/gl_graphics.h"

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

// The bottom of a viewport's scissor box in GL's window coordinates (y up) in windowY; false
// when the viewport is the whole current surface, which turns the scissor test off.
bool ScissorBottom(int x, int y, int width, int height, int& windowY);

}  // namespace vdl
