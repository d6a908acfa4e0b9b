// The OpenGL 2D renderer and its textures.
//
// TGLVex2DDriver draws the 2D layer's primitives with fixed-function OpenGL 1.1 in immediate
// mode and is the graphics driver the desktop game selects: it wraps the GL context driver
// (gl_graphics.h), so its surfaces are GL windows carrying a drawing state. TGLImageFrame is
// one texture made from one pixmap, laid out as texture_layout.h says. Textures live in the
// shared context and are visible in every window. What it shares with the ES 2 renderer is in
// gl_renderer_base.h.
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
};

// The OpenGL renderer.
class TGLVex2DDriver : public TGLVex2DDriverBase {
public:
    TGLVex2DDriver();

    // A texture of the pixmap, padded to power-of-two sizes (scaled down when larger than GL
    // takes), filtered and mipmapped by the image flags, made in the shared context.
    std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const PixmapRef& pixmap, int flags) override;
    // Each pixmap pixel zoomed to the drawable pixels an arena pixel covers.
    void DrawPixmap(const PixmapRef& pixmap, int x, int y) override;

    const char* ToString() const { return "OpenGL"; }

protected:
    // One glBegin/glEnd each: GL_POINTS, GL_LINES, and GL_QUADS or GL_POLYGON.
    void DrawPoint(float x, float y) override;
    void DrawSegment(float x0, float y0, float x1, float y1) override;
    void DrawPolygon(const float* corners, int count, bool quad) override;
    // Texturing off; the projection through glOrtho, points and lines as wide as an arena
    // pixel is; the colour is sent with every change, as GL keeps a current one.
    void SetUpContext() override;
    void ApplyProjection() override;
    void SetAlphaTest(bool on) override;
    void ApplyColor() override;
    void ApplyLineWidth() override;
};

// The one OpenGL renderer, made on first use.
std::shared_ptr<TGLVex2DDriver> GLDriver2D();

// Starts the renderer once (TGLVex2DDriverBase::Start): it is then the current graphics driver.
void StartGLRenderer();

// A bound texture name with storage for every level the flags ask for (filtered: linear;
// mipmapped: the whole chain).
unsigned CreateTexture(int width, int height, int flags);

// Uploads pixmap (RGBA8888) into level 0 of the bound texture, and when mipmapped every
// further level, each a bilinear halving of the one before.
void UploadTexture(const PixmapRef& pixmap, int flags);

}  // namespace vdl
