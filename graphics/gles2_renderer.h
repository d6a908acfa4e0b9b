// The batching OpenGL ES 2 renderer and its textures.
//
// TGLES2Vex2DDriver draws the 2D layer's primitives through the OpenGL ES 2 subset alone
// (which is what WebGL 1 offers): one small shader pair, one vertex buffer, no fixed
// function. It draws exactly what the GL 1.1 renderer (gl_renderer.h) draws: the same CPU
// transform and vertices (shape_geometry.h), the same textures (texture_layout.h), the same
// blend functions, with MASKBLEND's alpha test done by discarding fragments below 0.5. It
// wraps the ES 2 context driver (gl_graphics.h, GLContextApi::ES2), so its surfaces are
// windows with ES 2 contexts sharing textures with a hidden ES 2 context.
//
// Shapes and images are not drawn when asked for but collected: every vertex goes into one
// client-side array, and a run of primitives of one type (triangles or lines) becomes
// one draw call. Rectangles, images, ovals, polygons and points are triangles (fans split
// into triangles), so a frame of sprites of one texture is one draw. What GL state a draw needs
// (texture, blend, scissor box) cannot change inside a batch: the batch is drawn first, as it
// is before a clear, a grab, a pixmap draw, a surface switch, a flip and before a texture in
// it is deleted.
//
// So that a crowd of different sprites is still one draw, small images share texture pages
// (the sprite atlas, one page for sharp and one for filtered images): each sits there with a
// border of its own edge texels, which is what clamping to the edge gives a texture of its
// own. Each page also holds a white block, which untextured shapes sample, so shapes join the
// sprites' batch too. A mipmapped image keeps its own texture, for when it is drawn smaller,
// and also has a copy in the page, drawn when it is neither turned nor scaled (mipmapping
// then picks its full-size level anyway).
//
// The arena is placed in the drawable as the GL 1.1 renderer places it (gl_renderer_base.h):
// vertices stay in arena pixels, the GL viewport is the arena's box, points (squares of
// triangles) are as wide as an arena pixel is, and the bars are cleared black before each
// present.
//
// Lines up to one drawable pixel wide are GL lines; wider ones are quads, shaped as the GL 1.1
// renderer's aliased wide lines (a line along x grows along y and the other way round), since
// WebGL rarely offers any line width but 1. Nothing is smoothed: ES 2 has no line smoothing.
#pragma once

#include <memory>

#include "graphics/atlas_packer.h"
#include "graphics/drawing.h"
#include "graphics/gl_renderer_base.h"

namespace vdl {

// One texture made from a pixmap.
class TGLES2ImageFrame : public TGLTextureFrame {
public:
    ~TGLES2ImageFrame() override;

    // Adds the texture over the local rectangle to the batch, through the renderer's
    // transform; the current colour and alpha modulate it.
    void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;

    // A small src goes into the sprite atlas; a larger one, and a mipmapped one, is also
    // (or only) a texture of its own, laid out as texture_layout.h says (scaled down when
    // larger than GL_MAX_TEXTURE_SIZE), filtered and mipmapped by the image flags.
    static std::shared_ptr<TGLES2ImageFrame> CreateFromPixmap(const PixmapRef& src, int flags);

    // Whether the frame has a copy in the sprite atlas, and whether it has a texture of its
    // own (name) beside it.
    bool InAtlas() const { return atlasPage >= 0; }
    bool HasOwnTexture() const { return name != 0; }

private:
    bool PlaceInAtlas(const PixmapRef& source, bool filtered);

    int contextGen = 0;    // the renderer's context generation at creation
    int atlasPage = -1;    // which page holds the copy; -1: none
    AtlasRect atlasPlace;  // the area taken there, border included
    float atlasU0 = 0, atlasV0 = 0, atlasU1 = 0, atlasV1 = 0;
};

// The OpenGL ES 2 renderer.
class TGLES2Vex2DDriver : public TGLVex2DDriverBase {
public:
    TGLES2Vex2DDriver();

    std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const PixmapRef& pixmap, int flags) override;
    // Uploaded into a texture of the pixmap's own size and drawn as one quad, unblended.
    void DrawPixmap(const PixmapRef& pixmap, int x, int y) override;

    // Draws what is batched so far. Every change of GL state a batch needs does this first,
    // and so does the flip; in the browser, where the canvas is shown whenever the program
    // yields to the page, every yield does it too.
    void DrawBatch() override;

    // Draw calls made since the last flip, and in the frame before it.
    int FrameDrawCalls() const;
    int LastFrameDrawCalls() const;

    const char* ToString() const { return "OpenGL ES 2"; }

    // Whether images made from now on may go into the sprite atlas (on at start).
    void SetSpriteAtlas(bool on);

    // After the GL context was lost and given back (WebGL's webglcontextrestored), with every
    // GL object the renderer made gone and GL's state at its defaults: forgets those objects,
    // makes the programs, the vertex buffer and the texture pages again, sets the current
    // surface up as SetGraphics does and starts a new graphics generation, so images make
    // their textures again from their pixmaps on their next draw. The frames made before draw
    // nothing and free nothing in GL: their names may already belong to new textures.
    void RestoreLostContext();

protected:
    // Starts building the shaders (once), which the first batch drawn then waits for.
    void ContextMade() override;
    // Starts the shaders if no context did, then binds the vertex buffer and its attributes
    // in the context; the projection is a scale attribute with one value for every vertex,
    // the context's own; MASKBLEND picks the programs that discard; the frame's draw call
    // count becomes the last frame's once it is shown.
    void SetUpContext() override;
    void ApplyProjection() override;
    void SetAlphaTest(bool on) override;
    void FrameShown() override;
    // Added to the batch: a point as a one-pixel square; a line up to one drawable pixel wide
    // as a GL line, a wider one as a quad of the line width in arena pixels; a polygon as the
    // triangles fanning out of its first corner.
    void DrawPoint(float x, float y) override;
    void DrawSegment(float x0, float y0, float x1, float y1) override;
    void DrawPolygon(const float* corners, int count, bool quad) override;
};

// The one OpenGL ES 2 renderer, made on first use.
std::shared_ptr<TGLES2Vex2DDriver> GLES2Driver2D();

// Starts the renderer once (TGLVex2DDriverBase::Start): it is then the current graphics driver.
void StartGLES2Renderer();

}  // namespace vdl
