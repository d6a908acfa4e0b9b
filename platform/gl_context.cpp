// Native windows and OpenGL contexts, on SDL2.
#include "platform/gl_context.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/error_box.h"
#include "platform/sdl_system_driver.h"
#include "platform/window_listener.h"
#include "runtime/errors.h"
#include "runtime/phase_times.h"
#include "runtime/program.h"
#include "system/clock.h"

namespace vdl {

namespace {
struct PlatformState {
    bool videoStarted = false;
    // The shared context of each API, made on its first request.
    std::unique_ptr<GLContextRecord> shared[2];
    // Every live record but the shared one.
    std::vector<std::unique_ptr<GLContextRecord>> records;
    GLContextRecord* current = nullptr;
    // The window holding full-screen mode, or null while the desktop mode is in force.
    SDL_Window* fullScreenWindow = nullptr;
};

// Never destroyed: contexts are not torn down by static destruction at exit.
PlatformState& State() {
    static PlatformState* state = new PlatformState;
    return *state;
}

std::unique_ptr<GLContextRecord>& SharedRecord(GLContextApi api) {
    return State().shared[api == GLContextApi::ES2 ? 1 : 0];
}

// Ends the process when the window system cannot be used at all: nothing can be drawn, so
// the program cannot go on. Prints message on standard error and shows boxText in the error
// box, running the exit routines in between (the mixer stops cleanly).
[[noreturn]] void ExitWithMessage(const std::string& message, const std::string& boxText,
                                  int code) {
    PrintErrorLine("GLGraphicsDriver: " + message);
    RunExitRoutines();
    ShowErrorBox(boxText);
    std::fflush(nullptr);
    std::_Exit(code);
}

// Ends the process when the window system refused what was asked: says what, the display
// it was asked of (standard error only) and SDL's reason.
[[noreturn]] void FailPlatform(const char* what, int code) {
    const char* display = SDL_getenv("DISPLAY");
    const std::string reason = SDL_GetError();
    ExitWithMessage(
        std::string(what) + " (DISPLAY=" + (display ? display : "not set") + "): " + reason,
        std::string(what) + ": " + reason, code);
}

// Asks for the pixel format of a graphics flag set: every requested buffer with at least one
// bit, colour with at least one bit per channel, so the best matching format is chosen; and
// for the context API: SDL's default (desktop OpenGL, compatibility) or an OpenGL ES 2
// profile.
// NOTE: an ES 2.0 request may give a later ES version (Mesa gives 3.2), which runs ES 2 code
// unchanged.
void InitPixelFormat(int flags, GLContextApi api) {
    SDL_GL_ResetAttributes();
    if (api == GLContextApi::ES2) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    }
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, (flags & kGraphicsAlphaBuffer) ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (flags & kGraphicsBackBuffer) ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, (flags & kGraphicsDepthBuffer) ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, (flags & kGraphicsStencilBuffer) ? 1 : 0);
    const int accum = (flags & kGraphicsAccumBuffer) ? 1 : 0;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
}

// Makes a context for window that shares textures with the shared context of api (the pixel
// format must ask for api). Leaves the previously current context current again. Null on
// failure.
//
// A page has one canvas, so in the browser there is no hidden window and no context to share
// with: the game window's context is the only one, current from its creation on, and it
// holds every texture.
SDL_GLContext CreateSharingContext(SDL_Window* window, [[maybe_unused]] GLContextApi api) {
#ifdef __EMSCRIPTEN__
    return SDL_GL_CreateContext(window);
#else
    const GLContextRecord& shared = *SharedRecord(api);
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();

    SDL_GL_MakeCurrent(shared.window, shared.context);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);

    SDL_GL_MakeCurrent(previousWindow, previousContext);
    return context;
#endif
}

Uint32 PixelFormatForDepth(int depth) {
    switch (depth) {
        case 16:
            return SDL_PIXELFORMAT_RGB565;
        case 24:
            return SDL_PIXELFORMAT_RGB24;
        case 32:
            return SDL_PIXELFORMAT_RGB888;
        default:
            return SDL_PIXELFORMAT_UNKNOWN;
    }
}

