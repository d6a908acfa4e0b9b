// Test helper: a 320 x 240 window on each OpenGL renderer in turn (the GL 1.1 one and, where
// the build has it, the ES 2 one), reset to a known drawing state before each test, and
// pixel reads through the renderer, which draws whatever it still holds first.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/gl_graphics.h"
#include "graphics/gl_renderer.h"
#include "graphics/graphics.h"
#if CCA_HAVE_GLES2
#include "graphics/gles2_renderer.h"
#include "tests/gl/es_texels.h"
#endif

namespace glfix {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

enum class Renderer { GL11, GLES2 };

// Every renderer this build has.
inline std::vector<Renderer> AllRenderers() {
#if CCA_HAVE_GLES2
    return {Renderer::GL11, Renderer::GLES2};
#else
    return {Renderer::GL11};
#endif
}

inline std::string RendererName(const testing::TestParamInfo<Renderer>& info) {
    return info.param == Renderer::GL11 ? "GL11" : "GLES2";
}

inline std::shared_ptr<vdl::TVex2DDriver> DriverOf([[maybe_unused]] Renderer renderer) {
#if CCA_HAVE_GLES2
    if (renderer == Renderer::GLES2) {
        vdl::StartGLES2Renderer();
        return vdl::GLES2Driver2D();
    }
#endif
    vdl::StartGLRenderer();
    return vdl::GLDriver2D();
}

inline vdl::GLContextApi ApiOf(Renderer renderer) {
    return renderer == Renderer::GL11 ? vdl::GLContextApi::Desktop : vdl::GLContextApi::ES2;
}

// Opens a kWidth x kHeight window on renderer unless the opened one is already its.
inline void OpenWindowOn(Renderer renderer) {
    const std::shared_ptr<vdl::TVex2DDriver> driver = DriverOf(renderer);
    const std::shared_ptr<vdl::TGraphics> opened = vdl::OpenedGraphics();
    if (opened && opened->Driver() == driver) return;
    vdl::SelectGraphicsDriver(driver, vdl::kGraphicsBackBuffer);
    ASSERT_NE(vdl::OpenGraphics(kWidth, kHeight, 0, 0, 0), nullptr)
        << "no OpenGL window (is DISPLAY set?)";
}

// What a test looks at in either renderer's image frames; holds the frame, so the texture
// lives as long as this.
struct FrameFields {
    std::shared_ptr<vdl::TImageFrame> frame;
    unsigned name = 0;
    float uRight = 0.0f, vBottom = 0.0f;
    int seq = 0;
};

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

class RendererTest : public testing::TestWithParam<Renderer> {
protected:
    static void TearDownTestSuite() { vdl::CloseOpenedGraphics(); }

    void SetUp() override {
        OpenWindowOn(GetParam());
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

    std::shared_ptr<vdl::TVex2DDriver> Driver() const { return DriverOf(GetParam()); }
    vdl::GLContextApi Api() const { return ApiOf(GetParam()); }

    static FrameFields Fields(const std::shared_ptr<vdl::TImageFrame>& frame) {
        auto gl = std::dynamic_pointer_cast<vdl::TGLTextureFrame>(frame);
        EXPECT_NE(gl, nullptr) << "a frame of neither GL renderer";
        return gl ? FrameFields{frame, gl->name, gl->uRight, gl->vBottom, gl->seq}
                  : FrameFields{frame};
    }

    // A frame of this renderer drawing the texture name, valid in this generation.
    std::shared_ptr<vdl::TImageFrame> FrameNamed(unsigned name) const {
        std::shared_ptr<vdl::TGLTextureFrame> frame = std::make_shared<vdl::TGLImageFrame>();
#if CCA_HAVE_GLES2
        if (GetParam() == Renderer::GLES2) frame = std::make_shared<vdl::TGLES2ImageFrame>();
#endif
        frame->name = name;
        frame->seq = vdl::graphicsSeq;
        return frame;
    }

    // The RGBA texels of a level of a texture, with its size, read back from GL.
    std::vector<uint32_t> Texels(unsigned name, int level, int& width, int& height) const {
#if CCA_HAVE_GLES2
        if (GetParam() == Renderer::GLES2) return ESTexels(name, level, width, height);
#endif
        glBindTexture(GL_TEXTURE_2D, name);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
        std::vector<uint32_t> texels(static_cast<size_t>(width) * height);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        // Leave the renderer's own binding as it believes it is.
        glBindTexture(GL_TEXTURE_2D, 0);
        return texels;
    }

    // The screen's pixel at (x, y), y counted down from the top.
    static Rgb Pixel(int x, int y) {
        const uint32_t argb = vdl::GrabScreenPixmap(x, y, 1, 1)->ReadPixel(0, 0);
        return {int(argb >> 16 & 0xFF), int(argb >> 8 & 0xFF), int(argb & 0xFF)};
    }

    // Whether the pixel differs from the black background.
    static bool Lit(int x, int y) {
        return !(Pixel(x, y) == Rgb{0, 0, 0});
    }

    // Number of lit pixels in the rectangle [x0, x1) x [y0, y1).
    static int LitIn(int x0, int y0, int x1, int y1) {
        const vdl::PixmapRef grab = vdl::GrabScreenPixmap(x0, y0, x1 - x0, y1 - y0);
        int n = 0;
        for (int y = 0; y < grab->height; ++y) {
            for (int x = 0; x < grab->width; ++x)
                n += (grab->ReadPixel(x, y) & 0xFFFFFF) != 0;
        }
        return n;
    }
};

// Runs the tests of suite on every renderer.
#define RENDERER_TEST_SUITE(suite)                                                       \
    INSTANTIATE_TEST_SUITE_P(Renderers, suite, testing::ValuesIn(glfix::AllRenderers()), \
                             glfix::RendererName)

}  // namespace glfix
