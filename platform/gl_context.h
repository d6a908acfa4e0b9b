// Native windows and OpenGL contexts, on SDL2.
//
// One hidden 1 x 1 window carries a shared context, made on the first request; every other
// context shares its textures with it, so a texture made once is drawn in every window. Each
// context API (desktop OpenGL, OpenGL ES 2) has its own shared context, and a window's context
// shares with the one of its API. A window's
// client area opens at exactly width x height at (32, 32); the player may resize or maximise
// it, and width x height stays the size of its arena (platform/window_arena.h). A full-screen
// window switches the display mode while it has the focus and gives it back when it loses it.
// Attaching to a host window wraps an existing native window (an X11 window id on Linux) when SDL
// can use it for OpenGL.
//
// The layer hears of focus changes from the SDL system driver, as its window listener
// (platform/window_listener.h), after the driver emitted the engine's events for them.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/gl_graphics.h"
#include "graphics/graphics.h"

struct SDL_Window;

namespace vdl {

// Kinds of native context.
constexpr int kContextShared = 0;
constexpr int kContextAttached = 1;
constexpr int kContextWindow = 2;
constexpr int kContextFullScreen = 3;

// One GL context and the window it draws into. Owns both (a host window is only
// unwrapped, never destroyed).
struct GLContextRecord {
    GLContextRecord() = default;
    ~GLContextRecord();
    GLContextRecord(const GLContextRecord&) = delete;
    GLContextRecord& operator=(const GLContextRecord&) = delete;

    int kind = kContextShared;
    GLContextApi api = GLContextApi::Desktop;
    int width = 0;
    int height = 0;
    int depth = 0;
    int hz = 0;
    int flags = 0;
    SDL_Window* window = nullptr;
    void* context = nullptr;
    // Swap interval last set on this context; -1 so that the first flip sets it.
    int swapInterval = -1;
};

// Up to max display modes of 16 bits per pixel or more, in the platform's order; duplicates
// are kept. None when there is no display.
std::vector<TGraphicsMode> EnumDisplayModes(int max);

// A context of api on the host window with this native handle, or null.
GLContextRecord* AttachGLContext(std::intptr_t handle, int flags,
                                 GLContextApi api = GLContextApi::Desktop);

// A new window (depth 0) or full-screen window with its context of api, or null.
GLContextRecord* CreateGLWindow(int width, int height, int depth, int hz, int flags,
                                GLContextApi api = GLContextApi::Desktop);

// The record's settings; a host window's size is read afresh.
void GetGLContextSettings(GLContextRecord* record, int& width, int& height, int& depth, int& hz,
                          int& flags);

// The live record of the SDL window with this id, or null.
GLContextRecord* FindGLContextRecord(std::uint32_t windowId);

// Destroys the record's context and window; unknown records are ignored.
void CloseGLContext(GLContextRecord* record);

// Makes the record's context current on its window; null leaves no context current.
void MakeGLContextCurrent(GLContextRecord* record);

// Presents the current record's back buffer; sync != 0 waits for the vertical retrace.
void SwapGLBuffers(int sync);

// Makes the shared context of api current, or, when it already is, the current record's
// again.
void ToggleSharedContext(GLContextApi api = GLContextApi::Desktop);

// Sets the current context's swap interval when the platform allows it.
void SetSwapInterval(int n);

// The client area's position on the screen and size.
void GetGLWindowGeometry(const GLContextRecord* record, int& x, int& y, int& width, int& height);

// The native handle of the record's window (an X11 window id), or 0.
std::intptr_t NativeWindowHandle(const GLContextRecord* record);

}  // namespace vdl
