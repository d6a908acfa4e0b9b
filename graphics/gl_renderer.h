// The OpenGL 2D renderer and its textures.
//
// TGLVex2DDriver draws the 2D layer's primitives with fixed-function OpenGL 1.1 in immediate
// mode and is the graphics driver the game selects: it wraps the GL context driver
// (gl_graphics.h), so its surfaces are GL windows carrying a drawing state. TGLImageFrame is
// one texture made from one pixmap, laid out as texture_layout.h says. Textures live in the
// shared context and are visible in every window.
//
// Blend, bound texture and texturing are cached and the caches are reset whenever a surface
// is selected, so redundant state changes are skipped but the first draw on a surface always
// sets its state. The game may make GL calls of its own on the current context (it turns on
// line smoothing once with glEnable(GL_LINE_SMOOTH)); state outside these caches is free.
#pragma once

#include <memory>

#include "graphics/drawing.h"
#include "graphics/gl_renderer_base.h"

namespace vdl {

// One texture made from a pixmap.
class TGLImageFrame : public TGLTextureFrame {
public:
    ~TGLImageFrame() override;

    // Draws the texture over the local rectangle through the renderer's transform; the
    // current colour and alpha modulate it.
    void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;

    // A texture of src, padded to power-of-two sizes (scaled down when larger than GL takes),
    // filtered and mipmapped by the image flags. Must run with the shared context current.
    static std::shared_ptr<TGLImageFrame> CreateFromPixmap(const PixmapRef& src, int flags);
};

// The OpenGL renderer.
class TGLVex2DDriver : public TGLVex2DDriverBase {
public:
    TGLVex2DDriver() : TGLVex2DDriverBase(GLContextApi::Desktop) {}

    // Makes the surface's context current, resets the cached GL state, sets a projection of
    // one unit per arena pixel with y down over the arena's box in the drawable, then selects
    // and re-applies the surface's drawing state.
    void SetGraphics(const std::shared_ptr<TGraphics>& g) override;
    // Clears the bars black and presents; when the drawable has changed size since, the
    // arena is placed in it afresh for the next frame.
    void Flip(int sync) override;

    std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const PixmapRef& pixmap, int flags) override;
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
    // Clears the viewport within the arena; the bars stay black.
    void Cls() override;
    void Plot(float x, float y) override;
    void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
    // A polygon of max(|xr| + |yr|, 12) vertices, rounded down to a multiple of 4.
    void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawPoly(const std::vector<float>& points, float handleX, float handleY, float originX,
                  float originY) override;
    // Each pixmap pixel zoomed to the drawable pixels an arena pixel covers.
    void DrawPixmap(const PixmapRef& pixmap, int x, int y) override;
    // In arena pixels: each the mean of the drawable pixels it covers (Letterbox::ShrinkGrab).
    PixmapRef GrabPixmap(int x, int y, int width, int height) override;

    // "OpenGL".
    const char* ToString() const { return "OpenGL"; }
};

// The one OpenGL renderer, made on first use.
std::shared_ptr<TGLVex2DDriver> GLDriver2D();

// Starts the renderer once: resets its colour and makes it the current graphics driver
// (with a back buffer). Later calls do nothing.
void StartGLRenderer();

// A bound texture name with storage for every level the flags ask for (filtered: linear;
// mipmapped: the whole chain).
unsigned CreateTexture(int width, int height, int flags);

// Uploads pixmap (RGBA8888) into level 0 of the bound texture, and when mipmapped every
// further level, each a bilinear halving of the one before.
void UploadTexture(const PixmapRef& pixmap, int flags);

}  // namespace vdl
