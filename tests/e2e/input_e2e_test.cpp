// Real X input, sent with xdotool, read back through the polled queries; and the program
// itself started, ended by Escape or a close request, and refused without a display or
// with a video driver SDL lacks.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "graphics/gl_graphics.h"
#include "graphics/graphics.h"
#include "platform/sdl_gl_driver.h"
#include "runtime/program.h"
#include "system/clock.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/polled_input.h"
#include "system/system_driver.h"
#include "tests/e2e/shell.h"

// Last: Xlib defines macros (None, Bool, Status) that other headers must not see.
#include <X11/Xlib.h>

namespace vdl {
namespace {

using e2e::kProgram;
using e2e::Output;
using e2e::Shell;

// Pumps and flips for ms milliseconds.
void PumpFor(int ms) {
    const int end = Millis() + ms;
    while (Millis() - end < 0) {
        PollSystem();
        FlipFrame(0);
        Delay(5);
    }
}

// Pumps and flips until done() holds or three seconds pass.
bool PumpUntil(const std::function<bool()>& done) {
    const int end = Millis() + 3000;
    while (Millis() - end < 0) {
        PollSystem();
        if (done()) return true;
        FlipFrame(0);
        Delay(5);
    }
    return false;
}

// Sends the window the request a window manager sends when its close button is pressed.
// libX11 is loaded at run time: nothing else of the engine or its tests needs it.
bool SendCloseRequest(unsigned long window) {
    void* x11 = dlopen("libX11.so.6", RTLD_NOW);
    if (!x11) return false;
    auto open = reinterpret_cast<Display* (*)(const char*)>(dlsym(x11, "XOpenDisplay"));
    auto atom = reinterpret_cast<Atom (*)(Display*, const char*, Bool)>(dlsym(x11, "XInternAtom"));
    auto send = reinterpret_cast<Status (*)(Display*, Window, Bool, long, XEvent*)>(
        dlsym(x11, "XSendEvent"));
    auto flush = reinterpret_cast<int (*)(Display*)>(dlsym(x11, "XFlush"));
    auto close = reinterpret_cast<int (*)(Display*)>(dlsym(x11, "XCloseDisplay"));
    Display* display = open ? open(nullptr) : nullptr;
    if (!display || !atom || !send || !flush || !close) return false;

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(atom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = send(display, window, False, NoEventMask, &event) != 0;
    flush(display);
    close(display);
    dlclose(x11);
    return sent;
}

// Counts pointer enter events.
struct EnterCount : Object {
    int enters = 0;
};

ObjectRef CountEnter(int, ObjectRef data, const ObjectRef& context) {
    auto* event = dynamic_cast<TEvent*>(data.get());
    if (event && event->id == kEventMouseEnter) ++static_cast<EnterCount*>(context.get())->enters;
    return data;
}

class RealInput : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppTitle("cca-e2e-input");
        InstallSDLBackends();
        ASSERT_TRUE(OpenGLGraphics(800, 600, 0, 60, 0));
        window_ = Output("xdotool search --sync --onlyvisible --name '^cca-e2e-input$' | head -1");
        ASSERT_FALSE(window_.empty());
        ASSERT_EQ(Shell("xdotool windowfocus --sync " + window_), 0);
        PumpFor(200);
    }
    void TearDown() override { CloseOpenedGraphics(); }

    // The window's client area starts at (32, 32) on the screen.
    std::string MoveTo(int clientX, int clientY) {
        return "xdotool mousemove --sync " + std::to_string(32 + clientX) + " " +
               std::to_string(32 + clientY);
    }

