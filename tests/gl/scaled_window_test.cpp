// The 800 x 600 arena in a window the player made larger, on each renderer: drawn scaled to
// fit with black bars, grabbed back at arena size, the pointer mapped into the arena, and the
// full-screen keys (the display has no window manager, as a bare Xvfb has none).
#include <SDL.h>

#include <cstdlib>

#include "graphics/image_font.h"
#include "platform/gl_context.h"
#include "platform/sdl_gl_driver.h"
#include "platform/window_arena.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/polled_input.h"
#include "system/system_driver.h"
#include "tests/gl/renderer_fixture.h"

namespace {

using glfix::Rgb;

// Where the last button press the game was sent landed.
std::pair<int, int> pressed;

vdl::ObjectRef RecordPress(int, vdl::ObjectRef data, const vdl::ObjectRef&) {
    auto* event = dynamic_cast<vdl::TEvent*>(data.get());
    if (event && event->id == vdl::kEventMouseDown) pressed = {event->x, event->y};
    return data;
}

class ScaledWindow : public testing::TestWithParam<glfix::Renderer> {
protected:
    void SetUp() override {
        vdl::SelectGraphicsDriver(glfix::DriverOf(GetParam()), vdl::kGraphicsBackBuffer);
        const auto g =
            std::dynamic_pointer_cast<vdl::TVex2DGraphics>(vdl::OpenGraphics(800, 600, 0, 0, 0));
        ASSERT_NE(g, nullptr);
        window_ = std::dynamic_pointer_cast<vdl::TGLGraphics>(g->graphics)->Record()->window;
        vdl::AddHook(vdl::EmitEventHook, RecordPress, nullptr, 100);
    }
    void TearDown() override {
        vdl::RemoveHook(vdl::EmitEventHook, RecordPress, nullptr);
        vdl::CloseOpenedGraphics();
    }

    // Resizes the window; from the next present on the renderer draws at the new size.
    void Resize(int width, int height) {
        SDL_SetWindowSize(window_, width, height);
        vdl::PollSystem();
        vdl::FlipFrame(0);
    }

    // The same scene at any window size: a clear, rectangles, a point, an unfiltered texture
    // and a pixmap, all at whole pixels.
    void DrawScene() {
        vdl::SetClearColor(30, 60, 90);
        vdl::ClearScreen();
        vdl::SetBlendMode(vdl::SOLIDBLEND);
        vdl::SetDrawColor(250, 40, 40);
        vdl::FillRect(100, 100, 10, 10);
        vdl::FillRect(-50, 300, 100, 20);  // through the arena's left edge
        vdl::PlotPoint(400, 17);
        const vdl::PixmapRef pixmap = vdl::TPixmap::Create(3, 2, vdl::PF_RGBA8888, 4);
        for (int i = 0; i < 6; ++i)
            pixmap->WritePixel(i % 3, i / 3, 0xFF000000u | (0x2A5F93u * (i + 1)));
        vdl::SetDrawColor(255, 255, 255);
        glfix::DriverOf(GetParam())->CreateFrameFromPixmap(pixmap, 0)->Draw(0, 0, 6, 4, 700, 500);
        vdl::DrawPixmapAt(pixmap, 790, 595);
    }

    // A drawable pixel straight from GL, y down.
    static Rgb Drawn(int x, int y) {
        int width = 0, height = 0;
        vdl::TVex2DGraphics::Current()->GetDrawableSize(width, height);
        GLubyte p[4];
        vdl::GrabScreenPixmap(0, 0, 1, 1);  // draws what the renderer holds back
        glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }

    // Pushes what the system sends for a click at a window point, then pumps the events.
    void Click(int x, int y) {
        SDL_Event e{};
        e.motion = {SDL_MOUSEMOTION, 0, SDL_GetWindowID(window_), 0, 0, x, y, 0, 0};
        SDL_PushEvent(&e);
        e.button = {
            SDL_MOUSEBUTTONDOWN, 0, SDL_GetWindowID(window_), 0, SDL_BUTTON_LEFT, 1, 1, 0, x, y};
        SDL_PushEvent(&e);
        vdl::PollSystem();
    }

    void Key(Uint32 type, SDL_Scancode scancode, Uint16 mod = 0) {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = SDL_GetWindowID(window_);
        e.key.keysym.scancode = scancode;
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
        vdl::PollSystem();
    }

