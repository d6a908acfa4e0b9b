// The 2D drawing layer: surfaces with their drawing state and the global operations.
//
// Each setter stores its value in the current surface, then tells the renderer; rotation
// and scale go through UpdateTransform, which also refreshes the collision copy. Shapes are
// sent as local corner coordinates (the anchor is their top-left) with the drawing position
// plus the origin as translation; images use their own handle instead of the anchor.
#include "graphics/drawing.h"

#include <cmath>

#include "runtime/math.h"

namespace vdl {

namespace {

struct DrawingState {
    std::shared_ptr<TVex2DGraphics> current;  // the selected surface
    std::shared_ptr<TVex2DDriver> renderer;   // its driver
    CollisionTransform collision;
    std::shared_ptr<TImageFont> defaultFont;
    std::shared_ptr<TImageFont> (*fontMaker)() = nullptr;
} drawing;

// Recomputes the transform from rotation and scale and hands it to the renderer and to
// collision.
void UpdateTransform(TVex2DGraphics& g) {
    const CollisionTransform t = TransformFromRotationScale(g.rotation, g.scaleX, g.scaleY);
    g.ix = t.ix;
    g.iy = t.iy;
    g.jx = t.jx;
    g.jy = t.jy;
    drawing.renderer->SetTransform(g.ix, g.iy, g.jx, g.jy);
    StoreCollisionTransform(g.ix, g.iy, g.jx, g.jy);
}

}  // namespace

std::shared_ptr<TGraphicsDriver> TVex2DGraphics::Driver() {
    return driver;
}

void TVex2DGraphics::GetSettings(int& width, int& height, int& depth, int& hz, int& flags) {
    width = height = depth = hz = flags = 0;
    if (graphics) graphics->GetSettings(width, height, depth, hz, flags);
}

void TVex2DGraphics::GetDrawableSize(int& width, int& height) {
    width = height = 0;
    if (graphics) graphics->GetDrawableSize(width, height);
}

void TVex2DGraphics::Close() {
    if (!graphics) return;
    // NOTE: a closed surface must not stay the drawing target.
    if (drawing.current.get() == this) ClearCurrent();
    graphics->Close();
    graphics = nullptr;
    driver = nullptr;
}

void TVex2DGraphics::ApplyState() {
    SetBlendMode(blend);
    SetDrawColor(colorRed, colorGreen, colorBlue);
    SetDrawAlpha(alpha);
    SetClearColor(clsRed, clsGreen, clsBlue);
    SetLineThickness(lineWidth);
    SetDrawRotation(rotation);
    SetDrawScale(scaleX, scaleY);
    SetViewArea(viewX, viewY, viewWidth, viewHeight);
    SetDrawOrigin(originX, originY);
    SetDrawAnchor(-anchorX, -anchorY);
    UseImageFont(font);
}

void TVex2DGraphics::MakeCurrent() {
    drawing.current = shared_from_this();
    drawing.renderer = driver;
    // The renderer keeps one transform for every surface: it must be this surface's before
    // anything is drawn, whether or not the caller sends the rest of the state.
    if (driver) driver->SetTransform(ix, iy, jx, jy);
    if (validated) return;
    ClearScreen();
    FlipFrame(0);
    ClearScreen();
    FlipFrame(0);
    validated = true;
}

void TVex2DGraphics::ClearCurrent() {
    drawing.current = nullptr;
    drawing.renderer = nullptr;
}

std::shared_ptr<TVex2DGraphics> TVex2DGraphics::Current() {
    return drawing.current;
}

std::shared_ptr<TVex2DGraphics> TVex2DGraphics::Create(std::shared_ptr<TGraphics> graphics,
                                                       std::shared_ptr<TVex2DDriver> driver) {
    auto g = std::make_shared<TVex2DGraphics>();
    int width = 0, height = 0, depth = 0, hz = 0, flags = 0;
    graphics->GetSettings(width, height, depth, hz, flags);
    g->viewWidth = width;
    g->viewHeight = height;
    g->font = DefaultImageFont();
    g->graphics = std::move(graphics);
    g->driver = std::move(driver);
    return g;
}

std::shared_ptr<TVex2DDriver> CurrentRenderer() {
    return drawing.renderer;
}

CollisionTransform TransformFromRotationScale(float rotation, float scaleX, float scaleY) {
    const double s = SinDeg(rotation);
    const double c = CosDeg(rotation);
    return {static_cast<float>(c * scaleX), static_cast<float>(-s * scaleY),
            static_cast<float>(s * scaleX), static_cast<float>(c * scaleY)};
}

const CollisionTransform& CurrentCollisionTransform() {
    return drawing.collision;
}

void StoreCollisionTransform(float ix, float iy, float jx, float jy) {
    drawing.collision = {ix, iy, jx, jy};
}

void ClearScreen() {
    if (drawing.current) drawing.renderer->Cls();
}

void SetClearColor(int r, int g, int b) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->clsRed = r, s->clsGreen = g, s->clsBlue = b;
    drawing.renderer->SetClsColor(r, g, b);
}

