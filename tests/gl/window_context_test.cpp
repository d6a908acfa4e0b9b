// GL windows on a real (virtual) display: the client area, shared textures across contexts,
// reopening, display modes and attaching to a host window.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "graphics/gl_graphics.h"
#include "graphics/graphics.h"
#include "platform/gl_context.h"
#include "platform/sdl_gl_driver.h"

namespace vdl {
namespace {

GLContextRecord* RecordOf(const std::shared_ptr<TGraphics>& g) {
    auto gl = std::dynamic_pointer_cast<TGLGraphics>(g);
    return gl ? gl->Record() : nullptr;
}

// A 2 x 2 texture of one colour, made in the shared context as the renderer makes them.
GLuint MakeSharedTexture(std::array<GLubyte, 4> rgba) {
    std::array<GLubyte, 16> pixels;
    for (int i = 0; i < 16; ++i)
        pixels[i] = rgba[i % 4];
    GLuint name = 0;
    ToggleSharedContext();
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glFinish();
    ToggleSharedContext();
    return name;
}

// Fills the current context's viewport with the texture and reads back its centre.
std::array<GLubyte, 4> DrawTextureAndReadCentre(GLuint name, int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    std::array<GLubyte, 4> pixel{};
    glReadPixels(width / 2, height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel;
}

class GLWindow : public ::testing::Test {
protected:
    void TearDown() override { CloseOpenedGraphics(); }
};

TEST_F(GLWindow, TheClientAreaIsExactly800By600At32_32) {
    auto g = OpenGLGraphics(800, 600, 0, 60, 0);
    ASSERT_TRUE(g);
    int x, y, width, height;
    GetGLWindowGeometry(RecordOf(g), x, y, width, height);
    EXPECT_EQ(x, 32);
    EXPECT_EQ(y, 32);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);

    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 800, 600}));
    EXPECT_EQ(CurrentGraphicsWidth(), 800);
    EXPECT_EQ(CurrentGraphicsHeight(), 600);
    EXPECT_EQ(CurrentGraphicsDepth(), 0);
    EXPECT_EQ(CurrentGraphicsFlags() & kGraphicsBackBuffer, kGraphicsBackBuffer);
    FlipFrame(-1);
}

TEST_F(GLWindow, TexturesMadeInTheSharedContextDrawInEveryWindow) {
    auto first = OpenGLGraphics(800, 600, 0, 60, 0);
    ASSERT_TRUE(first);
    const GLuint red = MakeSharedTexture({255, 0, 0, 255});
    ASSERT_NE(red, 0u);
    EXPECT_EQ(DrawTextureAndReadCentre(red, 800, 600), (std::array<GLubyte, 4>{255, 0, 0, 255}));
    FlipFrame(0);

    auto second = CreateGraphicsContext(320, 240, 0, 0, 0);
    ASSERT_TRUE(second);
    SelectGraphics(second);
    EXPECT_EQ(DrawTextureAndReadCentre(red, 320, 240), (std::array<GLubyte, 4>{255, 0, 0, 255}));

    // A texture made while the second window is current lives on in the first.
    const GLuint blue = MakeSharedTexture({0, 0, 255, 255});
    CloseGraphicsContext(second);
    SelectGraphics(first);
    EXPECT_EQ(DrawTextureAndReadCentre(blue, 800, 600), (std::array<GLubyte, 4>{0, 0, 255, 255}));
}

TEST_F(GLWindow, ClosingAndReopeningAdvancesTheGenerationAndGivesAWorkingWindow) {
    ASSERT_TRUE(OpenGLGraphics(800, 600, 0, 60, 0));
    const int seq = graphicsSeq;
    auto again = OpenGLGraphics(640, 480, 0, 60, 0);
    ASSERT_TRUE(again);
    EXPECT_EQ(graphicsSeq, seq + 2);
    EXPECT_NE(graphicsSeq, 0);

    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    std::array<GLubyte, 4> pixel{};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    EXPECT_EQ(pixel, (std::array<GLubyte, 4>{0, 255, 0, 255}));

    CloseOpenedGraphics();
    EXPECT_EQ(graphicsSeq, seq + 3);
    EXPECT_EQ(CurrentGraphics(), nullptr);
}

TEST_F(GLWindow, TheDisplayListsItsModesOfSixteenBitsAndUp) {
    SelectGraphicsDriver(GLContextDriver(), 2);
    const std::vector<TGraphicsMode> modes = ListGraphicsModes();
    ASSERT_FALSE(modes.empty());
    for (const TGraphicsMode& mode : modes) {
        EXPECT_GE(mode.depth, 16) << mode.ToString();
        EXPECT_GT(mode.width, 0);
    }
    EXPECT_TRUE(HasGraphicsMode(0, 0, 0, 0));
    EXPECT_TRUE(HasGraphicsMode(modes[0].width, modes[0].height, 0, 0));
}

TEST_F(GLWindow, AContextAttachesToAHostWindowAndFollowsItsSize) {
    auto host = OpenGLGraphics(400, 300, 0, 60, 0);
    ASSERT_TRUE(host);
    const std::intptr_t handle = NativeWindowHandle(RecordOf(host));
    ASSERT_NE(handle, 0);

    auto attached = AttachGraphicsTo(handle, 0);
    ASSERT_TRUE(attached);
    int width, height, depth, hz, flags;
    attached->GetSettings(width, height, depth, hz, flags);
    EXPECT_EQ(width, 400);
    EXPECT_EQ(height, 300);
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(flags, kGraphicsBackBuffer);

    SelectGraphics(attached);
    glClearColor(1, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    std::array<GLubyte, 4> pixel{};
    glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    EXPECT_EQ(pixel, (std::array<GLubyte, 4>{255, 0, 255, 255}));
    CloseGraphicsContext(attached);
    attached->Close();  // a second close does nothing
}

TEST_F(GLWindow, FullScreenTakesTheDisplayModeAndGivesItBackOnClose) {
    SelectGraphicsDriver(GLContextDriver(), 2);
    const std::vector<TGraphicsMode> modes = ListGraphicsModes();
    ASSERT_FALSE(modes.empty());
    const TGraphicsMode& mode = modes[0];
    auto g = OpenGLGraphics(mode.width, mode.height, mode.depth, mode.hz, 0);
    ASSERT_TRUE(g) << mode.ToString();
    int x, y, width, height;
    GetGLWindowGeometry(RecordOf(g), x, y, width, height);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(width, mode.width);
    EXPECT_EQ(height, mode.height);
    EXPECT_EQ(CurrentGraphicsDepth(), mode.depth);
    FlipFrame(-1);
    CloseOpenedGraphics();

    // A window opened afterwards is an ordinary window again.
    auto window = OpenGLGraphics(800, 600, 0, 60, 0);
    ASSERT_TRUE(window);
    GetGLWindowGeometry(RecordOf(window), x, y, width, height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(x, 32);
}

}  // namespace
}  // namespace vdl