// Switches the display to the record's mode for its window; false when the platform refuses.
bool EnterFullScreen(GLContextRecord& record, int hz) {
    SDL_DisplayMode mode{};
    mode.format = PixelFormatForDepth(record.depth);
    mode.w = record.width;
    mode.h = record.height;
    mode.refresh_rate = hz;
    if (SDL_SetWindowDisplayMode(record.window, &mode) != 0) return false;
    return SDL_SetWindowFullscreen(record.window, SDL_WINDOW_FULLSCREEN) == 0;
}

void LeaveFullScreen(SDL_Window* window) {
    PlatformState& s = State();
    if (window != s.fullScreenWindow) return;
    SDL_SetWindowFullscreen(window, 0);
    SDL_MinimizeWindow(window);
    SetSwapInterval(0);
    s.fullScreenWindow = nullptr;
}

void TakeFocus(GLContextRecord& record) {
    PlatformState& s = State();
    if (record.kind != kContextFullScreen || record.window == s.fullScreenWindow) return;
    int interval = 0;
    if (EnterFullScreen(record, record.hz)) {
        s.fullScreenWindow = record.window;
        interval = record.hz ? 1 : 0;
    } else if (record.hz != 0 && EnterFullScreen(record, 0)) {
        s.fullScreenWindow = record.window;
    }
    if (!s.fullScreenWindow) RuntimeError("GLGraphicsDriver failed to set display mode");
    SetSwapInterval(interval);
}

// The full-screen mode follows the focus of its window.
class TFocusFollower : public TWindowListener {
public:
    void FocusChanged(std::uint32_t windowId, bool focused) override {
        GLContextRecord* record = FindGLContextRecord(windowId);
        if (!record) return;
        if (focused) {
            TakeFocus(*record);
        } else {
            LeaveFullScreen(record->window);
        }
    }
};

// Starts SDL's video system once and listens to focus changes; false when it cannot start.
bool StartVideo() {
    PlatformState& s = State();
    if (s.videoStarted) return true;
    // NOTE: SDL falls back to its off-screen driver when no display can be reached, and
    // the program would then run unseen. Unless a driver is asked for by name, only the
    // ones that show something are tried.
    if (!SDL_getenv("SDL_VIDEODRIVER")) {
        std::string visible;
        for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
            const std::string name = SDL_GetVideoDriver(i);
            if (name == "offscreen" || name == "dummy" || name == "evdev") continue;
            if (name == "wayland" && !SDL_getenv("WAYLAND_DISPLAY")) continue;
            visible += (visible.empty() ? "" : ",") + name;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, visible.c_str());
    }
#ifdef _WIN32
    // NOTE: Windows draws a program it thinks unaware of the desktop's scale at 96 dpi and
    // stretches the picture, blurred, to 150 % or 200 %. Told that sizes are in the desktop's
    // scaled units, SDL opens 800 x 600 of them (1200 x 900 pixels at 150 %), reports the
    // pointer in them, and gives the drawable in real pixels, which the letterbox fills.
    SDL_SetHint(SDL_HINT_WINDOWS_DPI_SCALING, "1");
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    MarkPhase("video init");
    static TFocusFollower focusFollower;
    SetWindowListener(&focusFollower);
    s.videoStarted = true;
    return true;
}

// Why video cannot start when SDL_VIDEODRIVER names no driver this SDL was built with: a
// misspelt or foreign name, not the display, is then at fault. Empty when the variable is
// unset or names a driver SDL has.
std::string MissingVideoDriver() {
    const char* named = SDL_getenv("SDL_VIDEODRIVER");
    if (!named || !*named) return std::string();
    // NOTE: SDL reads the variable as a comma-separated list and matches each name ignoring
    // case; so does this.
    const std::string list = named;
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    std::string available;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* driver = SDL_GetVideoDriver(i);
        for (const std::string& name : names) {
            if (SDL_strcasecmp(name.c_str(), driver) == 0) return std::string();
        }
        available += (available.empty() ? "" : ", ") + std::string(driver);
    }
    const std::string what =
        names.size() == 1
            ? "the video driver \"" + list + "\" named by SDL_VIDEODRIVER is not available"
            : "none of the video drivers \"" + list + "\" named by SDL_VIDEODRIVER is available";
    return what + " (available: " + available + ")";
}

