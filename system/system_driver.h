// The system driver: the message pump and the pointer.
//
// One TSystemDriver is current at a time. Its Poll drains the platform's queue of window
// events and emits each as a TEvent (system/event.h); Wait blocks for the next one first. The
// global PollSystem and WaitSystem guard against re-entry, so a query made from inside an
// event hook does not pump again. Start-up installs the platform's driver; until then the
// headless driver (system/headless_system_driver.h) is current, and events arrive only
// through EmitOSEvent. The pointer's anchor, which the game sets while it plays, tells a
// driver that aims by direction (a gamepad's stick) where the player stands.
#pragma once

#include <memory>

#include "runtime/object.h"

namespace vdl {

// The platform's message pump and pointer.
class TSystemDriver : public Object {
public:
    // Handles every pending platform event, emitting TEvents.
    virtual void Poll() = 0;
    // Blocks until an event arrives, then handles every pending one.
    virtual void Wait() = 0;
    // Moves the pointer to (x, y) in the active window's client area (screen coordinates
    // when no window is active).
    virtual void MovePointer(int x, int y) = 0;
    // Shows (1) or hides (0) the pointer while it is over a graphics window.
    virtual void SetPointerVisible(int visible) = 0;
};

// The current driver; the headless driver when none was installed.
TSystemDriver& CurrentSystemDriver();

// Makes driver current (null brings back the headless driver). Returns the previous one.
std::shared_ptr<TSystemDriver> SetSystemDriver(std::shared_ptr<TSystemDriver> driver);

// Pumps pending events through the driver; returns at once when called while a PollSystem
// or WaitSystem is already running.
void PollSystem();

// Waits for events and pumps them, with the same guard as PollSystem.
void WaitSystem();

// Moves the pointer (client coordinates of the active window).
void MovePointer(int x, int y);

// Shows the pointer over graphics windows.
void ShowPointer();

// Hides the pointer, but only while it is over a graphics window.
void HidePointer();

// Anchors the pointer at (x, y), client coordinates: where the one who aims stands. Input
// that aims by direction rather than by position (a gamepad's stick) holds the pointer a
// fixed distance from the anchor. A game sets it every frame of play.
void SetPointerAnchor(int x, int y);

// Removes the anchor: aiming input moves the pointer as a mouse does again (menus, screens).
void ClearPointerAnchor();

// True, with the anchor in x and y, while one is set.
bool PointerAnchor(int& x, int& y);

}  // namespace vdl