void GetClearColor(int& r, int& g, int& b) {
    const TVex2DGraphics* s = drawing.current.get();
    r = s ? s->clsRed : 0;
    g = s ? s->clsGreen : 0;
    b = s ? s->clsBlue : 0;
}

void SetDrawColor(int r, int g, int b) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->colorRed = r, s->colorGreen = g, s->colorBlue = b;
    drawing.renderer->SetColor(r, g, b);
}

void GetDrawColor(int& r, int& g, int& b) {
    const TVex2DGraphics* s = drawing.current.get();
    r = s ? s->colorRed : 255;
    g = s ? s->colorGreen : 255;
    b = s ? s->colorBlue : 255;
}

void SetBlendMode(int mode) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->blend = mode;
    drawing.renderer->SetBlend(mode);
}

int GetBlendMode() {
    return drawing.current ? drawing.current->blend : MASKBLEND;
}

void SetDrawAlpha(float alpha) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->alpha = alpha;
    drawing.renderer->SetAlpha(alpha);
}

float GetDrawAlpha() {
    return drawing.current ? drawing.current->alpha : 1.0f;
}

void SetLineThickness(float width) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->lineWidth = width;
    drawing.renderer->SetLineWidth(width);
}

float GetLineThickness() {
    return drawing.current ? drawing.current->lineWidth : 1.0f;
}

void SetViewArea(int x, int y, int width, int height) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->viewX = x, s->viewY = y, s->viewWidth = width, s->viewHeight = height;
    drawing.renderer->SetViewport(x, y, width, height);
}

void GetViewArea(int& x, int& y, int& width, int& height) {
    const TVex2DGraphics* s = drawing.current.get();
    x = s ? s->viewX : 0;
    y = s ? s->viewY : 0;
    width = s ? s->viewWidth : 0;
    height = s ? s->viewHeight : 0;
}

void SetDrawOrigin(float x, float y) {
    if (TVex2DGraphics* s = drawing.current.get()) s->originX = x, s->originY = y;
}

void GetDrawOrigin(float& x, float& y) {
    const TVex2DGraphics* s = drawing.current.get();
    x = s ? s->originX : 0.0f;
    y = s ? s->originY : 0.0f;
}

void SetDrawAnchor(float x, float y) {
    if (TVex2DGraphics* s = drawing.current.get()) s->anchorX = -x, s->anchorY = -y;
}

void GetDrawAnchor(float& x, float& y) {
    const TVex2DGraphics* s = drawing.current.get();
    x = s ? -s->anchorX : 0.0f;
    y = s ? -s->anchorY : 0.0f;
}

void SetDrawRotation(float degrees) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->rotation = degrees;
    UpdateTransform(*s);
}

float GetDrawRotation() {
    return drawing.current ? drawing.current->rotation : 0.0f;
}

void SetDrawScale(float sx, float sy) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->scaleX = sx, s->scaleY = sy;
    UpdateTransform(*s);
}

void GetDrawScale(float& sx, float& sy) {
    const TVex2DGraphics* s = drawing.current.get();
    sx = s ? s->scaleX : 1.0f;
    sy = s ? s->scaleY : 1.0f;
}

void SetDrawTransform(float degrees, float sx, float sy) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->rotation = degrees;
    s->scaleX = sx, s->scaleY = sy;
    UpdateTransform(*s);
}

void UseImageFont(std::shared_ptr<TImageFont> font) {
    TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    s->font = font ? std::move(font) : DefaultImageFont();
}

std::shared_ptr<TImageFont> CurrentImageFont() {
    return drawing.current ? drawing.current->font : DefaultImageFont();
}

std::shared_ptr<TImageFont> DefaultImageFont() {
    if (!drawing.defaultFont && drawing.fontMaker) drawing.defaultFont = drawing.fontMaker();
    return drawing.defaultFont;
}

