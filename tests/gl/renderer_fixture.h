// Test helper: a 320 x 240 window on the OpenGL renderer, reset to a known drawing state
// before each test, and pixel reads straight from the back buffer.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "graphics/drawing.h"
#include "graphics/gl_renderer.h"
#include "graphics/graphics.h"

namespace glfix {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// Whether two colours differ by at most tolerance in every channel.
inline bool Near(const Rgb& a, const Rgb& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

class RendererTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        vdl::StartGLRenderer();
        vdl::SelectGraphicsDriver(vdl::GLDriver2D(), vdl::kGraphicsBackBuffer);
        ASSERT_NE(vdl::OpenGraphics(kWidth, kHeight, 0, 0, 0), nullptr)
            << "no OpenGL window (is DISPLAY set?)";
    }
    static void TearDownTestSuite() { vdl::CloseOpenedGraphics(); }

    void SetUp() override {
        ASSERT_NE(vdl::TVex2DGraphics::Current(), nullptr);
        vdl::SetBlendMode(vdl::SOLIDBLEND);
        vdl::SetDrawColor(255, 255, 255);
        vdl::SetDrawAlpha(1.0f);
        vdl::SetDrawTransform(0, 1, 1);
        vdl::SetDrawOrigin(0, 0);
        vdl::SetDrawAnchor(0, 0);
        vdl::SetViewArea(0, 0, kWidth, kHeight);
        vdl::SetLineThickness(1);
        vdl::SetClearColor(0, 0, 0);
        vdl::ClearScreen();
    }

    // The back buffer's pixel at (x, y), y counted down from the top.
    static Rgb Pixel(int x, int y) {
        unsigned char p[4] = {0, 0, 0, 0};
        glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }

    // Whether the pixel differs from the black background.
    static bool Lit(int x, int y) { return !(Pixel(x, y) == Rgb{0, 0, 0}); }

    // Number of lit pixels in the rectangle [x0, x1) x [y0, y1).
    static int LitIn(int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x)
                n += Lit(x, y);
        }
        return n;
    }
};

}  // namespace glfix
