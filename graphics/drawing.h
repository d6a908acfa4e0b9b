// The 2D drawing layer: a global drawing state over an abstract renderer.
//
// Opening graphics through a 2D driver yields a TVex2DGraphics, which wraps the driver's own
// surface and carries the drawing state of that surface: colour, alpha, blend mode, line
// width, clear colour, rotation, scale, anchor (handle), origin, viewport and font. The
// selected surface (Current()) is the target of every global drawing operation below; each
// one stores its part of the state and turns the primitive into a call on the renderer
// (TVex2DDriver) with coordinates reduced to a local rectangle, the 2 x 2 transform and a
// translation. A local point (x, y) reaches the screen at
//     (tx + x*ix + y*iy, ty + x*jx + y*jy).
//
// Renderers: the OpenGL 1.1 one (gl_renderer.h), the batching OpenGL ES 2 one
// (gles2_renderer.h), both over one core (gl_renderer_base.h), and a headless one
// (headless_renderer.h) that needs no display. Text drawing and measuring belong to the fonts
// module (image_font.h); this unit keeps the current font and the collision layer's copy of the
// transform.
//
// With no surface selected the setters and primitives do nothing and the getters report the
// defaults of a new surface.
#pragma once

#include <memory>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/pixmap.h"
#include "runtime/object.h"

namespace vdl {

class TImageFont;
class TVex2DDriver;

// Blend modes.
constexpr int MASKBLEND = 1;   // alpha test at 0.5, no blending
constexpr int SOLIDBLEND = 2;  // opaque
constexpr int ALPHABLEND = 3;  // source alpha
constexpr int LIGHTBLEND = 4;  // additive
constexpr int SHADEBLEND = 5;  // multiply

// One renderer texture made from one pixmap.
class TImageFrame : public Object {
public:
    // Draws the texture over the local rectangle (x0, y0)-(x1, y1) through the renderer's
    // transform, translated by (tx, ty).
    virtual void Draw(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
};

// A renderer: a graphics driver whose surfaces are TVex2DGraphics, plus the drawing calls.
class TVex2DDriver : public TGraphicsDriver, public std::enable_shared_from_this<TVex2DDriver> {
public:
    // A texture of the pixmap for the image flags (filtered, mipmapped), or null.
    virtual std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const PixmapRef& pixmap,
                                                               int flags) = 0;
    virtual void SetBlend(int mode) = 0;
    virtual void SetAlpha(float alpha) = 0;
    virtual void SetColor(int r, int g, int b) = 0;
    virtual void SetClsColor(int r, int g, int b) = 0;
    virtual void SetViewport(int x, int y, int width, int height) = 0;
    virtual void SetTransform(float ix, float iy, float jx, float jy) = 0;
    virtual void SetLineWidth(float width) = 0;
    // Clears the colour buffer with the clear colour.
    virtual void Cls() = 0;
    // One pixel at (x, y), untransformed.
    virtual void Plot(float x, float y) = 0;
    virtual void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    virtual void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    virtual void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    // A filled polygon through (handleX + px, handleY + py) for each pair of points.
    virtual void DrawPoly(const std::vector<float>& points, float handleX, float handleY,
                          float originX, float originY) = 0;
    // The pixmap unscaled with its top-left corner at (x, y), ignoring the transform.
    virtual void DrawPixmap(const PixmapRef& pixmap, int x, int y) = 0;
    // An RGBA8888 copy of the screen rectangle, top row first.
    virtual PixmapRef GrabPixmap(int x, int y, int width, int height) = 0;
};

// The drawing state of one surface, wrapping the surface made by the underlying driver.
class TVex2DGraphics : public TGraphics, public std::enable_shared_from_this<TVex2DGraphics> {
public:
    int colorRed = 255, colorGreen = 255, colorBlue = 255;
    float alpha = 1.0f;
    int clsRed = 0, clsGreen = 0, clsBlue = 0;
    float lineWidth = 1.0f;
    float rotation = 0.0f;  // degrees
    float scaleX = 1.0f, scaleY = 1.0f;
    float ix = 1.0f, iy = 0.0f, jx = 0.0f, jy = 1.0f;  // recomputed from rotation and scale
    int viewX = 0, viewY = 0, viewWidth = 0, viewHeight = 0;
    float originX = 0.0f, originY = 0.0f;
    // NOTE: stored negated: SetDrawAnchor(x, y) keeps -x, -y, which is the local corner.
    float anchorX = 0.0f, anchorY = 0.0f;
    std::shared_ptr<TImageFont> font;
    int blend = MASKBLEND;
    std::shared_ptr<TGraphics> graphics;  // the wrapped surface
    std::shared_ptr<TVex2DDriver> driver;
    bool validated = false;  // set after the first selection

    // The renderer that made this surface.
    std::shared_ptr<TGraphicsDriver> Driver() override;
    // The wrapped surface's settings (zeros once closed).
    void GetSettings(int& width, int& height, int& depth, int& hz, int& flags) override;
    // The wrapped surface's drawable size (zeros once closed).
    void GetDrawableSize(int& width, int& height) override;
    // Closes the wrapped surface and lets go of it and of the driver.
    void Close() override;

