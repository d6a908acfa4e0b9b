// The pointer between window and arena, and the borderless full screen.
#include "platform/window_arena.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <vector>

#include "graphics/letterbox.h"
#include "platform/browser.h"
#include "platform/gl_context.h"

namespace vdl {

namespace {

// The window and its letterbox, for the layer's own windows and full-screen displays; null
// for any other window id.
SDL_Window* ArenaWindow(std::uint32_t windowId, Letterbox& view) {
    const GLContextRecord* record = FindGLContextRecord(windowId);
    if (!record || (record->kind != kContextWindow && record->kind != kContextFullScreen)) {
        return nullptr;
    }
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(record->window, &width, &height);
    view = Letterbox(record->width, record->height, width, height);
    return record->window;
}

// In the browser the page's full screen is the one there is; the rest is the desktop's.
#ifndef __EMSCRIPTEN__

// A window made full screen by hand, and where it was before.
struct ByHand {
    std::uint32_t windowId;
    SDL_Rect windowed;
};

// Never destroyed, as the layer's windows are not.
std::vector<ByHand>& WindowsFullScreenByHand() {
    static auto* windows = new std::vector<ByHand>;
    return *windows;
}

std::vector<ByHand>::iterator FindByHand(std::uint32_t windowId) {
    std::vector<ByHand>& windows = WindowsFullScreenByHand();
    return std::find_if(windows.begin(), windows.end(),
                        [windowId](const ByHand& w) { return w.windowId == windowId; });
}

// Whether a window manager looks after the window's display. Only X can run without one: an
// EWMH window manager names its check window on the root window.
bool WindowManagerRuns(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
    Display* display = info.info.x11.display;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                          XA_WINDOW, &type, &format, &count, &after, &data);
    if (data) XFree(data);
    return status == Success && type == XA_WINDOW && count == 1;
#else
    (void)window;
    return true;
#endif
}

// Makes the window borderless and as large as its display, or gives it back its place.
void ToggleByHand(std::uint32_t windowId, SDL_Window* window) {
    const auto found = FindByHand(windowId);
    if (found != WindowsFullScreenByHand().end()) {
        const SDL_Rect windowed = found->windowed;
        WindowsFullScreenByHand().erase(found);
        SDL_SetWindowBordered(window, SDL_TRUE);
        SDL_SetWindowSize(window, windowed.w, windowed.h);
        SDL_SetWindowPosition(window, windowed.x, windowed.y);
        return;
    }
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window), 0), &bounds) != 0) return;
    ByHand entry{windowId, {}};
    SDL_GetWindowPosition(window, &entry.windowed.x, &entry.windowed.y);
    SDL_GetWindowSize(window, &entry.windowed.w, &entry.windowed.h);
    WindowsFullScreenByHand().push_back(entry);
    SDL_SetWindowBordered(window, SDL_FALSE);
    SDL_SetWindowPosition(window, bounds.x, bounds.y);
    SDL_SetWindowSize(window, bounds.w, bounds.h);
}

#endif
}  // namespace

void GetGLDrawableSize(const GLContextRecord* record, int& width, int& height) {
    width = height = 0;
    if (record && record->window) SDL_GL_GetDrawableSize(record->window, &width, &height);
}

void WindowToArena(std::uint32_t windowId, int x, int y, int& arenaX, int& arenaY) {
    Letterbox view;
    SDL_Window* window = ArenaWindow(windowId, view);
    if (!window) {
        arenaX = x, arenaY = y;
        return;
    }
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    view.ArenaPointOf(x, y, width, height, arenaX, arenaY);
}

void ArenaToWindow(std::uint32_t windowId, int arenaX, int arenaY, int& x, int& y) {
    Letterbox view;
    SDL_Window* window = ArenaWindow(windowId, view);
    if (!window) {
        x = arenaX, y = arenaY;
        return;
    }
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    view.WindowPointOf(arenaX, arenaY, width, height, x, y);
}

void ToggleDesktopFullScreen(std::uint32_t windowId) {
#ifdef __EMSCRIPTEN__
    (void)windowId;
    ToggleBrowserFullScreen();
#else
    const GLContextRecord* record = FindGLContextRecord(windowId);
    if (!record || record->kind != kContextWindow) return;
    SDL_Window* window = record->window;
    if (FindByHand(windowId) != WindowsFullScreenByHand().end()) {
        ToggleByHand(windowId, window);
    } else if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) {
        SDL_SetWindowFullscreen(window, 0);
    } else if (WindowManagerRuns(window)) {
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        ToggleByHand(windowId, window);
    }
#endif
}

bool IsDesktopFullScreen(std::uint32_t windowId) {
#ifdef __EMSCRIPTEN__
    (void)windowId;
    return BrowserFullScreen();
#else
    const GLContextRecord* record = FindGLContextRecord(windowId);
    if (!record || record->kind != kContextWindow) return false;
    return FindByHand(windowId) != WindowsFullScreenByHand().end() ||
           (SDL_GetWindowFlags(record->window) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
               SDL_WINDOW_FULLSCREEN_DESKTOP;
#endif
}

}  // namespace vdl