    std::string window_;
};

TEST_F(RealInput, KeysArriveWithTheirCodesAndCharacters) {
    ASSERT_EQ(Shell("xdotool keydown a"), 0);
    EXPECT_TRUE(PumpUntil([] { return IsKeyDown(65) == 1; }));
    EXPECT_EQ(KeyHitCount(65), 1);
    EXPECT_EQ(NextKeyChar(), 'a');
    ASSERT_EQ(Shell("xdotool keyup a"), 0);
    EXPECT_TRUE(PumpUntil([] { return IsKeyDown(65) == 0; }));
    EXPECT_EQ(KeyHitCount(65), 0);

    ASSERT_EQ(Shell("xdotool keydown Shift_R"), 0);
    EXPECT_TRUE(PumpUntil([] { return IsKeyDown(161) == 1; }));
    EXPECT_EQ(IsKeyDown(16), 0) << "never the generic shift code";
    ASSERT_EQ(Shell("xdotool keyup Shift_R key Escape"), 0);
    EXPECT_TRUE(PumpUntil([] { return KeyHitCount(27) == 1; }));
    EXPECT_EQ(IsKeyDown(161), 0);
}

TEST_F(RealInput, ThePointerAndTheButtonsArriveInClientCoordinates) {
    auto enters = std::make_shared<EnterCount>();
    AddHook(EmitEventHook, CountEnter, enters, 1);
    ASSERT_EQ(Shell("xdotool mousemove --sync 1000 900"), 0);  // outside the window
    ASSERT_EQ(Shell(MoveTo(100, 200)), 0);
    EXPECT_TRUE(PumpUntil([] { return PointerX() == 100 && PointerY() == 200; }))
        << PointerX() << "," << PointerY();
    EXPECT_GE(enters->enters, 1);
    RemoveHook(EmitEventHook, CountEnter, enters);

    ASSERT_EQ(Shell(MoveTo(400, 300) + " click 1"), 0);
    EXPECT_TRUE(PumpUntil([] { return MouseHitCount(1) == 1; }));
    EXPECT_EQ(IsMouseDown(1), 0);
    EXPECT_EQ(PointerX(), 400);
    EXPECT_EQ(PointerY(), 300);

    ASSERT_EQ(Shell("xdotool mousedown 3"), 0);
    EXPECT_TRUE(PumpUntil([] { return IsMouseDown(2) == 1; })) << "the right button is 2";
    ASSERT_EQ(Shell("xdotool mouseup 3 click 4 click 4"), 0);
    EXPECT_TRUE(PumpUntil([] { return PointerWheel() == 2; })) << PointerWheel();
    EXPECT_EQ(MouseHitCount(2), 1);
}

TEST_F(RealInput, AHiddenPointerIsHiddenOnlyOverTheWindow) {
    const auto shown = [] { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; };
    ASSERT_EQ(Shell(MoveTo(300, 300)), 0);
    PumpFor(100);
    for (int i = 0; i < 5; ++i)
        HidePointer();
    EXPECT_FALSE(shown());

    ASSERT_EQ(Shell("xdotool mousemove --sync 1100 1000"), 0);
    EXPECT_TRUE(PumpUntil(shown)) << "outside the window the cursor is back";
    ASSERT_EQ(Shell(MoveTo(10, 10)), 0);
    EXPECT_TRUE(PumpUntil([&] { return !shown(); })) << "and hidden again inside";

    ShowPointer();
    EXPECT_TRUE(shown());
}

TEST_F(RealInput, ACloseRequestIsReportedOnce) {
    EXPECT_EQ(CloseRequested(), 0);
    ASSERT_TRUE(SendCloseRequest(std::stoul(window_)));
    EXPECT_TRUE(PumpUntil([] { return CloseRequested() == 1; }));
    EXPECT_EQ(CloseRequested(), 0);

    ASSERT_EQ(Shell("xdotool key alt+F4"), 0);
    EXPECT_TRUE(PumpUntil([] { return CloseRequested() == 1; }));
}

// Starts the program, waits for its window, runs action on the window's id and returns the
// program's exit status; -1 when it did not end within thirty seconds. The window shows
// before the game has loaded, and what arrives while it loads is not for the menu: as a
// player would, the action is repeated every two seconds until the program ends.
int ProgramUntil(const std::function<void(const std::string& window)>& action) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(kProgram, kProgram, static_cast<char*>(nullptr));
        _exit(127);
    }
    const std::string window = Output(
        "timeout 10 xdotool search --sync --onlyvisible --name '^Candy Cane Arena$' | head -1");

    int status = 0;
    for (int waited = 0; waited < 30000; waited += 10) {
        if (!window.empty() && waited % 2000 == 0 &&
            Shell("xdotool getwindowname " + window + " >/dev/null 2>&1") == 0) {
            action(window);
        }
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        Delay(10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

TEST(Program, EndsOnEscape) {
    EXPECT_EQ(ProgramUntil([](const std::string& window) {
                  // The title menu ends on Escape held when it looks, once a frame.
                  Shell("xdotool windowfocus --sync " + window +
                        " keydown Escape sleep 0.3 keyup Escape");
              }),
              0);
}

TEST(Program, EndsOnACloseRequest) {
    EXPECT_EQ(ProgramUntil([](const std::string& window) { SendCloseRequest(std::stoul(window)); }),
              0);
}

// What the program printed when started through env with the given changes, and its exit
// status; one that has not given up within thirty seconds is ended (status 124).
struct Refusal {
    std::string output;
    std::string status;
};

Refusal RefusedWith(const std::string& changes) {
    const std::string output =
        Output("env " + changes + " timeout 30 " + std::string(kProgram) + " 2>&1; echo $?");
    const std::size_t lastLine = output.find_last_of('\n');
    if (lastLine == std::string::npos) return {"", output};
    return {output.substr(0, lastLine), output.substr(lastLine + 1)};
}

TEST(Program, WithoutADisplayItSaysWhyAndFails) {
    const Refusal refusal = RefusedWith("-u DISPLAY -u WAYLAND_DISPLAY");
    EXPECT_NE(refusal.status, "0");
    EXPECT_NE(refusal.output.find("no display"), std::string::npos) << refusal.output;
}

TEST(Program, AVideoDriverSDLLacksIsNamedInsteadOfTheDisplay) {
    const Refusal missing = RefusedWith("SDL_VIDEODRIVER=nonsense");
    EXPECT_NE(missing.status, "0");
    EXPECT_NE(missing.output.find("unable to open a window, the video driver \"nonsense\" named "
                                  "by SDL_VIDEODRIVER is not available (available: "),
              std::string::npos)
        << missing.output;
    EXPECT_NE(missing.output.find("x11"), std::string::npos) << missing.output;
    EXPECT_EQ(missing.output.find("no display"), std::string::npos) << missing.output;

    // A driver SDL has, in any case as SDL reads the name, is not missing: without a display
    // the display is what is missing.
    const Refusal known = RefusedWith("-u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=X11");
    EXPECT_NE(known.status, "0");
    EXPECT_NE(known.output.find("no display"), std::string::npos) << known.output;
}

}  // namespace
}  // namespace vdl