void SetDefaultFontMaker(std::shared_ptr<TImageFont> (*maker)()) {
    drawing.fontMaker = maker;
}

void PlotPoint(float x, float y) {
    const TVex2DGraphics* s = drawing.current.get();
    if (s) drawing.renderer->Plot(x + s->originX, y + s->originY);
}

void FillRect(float x, float y, float w, float h) {
    const TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    drawing.renderer->DrawRect(s->anchorX, s->anchorY, s->anchorX + w, s->anchorY + h,
                               x + s->originX, y + s->originY);
}

void DrawSegment(float x0, float y0, float x1, float y1, int drawLastPixel) {
    const TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    drawing.renderer->DrawLine(s->anchorX, s->anchorY, s->anchorX + x1 - x0, s->anchorY + y1 - y0,
                               x0 + s->originX, y0 + s->originY);
    if (drawLastPixel == 0) return;
    const float px = x1 + s->anchorX - x0;
    const float py = y1 + s->anchorY - y0;
    drawing.renderer->Plot(x0 + px * s->ix + py * s->iy + s->originX,
                           y0 + px * s->jx + py * s->jy + s->originY);
}

void DrawEllipse(float x, float y, float w, float h) {
    const TVex2DGraphics* s = drawing.current.get();
    if (!s) return;
    drawing.renderer->DrawOval(s->anchorX, s->anchorY, s->anchorX + w, s->anchorY + h,
                               x + s->originX, y + s->originY);
}

void DrawPolygon(const std::vector<float>& points) {
    const TVex2DGraphics* s = drawing.current.get();
    if (s) drawing.renderer->DrawPoly(points, s->anchorX, s->anchorY, s->originX, s->originY);
}

void DrawImageFrame(const ImageRef& image, float x, float y, int frame) {
    if (!drawing.current || !image) return;
    DrawImageStretched(image, x, y, static_cast<float>(image->width),
                       static_cast<float>(image->height), frame);
}

void DrawImageStretched(const ImageRef& image, float x, float y, float w, float h, int frame) {
    const TVex2DGraphics* s = drawing.current.get();
    if (!s || !image) return;
    const std::shared_ptr<TImageFrame> f = image->Frame(frame);
    if (!f) return;
    const float hx = image->handleX, hy = image->handleY;
    f->Draw(-hx, -hy, -hx + w, -hy + h, x + s->originX, y + s->originY);
}

void TileImageFrame(const ImageRef& image, float x, float y, int frame) {
    const TVex2DGraphics* s = drawing.current.get();
    if (!s || !image || image->width <= 0 || image->height <= 0) return;
    const std::shared_ptr<TImageFrame> f = image->Frame(frame);
    if (!f) return;
    const int w = image->width, h = image->height;

    // Whole pixels place the copies; the fraction moves every copy alike.
    const float px = x + s->originX - image->handleX;
    const float py = y + s->originY - image->handleY;
    const int wholeX = static_cast<int>(px), wholeY = static_cast<int>(py);
    const float fracX = px - static_cast<float>(wholeX);
    const float fracY = py - static_cast<float>(wholeY);

    // The first copy starts at or before the viewport's edge, in phase with (wholeX, wholeY).
    int startX = s->viewX + (wholeX - s->viewX) % w;
    if (startX > s->viewX) startX -= w;
    int startY = s->viewY + (wholeY - s->viewY) % h;
    if (startY > s->viewY) startY -= h;

    drawing.renderer->SetTransform(1.0f, 0.0f, 0.0f, 1.0f);
    for (int ty = startY; ty < s->viewY + s->viewHeight; ty += h) {
        for (int tx = startX; tx < s->viewX + s->viewWidth; tx += w) {
            f->Draw(0.0f, 0.0f, static_cast<float>(w), static_cast<float>(h),
                    static_cast<float>(tx) + fracX, static_cast<float>(ty) + fracY);
        }
    }
    drawing.renderer->SetTransform(s->ix, s->iy, s->jx, s->jy);
}

PixmapRef GrabScreenPixmap(int x, int y, int width, int height) {
    if (!drawing.current) return nullptr;
    return drawing.renderer->GrabPixmap(x, y, width, height);
}

void DrawPixmapAt(const PixmapRef& pixmap, int x, int y) {
    if (drawing.current && pixmap) drawing.renderer->DrawPixmap(pixmap, x, y);
}

}  // namespace vdl
