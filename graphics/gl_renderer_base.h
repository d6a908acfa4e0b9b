// The core of the OpenGL renderers (gl_renderer.h, gles2_renderer.h): all they do alike.
//
// Both draw into the GL windows of one context API, which the drawing layer wraps with a
// drawing state; both make one texture per image frame, with the same fields; both place the
// surface's arena (its settings' size, what the game draws in) in its drawable the same way,
// scaled to fit with bars around it (graphics/letterbox.h), and turn a viewport into the same
// scissor box. TGLVex2DDriverBase does all of that once, with the GL calls that OpenGL 1.1 and
// OpenGL ES 2 have alike: selecting a surface and the flip, colour and clear colour, the blend
// functions, viewport and scissor, clears, grabs, texture parameters, and the vertices of every
// shape (shape_geometry.h). A renderer adds what its GL does its own way through the hooks:
// setting up a context, the projection, the alpha test, and drawing a point, a line and a
// filled polygon (immediate mode against the batch).
//
// NOTE: every GL call made here exists in OpenGL 1.1 and in ES 2 with the same meaning. This
// unit links the desktop's GL library; on Linux it dispatches each call to the context that is
// current, an ES 2 one included.
#pragma once

#include <memory>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/gl_graphics.h"
#include "graphics/letterbox.h"
#include "graphics/shape_geometry.h"

namespace vdl {

// One texture made from a pixmap, with the texture coordinates of the used area.
class TGLTextureFrame : public TImageFrame {
public:
    float uLeft = 0.0f, vTop = 0.0f;      // always 0
    float uRight = 1.0f, vBottom = 1.0f;  // used size / texture size
    unsigned name = 0;                    // GL texture name
    int seq = 0;  // graphics generation at creation; 0 once the texture was deleted
};

// The GL state both renderers cache the same way. Each renderer's unit keeps one for the whole
// run, since an image frame may be let go of after the renderer object itself.
struct GLRendererCore {
    unsigned char color[4] = {0, 0, 0, 0};  // RGBA bytes: the current colour and alpha
    float clearColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    int blendCache = 0;         // last blend mode set; 0 after every SetGraphics
    unsigned boundTexture = 0;  // last texture bound; 0 after every SetGraphics
    ShapeTransform transform;
    float lineWidth = 1.0f;          // in arena pixels
    Letterbox view;                  // the current surface's arena in its drawable
    PixelRect viewport{0, 0, 1, 1};  // the viewport last set, in arena pixels
    bool started = false;
    // Set when the program ends: textures then go with the process instead of being
    // deleted in a context that may already be gone.
    bool exiting = false;

    // Binds the texture unless the cache says it is bound already.
    void BindTexture(unsigned texture);
    // Deletes the texture in the shared context of api and forgets it in the cache.
    void DeleteTexture(unsigned texture, GLContextApi api);
};

// A new texture, bound, clamped to its edges and filtered as the image flags ask (linear or
// nearest, between mipmap levels too when mipmapped); no storage yet.
unsigned GenTexture(bool filtered, bool mipmapped);

// The largest texture side GL takes.
int MaxTextureSize();

// A renderer whose surfaces are the windows of the GL context driver of one API.
class TGLVex2DDriverBase : public TVex2DDriver {
public:
    TGLVex2DDriverBase(GLContextApi api, GLRendererCore& core) : core_(core), api_(api) {}

    std::vector<TGraphicsMode> GraphicsModes() override;
    std::shared_ptr<TGraphics> AttachGraphics(std::intptr_t widgetHandle, int flags) override;
    std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hz,
                                              int flags) override;

    // Draws the batch, makes the surface's context current, resets the cached GL state and
    // sets the context up, projects one unit per arena pixel with y down over the arena's box
    // in the drawable, then selects and re-applies the surface's drawing state.
    void SetGraphics(const std::shared_ptr<TGraphics>& g) override;
    // Draws the batch, clears the bars black and presents; when the drawable has changed size
    // since, the arena is placed in it afresh for the next frame.
    void Flip(int sync) override;

    void SetBlend(int mode) override;
    // Clamped to 0-1; the alpha byte is the truncation of alpha x 255.
    void SetAlpha(float alpha) override;
    // Each channel clamped to 0-255.
    void SetColor(int r, int g, int b) override;
    void SetClsColor(int r, int g, int b) override;
    // Clipped to the arena's box. The whole arena turns the scissor test off when the arena
    // fills the drawable; any other box turns it on.
    void SetViewport(int x, int y, int width, int height) override;
    void SetTransform(float ix, float iy, float jx, float jy) override;
    void SetLineWidth(float width) override;

    // The point's pixel, at (x + 0.5, y + 0.5).
    void Plot(float x, float y) override;
    // From pixel centre to pixel centre: the translation gets half a pixel.
    void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
    // A polygon of max(|xr| + |yr|, 12) vertices, rounded down to a multiple of 4.
    void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
    // Nothing for fewer than three points or an odd count of coordinates.
    void DrawPoly(const std::vector<float>& points, float handleX, float handleY, float originX,
                  float originY) override;

    // Clears the viewport within the arena; the bars stay black.
    void Cls() override;
    // In arena pixels: each the mean of the drawable pixels it covers (Letterbox::ShrinkGrab).
    PixmapRef GrabPixmap(int x, int y, int width, int height) override;

    // Draws what is batched so far; a renderer that draws at once has nothing to do.
    virtual void DrawBatch() {}

    // Starts the renderer once: starts the fonts (every surface gets the built-in one), resets
    // the colour and makes this the current graphics driver, with a back buffer. Later calls
    // do nothing.
    void Start();

    // The context API the renderer draws through.
    GLContextApi Api() const { return api_; }

protected:
    // Told when a surface's context has been made, before the surface is set up and made
    // current: what its GL may work on meanwhile can be asked for here.
    virtual void ContextMade() {}
    // Sets up the surface's context, just made current, for drawing with this renderer.
    virtual void SetUpContext() = 0;
    // One unit per arena pixel with y down over core_.view's box; GL's viewport is set after.
    virtual void ApplyProjection() = 0;
    // MASKBLEND's test: fragments below alpha 0.5 are dropped while it is on.
    virtual void SetAlphaTest(bool on) = 0;
    // Hands core_.color and core_.lineWidth on where GL keeps them itself.
    virtual void ApplyColor() {}
    virtual void ApplyLineWidth() {}
    // Called once the frame was presented.
    virtual void FrameShown() {}

    // The shapes, in screen coordinates (arena pixels, y down), untextured, in the current
    // colour: a point's pixel at its centre (x, y); a line; a filled polygon of count corners
    // (x, y pairs), where quad says it is a rectangle's four.
    virtual void DrawPoint(float x, float y) = 0;
    virtual void DrawSegment(float x0, float y0, float x1, float y1) = 0;
    virtual void DrawPolygon(const float* corners, int count, bool quad) = 0;

    GLRendererCore& core_;

private:
    void ApplyLetterbox();
    void ApplyScissor();
    void ClearBars();
    void AddCorner(float x, float y, float tx, float ty);

    GLContextApi api_;
    std::vector<float> corners_;  // the polygon being drawn
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