    SDL_Window* window_ = nullptr;
};

TEST_P(ScaledWindow, TwiceTheWindowShowsTheArenaScaledByTwoAndClicksLandOnHalfThePoint) {
    DrawScene();
    const vdl::PixmapRef small = vdl::GrabScreenPixmap(0, 0, 800, 600);
    Resize(1600, 1200);
    DrawScene();
    const vdl::PixmapRef large = vdl::GrabScreenPixmap(0, 0, 800, 600);
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x)
            ASSERT_EQ(small->ReadPixel(x, y), large->ReadPixel(x, y)) << x << ", " << y;
    }
    vdl::PollSystem();
    Click(2 * 123, 2 * 456 + 1);
    EXPECT_EQ(std::pair(vdl::PointerX(), vdl::PointerY()), std::pair(123, 456));
    EXPECT_EQ(pressed, std::pair(123, 456));
    EXPECT_EQ(vdl::MouseHitCount(1), 1);
}

TEST_P(ScaledWindow, AWideWindowCentresTheArenaBetweenBlackBarsThatClicksClampOutOf) {
    Resize(1920, 1080);
    // Whatever the back buffer holds, the bars are cleared before every present.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    vdl::FlipFrame(0);
    DrawScene();
    for (const int y : {0, 540, 1079}) {
        EXPECT_EQ(Drawn(0, y), (Rgb{0, 0, 0}));
        EXPECT_EQ(Drawn(239, y), (Rgb{0, 0, 0})) << "the rectangle through the edge stops there";
        EXPECT_EQ(Drawn(1680, y), (Rgb{0, 0, 0}));
        EXPECT_EQ(Drawn(1919, y), (Rgb{0, 0, 0}));
        EXPECT_EQ(Drawn(1679, y), (Rgb{30, 60, 90}));
    }
    EXPECT_EQ(Drawn(240, 550), (Rgb{250, 40, 40}));

    vdl::PollSystem();
    Click(10, 540);
    EXPECT_EQ(pressed, std::pair(0, 300));
    Click(1900, 3);
    EXPECT_EQ(pressed, std::pair(799, 1));
}

// On a desktop scaled by s (Windows at 150 %: the runner passes s in CCA_DESKTOP_SCALE), the
// window opens 800 x 600 of the desktop's units and draws the arena in all the pixels they
// cover, sharp rather than stretched; grabs and clicks stay in arena points.
TEST_P(ScaledWindow, TheWindowOpensAtTheDesktopsScale) {
    const char* named = std::getenv("CCA_DESKTOP_SCALE");
    const double scale = named ? std::atof(named) : 1.0;
    const auto pixels = [scale](int points) { return static_cast<int>(points * scale); };
    int width = 0, height = 0;
    vdl::TVex2DGraphics::Current()->GetDrawableSize(width, height);
    EXPECT_EQ(std::pair(width, height), std::pair(pixels(800), pixels(600)));
    DrawScene();
    EXPECT_EQ(Drawn(pixels(100), pixels(100)), (Rgb{250, 40, 40}));
    EXPECT_EQ(Drawn(pixels(110) + 1, pixels(100)), (Rgb{30, 60, 90}));
    const vdl::PixmapRef grab = vdl::GrabScreenPixmap(0, 0, 800, 600);
    EXPECT_EQ(std::pair(grab->width, grab->height), std::pair(800, 600));
    EXPECT_EQ(grab->ReadPixel(105, 105) & 0xFFFFFFu, 0xFA2828u);
    vdl::PollSystem();
    Click(123, 456);
    EXPECT_EQ(pressed, std::pair(123, 456));
}

TEST_P(ScaledWindow, F11AndAltEnterSwitchFullScreenAndReachNothingElse) {
    const Uint32 id = SDL_GetWindowID(window_);
    SDL_Rect display;
    ASSERT_EQ(SDL_GetDisplayBounds(0, &display), 0);
    int x = 0, y = 0, width = 0, height = 0;
    for (const bool altEnter : {false, true}) {
        for (const bool full : {true, false}) {
            if (altEnter) {
                Key(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_LALT);
                Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT);
                Key(SDL_KEYUP, SDL_SCANCODE_LALT);
                Key(SDL_KEYUP, SDL_SCANCODE_RETURN);
            } else {
                Key(SDL_KEYDOWN, SDL_SCANCODE_F11);
                Key(SDL_KEYUP, SDL_SCANCODE_F11);
            }
            EXPECT_EQ(vdl::IsDesktopFullScreen(id), full);
            SDL_GetWindowPosition(window_, &x, &y);
            SDL_GetWindowSize(window_, &width, &height);
            EXPECT_EQ(std::tuple(x, y, width, height),
                      full ? std::tuple(display.x, display.y, display.w, display.h)
                           : std::tuple(32, 32, 800, 600));
        }
    }
    EXPECT_EQ(vdl::KeyHitCount(122) + vdl::KeyHitCount(13) + vdl::NextKeyChar(), 0);
    EXPECT_EQ(vdl::KeyHitCount(164), 2);
}

RENDERER_TEST_SUITE(ScaledWindow);

}  // namespace