    // Sends the whole state to the renderer (this surface must be the current one).
    virtual void ApplyState();
    // Becomes the target of the global operations and sends its transform to the renderer.
    // The first time, both buffers are then cleared (clear, flip, clear, flip).
    virtual void MakeCurrent();

    // Forgets the current surface and renderer.
    static void ClearCurrent();
    // The current surface, or null.
    static std::shared_ptr<TVex2DGraphics> Current();
    // A surface over graphics with the defaults (viewport = the whole surface, the default
    // font).
    static std::shared_ptr<TVex2DGraphics> Create(std::shared_ptr<TGraphics> graphics,
                                                  std::shared_ptr<TVex2DDriver> driver);
};

// The renderer of the current surface, or null.
std::shared_ptr<TVex2DDriver> CurrentRenderer();

// The collision layer's copy of the drawing transform, refreshed on every rotation or scale
// change. The collision code places quads with it and the current origin, exactly as
// drawing does.
struct CollisionTransform {
    float ix = 1.0f, iy = 0.0f, jx = 0.0f, jy = 1.0f;
};

// The 2 x 2 matrix of a rotation (degrees) and scale, as drawing and collision both use it:
// computed in double precision, stored in single.
CollisionTransform TransformFromRotationScale(float rotation, float scaleX, float scaleY);

// The transform copy for collision.
const CollisionTransform& CurrentCollisionTransform();

// Overwrites the transform copy for collision (the drawing transform is not changed).
void StoreCollisionTransform(float ix, float iy, float jx, float jy);

// Clears the current surface with the clear colour.
void ClearScreen();

// Clear colour.
void SetClearColor(int r, int g, int b);
void GetClearColor(int& r, int& g, int& b);

// Drawing colour, 0-255 per channel.
void SetDrawColor(int r, int g, int b);
void GetDrawColor(int& r, int& g, int& b);

// Blend mode (MASKBLEND ... SHADEBLEND).
void SetBlendMode(int mode);
int GetBlendMode();

// Drawing alpha, 0-1.
void SetDrawAlpha(float alpha);
float GetDrawAlpha();

// Line width in pixels.
void SetLineThickness(float width);
float GetLineThickness();

// Viewport: drawing is clipped to this rectangle.
void SetViewArea(int x, int y, int width, int height);
void GetViewArea(int& x, int& y, int& width, int& height);

// Added to every drawing position; the viewport does not move.
void SetDrawOrigin(float x, float y);
void GetDrawOrigin(float& x, float& y);

// The point of shapes (not images, which have their own handle) that lands on the drawing
// position and around which they rotate and scale.
void SetDrawAnchor(float x, float y);
void GetDrawAnchor(float& x, float& y);

// Rotation in degrees; positive turns clockwise on screen.
void SetDrawRotation(float degrees);
float GetDrawRotation();

// Scale along the drawn object's own axes (applied before the rotation).
void SetDrawScale(float sx, float sy);
void GetDrawScale(float& sx, float& sy);

// Rotation and scale together.
void SetDrawTransform(float degrees, float sx, float sy);

// Makes font current; null selects the default font.
void UseImageFont(std::shared_ptr<TImageFont> font);

// The current font.
std::shared_ptr<TImageFont> CurrentImageFont();

// The font every new surface starts with, made once through the maker the fonts module
// installs at its start (null while none is installed).
std::shared_ptr<TImageFont> DefaultImageFont();
void SetDefaultFontMaker(std::shared_ptr<TImageFont> (*maker)());

// One pixel at (x, y) plus the origin; no transform, no anchor.
void PlotPoint(float x, float y);

// A filled w x h rectangle at (x, y).
void FillRect(float x, float y, float w, float h);

// A line from (x0, y0) to (x1, y1); drawLastPixel != 0 also plots the end point.
void DrawSegment(float x0, float y0, float x1, float y1, int drawLastPixel = 1);

// A filled ellipse in the w x h box at (x, y).
void DrawEllipse(float x, float y, float w, float h);

// A filled polygon from x0, y0, x1, y1, ... (fewer than three points or an odd count draw
// nothing).
void DrawPolygon(const std::vector<float>& points);

// Frame of image with its handle at (x, y); rotation and scale act around the handle.
void DrawImageFrame(const ImageRef& image, float x, float y, int frame = 0);

// As DrawImageFrame, stretched to w x h.
void DrawImageStretched(const ImageRef& image, float x, float y, float w, float h, int frame = 0);

// Fills the viewport with unrotated, unscaled copies of the frame, one of them placed as
// DrawImageFrame would place it without rotation and scale.
void TileImageFrame(const ImageRef& image, float x, float y, int frame = 0);

// An RGBA8888 copy of a screen rectangle, top row first.
PixmapRef GrabScreenPixmap(int x, int y, int width, int height);

// Draws a pixmap unscaled at (x, y), ignoring the transform.
void DrawPixmapAt(const PixmapRef& pixmap, int x, int y);

}  // namespace vdl
