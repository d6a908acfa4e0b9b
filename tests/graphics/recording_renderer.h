// Test helper: a renderer that records every call it receives with its arguments, and a
// fixture that opens a surface with it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/graphics.h"

namespace rec {

struct Call {
    std::string name;
    std::vector<float> args;
};

class RecordingFrame : public vdl::TImageFrame {
public:
    RecordingFrame(std::vector<Call>* log, int frameWidth, int frameHeight)
        : log_(log), width(frameWidth), height(frameHeight) {}
    void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override {
        log_->push_back({"Frame.Draw", {x0, y0, x1, y1, tx, ty}});
    }

private:
    std::vector<Call>* log_;

public:
    const int width, height;
};

class RecordingSurface : public vdl::TGraphics {
public:
    RecordingSurface(int width, int height) : width_(width), height_(height) {}
    std::shared_ptr<vdl::TGraphicsDriver> Driver() override { return nullptr; }
    void GetSettings(int& w, int& h, int& d, int& hz, int& flags) override {
        w = width_, h = height_, d = 0, hz = 0, flags = 0;
    }
    void Close() override { closed = true; }
    bool closed = false;

private:
    int width_, height_;
};

class RecordingDriver : public vdl::TVex2DDriver {
public:
    std::vector<Call> calls;
    bool refuseFrames = false;  // CreateFrameFromPixmap gives null while set

    std::vector<vdl::TGraphicsMode> GraphicsModes() override { return {}; }
    std::shared_ptr<vdl::TGraphics> AttachGraphics(std::intptr_t, int) override { return nullptr; }
    std::shared_ptr<vdl::TGraphics> CreateGraphics(int width, int height, int, int, int) override {
        return vdl::TVex2DGraphics::Create(std::make_shared<RecordingSurface>(width, height),
                                           shared_from_this());
    }
    void SetGraphics(const std::shared_ptr<vdl::TGraphics>& g) override {
        auto surface = std::dynamic_pointer_cast<vdl::TVex2DGraphics>(g);
        if (!surface) {
            vdl::TVex2DGraphics::ClearCurrent();
            return;
        }
        surface->MakeCurrent();
        surface->ApplyState();
    }
    void Flip(int sync) override { Log("Flip", {float(sync)}); }

    std::shared_ptr<vdl::TImageFrame> CreateFrameFromPixmap(const vdl::PixmapRef& pixmap,
                                                            int flags) override {
        Log("CreateFrame", {float(pixmap->width), float(pixmap->height), float(flags)});
        if (refuseFrames) return nullptr;
        return std::make_shared<RecordingFrame>(&calls, pixmap->width, pixmap->height);
    }
    void SetBlend(int mode) override { Log("SetBlend", {float(mode)}); }
    void SetAlpha(float alpha) override { Log("SetAlpha", {alpha}); }
    void SetColor(int r, int g, int b) override { Log("SetColor", {float(r), float(g), float(b)}); }
    void SetClsColor(int r, int g, int b) override {
        Log("SetClsColor", {float(r), float(g), float(b)});
    }
    void SetViewport(int x, int y, int w, int h) override {
        Log("SetViewport", {float(x), float(y), float(w), float(h)});
    }
    void SetTransform(float ix, float iy, float jx, float jy) override {
        Log("SetTransform", {ix, iy, jx, jy});
    }
    void SetLineWidth(float width) override { Log("SetLineWidth", {width}); }
    void Cls() override { Log("Cls", {}); }
    void Plot(float x, float y) override { Log("Plot", {x, y}); }
    void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override {
        Log("DrawLine", {x0, y0, x1, y1, tx, ty});
    }
    void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override {
        Log("DrawRect", {x0, y0, x1, y1, tx, ty});
    }
    void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override {
        Log("DrawOval", {x0, y0, x1, y1, tx, ty});
    }
    void DrawPoly(const std::vector<float>& points, float hx, float hy, float ox,
                  float oy) override {
        std::vector<float> args{hx, hy, ox, oy};
        args.insert(args.end(), points.begin(), points.end());
        Log("DrawPoly", args);
    }
    void DrawPixmap(const vdl::PixmapRef& pixmap, int x, int y) override {
        Log("DrawPixmap", {float(pixmap->width), float(x), float(y)});
    }
    vdl::PixmapRef GrabPixmap(int x, int y, int w, int h) override {
        Log("GrabPixmap", {float(x), float(y), float(w), float(h)});
        vdl::PixmapRef p = vdl::TPixmap::Create(w, h, vdl::PF_RGBA8888, 4);
        for (int py = 0; py < h; ++py) {
            for (int px = 0; px < w; ++px)
                p->WritePixel(px, py, 0xFF000000u | (px << 8) | py);
        }
        return p;
    }

    // Names of the calls so far.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Call& c : calls)
            names.push_back(c.name);
        return names;
    }
    // The last call of that name; fails the test when there is none.
    Call Last(const std::string& name) const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
            if (it->name == name) return *it;
        }
        ADD_FAILURE() << "no call " << name;
        return {};
    }
    int Count(const std::string& name) const {
        int n = 0;
        for (const Call& c : calls)
            n += c.name == name;
        return n;
    }

private:
    void Log(const char* name, std::vector<float> args) {
        calls.push_back({name, std::move(args)});
    }
};

// Opens a surface of the given size on a fresh recording driver and selects it.
class RecordingTest : public testing::Test {
protected:
    void SetUp() override { Open(800, 600); }
    void TearDown() override {
        vdl::SelectGraphics(nullptr);
        vdl::SelectGraphicsDriver(nullptr, 0);
    }

    void Open(int width, int height) {
        driver = std::make_shared<RecordingDriver>();
        vdl::SelectGraphicsDriver(driver, 0);
        surface = std::dynamic_pointer_cast<vdl::TVex2DGraphics>(
            vdl::CreateGraphicsContext(width, height, 0, 0, 0));
        ASSERT_NE(surface, nullptr);
        vdl::SelectGraphics(surface);
    }

    std::shared_ptr<RecordingDriver> driver;
    std::shared_ptr<vdl::TVex2DGraphics> surface;
};

}  // namespace rec
