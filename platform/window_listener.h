// What the event pump tells the window layer.
//
// The SDL system driver turns SDL's events into the engine's; the GL window layer must hear
// of focus changes too, since a full-screen window holds the display mode only while it has
// the focus. The driver reports them through this interface after it emitted the engine's
// events for them, so the game's own handlers run first.
#pragma once

#include <cstdint>

namespace vdl {

// Receives the changes of the platform's windows, by their platform window id.
class TWindowListener {
public:
    virtual ~TWindowListener() = default;
    // The window gained (focused true) or lost the keyboard focus.
    virtual void FocusChanged(std::uint32_t windowId, bool focused) = 0;
};

}  // namespace vdl
