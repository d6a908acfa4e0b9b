// The arena in a window of any size: the pointer mapped between the two, and the switch to
// borderless full screen.
//
// A window the layer made (platform/gl_context.h) keeps the size it was opened at as its
// arena: what the game draws in and points at. The renderers draw the arena scaled into the
// window's drawable with bars around it (graphics/letterbox.h); here the pointer is mapped
// the same way, so every position the game is given or gives is in arena pixels. Host
// windows and unknown window ids map one to one.
//
// F11 and Alt+Enter (the SDL system driver swallows them) switch a window between its
// windowed size and borderless full screen on the display it is on: the window manager's
// full screen (SDL_WINDOW_FULLSCREEN_DESKTOP), or, on an X display without a window manager,
// which nothing would answer, the window made borderless and as large as the display by hand.
// In the browser they ask the page to switch its full-screen view (platform/browser.h).
#pragma once

#include <cstdint>

namespace vdl {

struct GLContextRecord;

// The size in pixels of the record's drawable.
void GetGLDrawableSize(const GLContextRecord* record, int& width, int& height);

// The arena point under a point of the window with this SDL id (Letterbox::ArenaPointOf:
// clamped inside the window, so the bars are the arena's edge).
void WindowToArena(std::uint32_t windowId, int x, int y, int& arenaX, int& arenaY);

// The point of the window with this SDL id that shows an arena point.
void ArenaToWindow(std::uint32_t windowId, int arenaX, int arenaY, int& x, int& y);

// Switches the window with this SDL id between windowed and borderless full screen; windows
// of other kinds than an own window are left alone.
void ToggleDesktopFullScreen(std::uint32_t windowId);

// Whether the window with this SDL id is in borderless full screen.
bool IsDesktopFullScreen(std::uint32_t windowId);

}  // namespace vdl
