// A renderer that needs no display.
//
// The headless driver opens surfaces that exist only as their settings, draws nothing, and
// makes image frames that only remember their size, so game logic, collision and
// simulations run with the whole drawing state in unit tests and benchmarks. It counts what
// it was asked to do, which is enough for a test to see that drawing happened.
#pragma once

#include <memory>

#include "graphics/drawing.h"

namespace vdl {

// What the headless renderer was asked to do since the counts were last reset.
struct HeadlessCounts {
    int flips = 0;
    int clears = 0;
    int shapes = 0;      // points, lines, rectangles, ovals, polygons
    int frameDraws = 0;  // image frames drawn
    int framesMade = 0;  // image frames made from pixmaps
};

// A surface that is nothing but its settings.
class THeadlessGraphics : public TGraphics {
public:
    THeadlessGraphics(int width, int height, int depth, int hz, int flags)
        : width_(width), height_(height), depth_(depth), hz_(hz), flags_(flags) {}

    std::shared_ptr<TGraphicsDriver> Driver() override;
    void GetSettings(int& width, int& height, int& depth, int& hz, int& flags) override;
    void Close() override { closed_ = true; }
    bool Closed() const { return closed_; }

private:
    int width_, height_, depth_, hz_, flags_;
    bool closed_ = false;
};

// An image frame of a size and nothing else.
class THeadlessImageFrame : public TImageFrame {
public:
    THeadlessImageFrame(int frameWidth, int frameHeight) : width(frameWidth), height(frameHeight) {}
    void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;

    const int width;
    const int height;
};

// The renderer that draws nothing.
class THeadlessVex2DDriver : public TVex2DDriver {
public:
    std::vector<TGraphicsMode> GraphicsModes() override;
    // Host windows do not exist here.
    std::shared_ptr<TGraphics> AttachGraphics(std::intptr_t, int) override { return nullptr; }
    std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hz,
                                              int flags) override;
    void SetGraphics(const std::shared_ptr<TGraphics>& g) override;
    void Flip(int sync) override;

    std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const PixmapRef& pixmap, int flags) override;
    void SetBlend(int) override {}
    void SetAlpha(float) override {}
    void SetColor(int, int, int) override {}
    void SetClsColor(int, int, int) override {}
    void SetViewport(int, int, int, int) override {}
    void SetTransform(float, float, float, float) override {}
    void SetLineWidth(float) override {}
    // Clears, shapes and images made and drawn only count.
    void Cls() override { ++counts.clears; }
    void Plot(float, float) override { ++counts.shapes; }
    void DrawLine(float, float, float, float, float, float) override { ++counts.shapes; }
    void DrawRect(float, float, float, float, float, float) override { ++counts.shapes; }
    void DrawOval(float, float, float, float, float, float) override { ++counts.shapes; }
    void DrawPoly(const std::vector<float>&, float, float, float, float) override {
        ++counts.shapes;
    }
    void DrawPixmap(const PixmapRef&, int, int) override {}
    // A transparent RGBA8888 pixmap of the size asked for.
    PixmapRef GrabPixmap(int x, int y, int width, int height) override;

    const char* ToString() const { return "Headless"; }

    HeadlessCounts counts;
};

// The one headless renderer, made on first use.
std::shared_ptr<THeadlessVex2DDriver> HeadlessDriver2D();

// Selects the headless renderer and opens a width x height surface with it (no pacing).
std::shared_ptr<TGraphics> OpenHeadlessGraphics(int width, int height);

}  // namespace vdl