// Starts SDL's video system (once); exits the process with a message when it cannot.
void StartVideoOrExit() {
    if (StartVideo()) return;
    const std::string missing = MissingVideoDriver();
    if (!missing.empty()) {
        const std::string message = "unable to open a window, " + missing;
        ExitWithMessage(message, message, -1);
    }
    FailPlatform("unable to open a window, no display could be reached", -1);
}

// Makes the hidden window and the shared context of api (once); exits the process with a
// message when it cannot.
void EnsureSharedContext(GLContextApi api) {
    std::unique_ptr<GLContextRecord>& shared = SharedRecord(api);
    if (shared) return;
    StartVideoOrExit();
#ifdef __EMSCRIPTEN__
    return;
#endif

    // The other API's windows may already be drawing: whatever is current stays current.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    auto record = std::make_unique<GLContextRecord>();
    InitPixelFormat(0, api);
    record->window = SDL_CreateWindow(
        "", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
    if (!record->window) FailPlatform("unable to create the hidden OpenGL window", 1);
    MarkPhase("hidden window");
    record->context = SDL_GL_CreateContext(record->window);
    MarkPhase("shared context");
    if (!record->context) {
        FailPlatform(api == GLContextApi::ES2 ? "unable to create the shared OpenGL ES 2 context"
                                              : "unable to create the shared OpenGL context",
                     1);
    }
    // Creating a context makes it current; it is only made current again to make textures.
    SDL_GL_MakeCurrent(previousWindow, previousContext);
    record->kind = kContextShared;
    record->api = api;
    record->width = 1;
    record->height = 1;
    shared = std::move(record);
}
}  // namespace

GLContextRecord::~GLContextRecord() {
    if (context) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
    // A host window's SDL wrapper is released; SDL leaves the native window alone.
    if (window) SDL_DestroyWindow(window);
}

std::vector<TGraphicsMode> EnumDisplayModes(int max) {
    std::vector<TGraphicsMode> modes;
    if (!StartVideo()) return modes;
    for (int i = 0; static_cast<int>(modes.size()) < max; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) break;
        // NOTE: bits per pixel as the desktop counts them: a 24-bit colour mode stored in
        // four bytes is a 32-bit mode.
        const int bits = SDL_BYTESPERPIXEL(mode.format) * 8;
        if (bits > 15) modes.emplace_back(mode.w, mode.h, bits, mode.refresh_rate);
    }
    return modes;
}

GLContextRecord* AttachGLContext(std::intptr_t handle, int flags, GLContextApi api) {
    EnsureSharedContext(api);
    PlatformState& s = State();
    InitPixelFormat(flags, api);
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    auto record = std::make_unique<GLContextRecord>();
    record->window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(handle));
    if (!record->window) return nullptr;
    record->context = CreateSharingContext(record->window, api);
    if (!record->context) return nullptr;
    record->kind = kContextAttached;
    record->api = api;
    record->flags = flags;
    SDL_GetWindowSize(record->window, &record->width, &record->height);
    s.records.push_back(std::move(record));
    return s.records.back().get();
}

GLContextRecord* CreateGLWindow(int width, int height, int depth, int hz, int flags,
                                GLContextApi api) {
    EnsureSharedContext(api);
    PlatformState& s = State();
    if (width <= 0 || height <= 0) return nullptr;

    const bool fullScreen = depth != 0;
    // The client area's position; the platform adds the border outside it.
    const int x = fullScreen ? 0 : 32;
    const int y = fullScreen ? 0 : 32;
    Uint32 windowFlags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    windowFlags |=
        fullScreen ? SDL_WINDOW_BORDERLESS : SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;

    // A pixel format no visual matches makes the window fail: no record.
    InitPixelFormat(flags, api);
    auto record = std::make_unique<GLContextRecord>();
    record->window = SDL_CreateWindow(AppTitle().c_str(), x, y, width, height, windowFlags);
    if (!record->window) return nullptr;
    MarkPhase("game window");
    // Making the context is a long step of a page's start-up, the window another.
    YieldIfBusy();
    record->context = CreateSharingContext(record->window, api);
    if (!record->context) return nullptr;
    MarkPhase("game window context");

    record->kind = fullScreen ? kContextFullScreen : kContextWindow;
    record->api = api;
    record->width = width;
    record->height = height;
    record->depth = depth;
    record->hz = hz;
    record->flags = flags;
    s.records.push_back(std::move(record));
    GLContextRecord* made = s.records.back().get();

    SDL_ShowWindow(made->window);
    // Showing a full-screen window gives it the focus, which switches the display mode.
    if (fullScreen) {
        try {
            TakeFocus(*made);
        } catch (...) {
            CloseGLContext(made);
            throw;
        }
    }
    return made;
}

