// Graphics drivers, the opened graphics and the end-of-frame flip.
//
// The driver-neutral layer of the graphics subsystem. It keeps, in module state, the current
// driver, the current graphics (the target of drawing) with its five settings, the graphics
// opened by OpenGraphics, the graphics generation counter and the software frame pacing that
// FlipFrame applies on the millisecond clock (system/clock.h).
//
// A driver (the GL context driver of gl_graphics.h, or the 2D drawing layer that wraps it)
// implements TGraphicsDriver and hands out TGraphics objects. Depends on the hooks
// (FlipHook), the polled input (enabled on open, disabled on close) and the pointer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/object.h"

namespace vdl {

// Graphics flags: what the pixel format must offer. OR-ed with the driver's default flags.
// Bit 1 has no effect.
constexpr int kGraphicsBackBuffer = 2;
constexpr int kGraphicsAlphaBuffer = 4;
constexpr int kGraphicsDepthBuffer = 8;
constexpr int kGraphicsStencilBuffer = 16;
constexpr int kGraphicsAccumBuffer = 32;

// One display mode: size, bits per pixel and refresh rate.
class TGraphicsMode : public Object {
public:
    TGraphicsMode() = default;
    TGraphicsMode(int modeWidth, int modeHeight, int modeDepth, int modeHz)
        : width(modeWidth), height(modeHeight), depth(modeDepth), hz(modeHz) {}

    // "800,600,32 60Hz".
    std::string ToString() const;

    int width = 0;
    int height = 0;
    int depth = 0;
    int hz = 0;
};

class TGraphicsDriver;

// An open drawing surface: a window, a full-screen display or a host window.
class TGraphics : public Object {
public:
    // The driver that made this graphics.
    virtual std::shared_ptr<TGraphicsDriver> Driver() = 0;
    // The surface's width, height, depth (0 for a window), hz and flags.
    virtual void GetSettings(int& width, int& height, int& depth, int& hz, int& flags) = 0;
    // The size in pixels of what the surface draws into on the screen. It differs from the
    // settings' size when the platform lets the window grow or the display is of high
    // density; by default it is the settings' size.
    virtual void GetDrawableSize(int& width, int& height);
    // Releases the surface; a second Close does nothing.
    virtual void Close() = 0;
};

// Makes graphics, lists the display modes and presents frames.
class TGraphicsDriver : public Object {
public:
    // Every display mode of 16 bits per pixel or more; duplicates are kept.
    virtual std::vector<TGraphicsMode> GraphicsModes() = 0;
    // Graphics drawing into an existing host window (a native window handle), or null.
    virtual std::shared_ptr<TGraphics> AttachGraphics(std::intptr_t widgetHandle, int flags) = 0;
    // A new window (depth 0) or full-screen display (depth > 0), or null.
    virtual std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hz,
                                                      int flags) = 0;
    // Makes g the target of drawing; null leaves no target.
    virtual void SetGraphics(const std::shared_ptr<TGraphics>& g) = 0;
    // Presents the back buffer; sync != 0 waits for the vertical retrace.
    virtual void Flip(int sync) = 0;
};

// Generation of opened graphics: advanced when graphics are opened and when the opened
// graphics are closed. A texture is valid only in the generation it was made in.
// NOTE: the counter skips 0 when it wraps, so 0 can mark "no generation".
extern int graphicsSeq;

// Starts a new generation: every texture made so far is invalid. Opening and closing graphics
// do this; so does a renderer whose GL context was lost with every texture in it.
void AdvanceGraphicsSeq();

// Hook run with null data at the start of every FlipFrame.
extern const int FlipHook;

// Selects the driver used by every following operation and its default flags; forgets the
// current graphics (and the mode cache when the driver changes).
void SelectGraphicsDriver(std::shared_ptr<TGraphicsDriver> driver, int defaultFlags);

// The selected driver, or null.
std::shared_ptr<TGraphicsDriver> CurrentGraphicsDriver();

// The default flags given to SelectGraphicsDriver.
int DefaultGraphicsFlags();

// The driver's display modes, read once and cached until the driver changes.
std::vector<TGraphicsMode> ListGraphicsModes();

// Number of display modes.
int CountGraphicsModes();

// Fields of display mode index.
void GetGraphicsModeInfo(int index, int& width, int& height, int& depth, int& hz);

// Whether some display mode matches; an argument of 0 matches anything.
bool HasGraphicsMode(int width, int height, int depth, int hz);

// New graphics from the current driver, or null (errors raised by the driver give null).
std::shared_ptr<TGraphics> CreateGraphicsContext(int width, int height, int depth, int hz,
                                                 int flags);

// Graphics on a host window from the current driver, or null (errors give null).
std::shared_ptr<TGraphics> AttachGraphicsTo(std::intptr_t widgetHandle, int flags);

// Makes g the current graphics (switching to its driver if needed) and reads its settings;
// null leaves no current graphics.
void SelectGraphics(const std::shared_ptr<TGraphics>& g);

// The current graphics, or null.
std::shared_ptr<TGraphics> CurrentGraphics();

// The graphics made by OpenGraphics and not yet closed, or null.
std::shared_ptr<TGraphics> OpenedGraphics();

// Closes g, first forgetting it as the opened and the current graphics.
void CloseGraphicsContext(const std::shared_ptr<TGraphics>& g);

// Settings of the current graphics (0 when there is none).
int CurrentGraphicsWidth();
int CurrentGraphicsHeight();
int CurrentGraphicsDepth();
int CurrentGraphicsHz();
int CurrentGraphicsFlags();

// Closes the previously opened graphics, opens a window (depth 0) or a full-screen display,
// selects it, sets up frame pacing for hz and enables polled input. Null on failure.
std::shared_ptr<TGraphics> OpenGraphics(int width, int height, int depth, int hz, int flags);

// Closes the graphics made by OpenGraphics, if any. Runs at program exit.
void CloseOpenedGraphics();

// Ends a frame: runs FlipHook, then presents. sync -1 paces the opened graphics to their hz
// on the millisecond clock; 0 and 1 present at once without / with vertical sync.
void FlipFrame(int sync);

}  // namespace vdl
