// The system driver: the message pump and the pointer.
//
// One TSystemDriver is current at a time. Its Poll drains the platform's queue of window
// events and emits each as a TEvent (system/event.h); Wait blocks for the next one first. The
// global PollSystem and WaitSystem guard against re-entry, so a query made from inside an
// event hook does not pump again. The default driver is the SDL one, made on first use.
#pragma once

#include <memory>
#include <string>

#include "runtime/object.h"

namespace vdl {

// The platform's message pump, pointer and dialogs.
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
    // Shows a message with an OK button.
    virtual void ShowNotice(const std::string& text, int serious) = 0;
    // Asks OK or Cancel; 1 for OK.
    virtual int AskConfirm(const std::string& text, int serious) = 0;
    // Asks Yes, No or Cancel: 1, 0 or -1.
    virtual int AskProceed(const std::string& text, int serious) = 0;
    // A file chosen by the user, or an empty text.
    virtual std::string ChooseFile(const std::string& title, const std::string& filter, int save,
                                   const std::string& path) = 0;
    // A folder chosen by the user, or an empty text.
    virtual std::string ChooseFolder(const std::string& title, const std::string& path) = 0;
    // Opens an address with the desktop's handler; 1 on success.
    virtual int OpenAddress(const std::string& url) = 0;
};

// The current driver; the SDL driver is made and made current on first use.
TSystemDriver& CurrentSystemDriver();

// Makes driver current (null brings back the SDL driver). Returns the previous one.
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

}  // namespace vdl