GLContextRecord* FindGLContextRecord(std::uint32_t windowId) {
    for (const auto& record : State().records) {
        if (record->window && SDL_GetWindowID(record->window) == windowId) return record.get();
    }
    return nullptr;
}

void GetGLContextSettings(GLContextRecord* record, int& width, int& height, int& depth, int& hz,
                          int& flags) {
    if (record->kind == kContextAttached) {
        SDL_GetWindowSize(record->window, &record->width, &record->height);
    }
    width = record->width;
    height = record->height;
    depth = record->depth;
    hz = record->hz;
    flags = record->flags;
}

void CloseGLContext(GLContextRecord* record) {
    PlatformState& s = State();
    auto found = std::find_if(s.records.begin(), s.records.end(),
                              [record](const auto& r) { return r.get() == record; });
    if (found == s.records.end()) return;
    if (s.current == record) MakeGLContextCurrent(nullptr);
    if (record->window) LeaveFullScreen(record->window);
    s.records.erase(found);
}

void MakeGLContextCurrent(GLContextRecord* record) {
    PlatformState& s = State();
    if (record == s.current) return;
    s.current = record;
    if (record) {
        SDL_GL_MakeCurrent(record->window, static_cast<SDL_GLContext>(record->context));
    } else if (s.videoStarted) {
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }
}

void SwapGLBuffers(int sync) {
    GLContextRecord* record = State().current;
    if (!record) return;
    sync = sync ? 1 : 0;
    if (sync != record->swapInterval) {
        record->swapInterval = sync;
        SetSwapInterval(sync);
    }
    SDL_GL_SwapWindow(record->window);
}

void ToggleSharedContext(GLContextApi api) {
    PlatformState& s = State();
    const std::unique_ptr<GLContextRecord>& shared = SharedRecord(api);
    if (!shared) return;
    if (SDL_GL_GetCurrentContext() != shared->context) {
        SDL_GL_MakeCurrent(shared->window, static_cast<SDL_GLContext>(shared->context));
    } else if (s.current) {
        SDL_GL_MakeCurrent(s.current->window, static_cast<SDL_GLContext>(s.current->context));
    } else {
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }
}

void SetSwapInterval([[maybe_unused]] int n) {
#ifndef __EMSCRIPTEN__
    // Platforms without swap control refuse; the flip then simply does not wait. A page is
    // shown when the program yields (platform/browser.h), and SDL would only complain there
    // that no browser main loop is set up.
    SDL_GL_SetSwapInterval(n);
#endif
}

void GetGLWindowGeometry(const GLContextRecord* record, int& x, int& y, int& width, int& height) {
    x = y = width = height = 0;
    if (!record || !record->window) return;
    SDL_GetWindowPosition(record->window, &x, &y);
    SDL_GetWindowSize(record->window, &width, &height);
}

std::intptr_t NativeWindowHandle(const GLContextRecord* record) {
    if (!record || !record->window) return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(record->window, &info)) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (info.subsystem == SDL_SYSWM_X11) return static_cast<std::intptr_t>(info.info.x11.window);
#endif
#if defined(SDL_VIDEO_DRIVER_WINDOWS)
    if (info.subsystem == SDL_SYSWM_WINDOWS)
        return reinterpret_cast<std::intptr_t>(info.info.win.window);
#endif
    return 0;
}

}  // namespace vdl
