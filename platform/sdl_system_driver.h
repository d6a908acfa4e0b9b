// The SDL system driver: SDL's event queue translated into the engine's events.
//
// Poll drains SDL's queue and emits a TEvent for each event of a window, in the engine's
// data conventions: Windows virtual-key codes (160-165 for the left and right shift, control
// and alt keys, 91/92 for the system keys), "KeyRepeat" for auto-repeat, buttons 1 left,
// 2 right, 3 middle, the wheel in notches, "AppSuspend"/"AppResume" on focus loss and gain,
// "AppTerminate" on a close request (the close button, Alt+F4, or SDL's quit), and
// "MouseEnter"/"MouseLeave" around the window. Pointer positions are in the window's arena
// (platform/window_arena.h), whatever size the window has, and MovePointer takes them so.
// F11 and Alt+Enter switch the window to or from borderless full screen and make no event:
// their presses, repeats and releases never reach the game.
// Focus changes are then passed to the window listener (platform/window_listener.h), which
// the GL window layer installs when it starts SDL's video. Game controllers come out as the
// same key, button and pointer events, through the driver's gamepad (platform/sdl_gamepad.h);
// each Poll ends with the gamepad's step, which moves the pointer by its stick. The web page's
// touch controls come out the same way (platform/touch_controls.h); while the pointer is
// anchored (in play) SDL's mouse made from a finger is dropped, so a thumb on a stick never
// clicks or aims, and its release still lets go of a press made before play.
//
// This header does not include SDL; only the driver's source does.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/sdl_gamepad.h"
#include "platform/touch_controls.h"
#include "platform/window_listener.h"
#include "system/system_driver.h"

union SDL_Event;

namespace vdl {

// The system driver over SDL's event queue and pointer.
class TSDLSystemDriver : public TSystemDriver {
public:
    // On Windows, the first driver of the process asks for a 1 ms system timer resolution,
    // which the frame pacing's sleeps need, and gives it back at exit.
    TSDLSystemDriver();

    void Poll() override;
    void Wait() override;
    void MovePointer(int x, int y) override;
    void SetPointerVisible(int visible) override;

    // Emits the events for one SDL event, then tells the window listener of a focus change.
    void HandleEvent(const SDL_Event& event);

    // The modifier flags given to new events.
    int ModifierFlags() const { return modifierFlags_; }

    // The game controller in use and its translation.
    const TSDLGamepad& Gamepad() const { return *gamepad_; }

private:
    void TranslateKey(const SDL_Event& event);
    // Switches full screen on a press of F11 or Alt+Enter; true for every event of those
    // keys, which go no further.
    bool TakeFullScreenKey(const SDL_Event& event, int vk);
    void TranslateMotion(const SDL_Event& event);
    void TrackPointerWindow(std::uint32_t windowId, int x, int y, ObjectRef source);
    void ApplyPointerVisibility();

    int modifierFlags_ = 0;
    // SDL id of the window the pointer is in; 0 for none.
    std::uint32_t pointerWindow_ = 0;
    ObjectRef pointerSource_;
    int pointerVisibleFlag_ = 1;
    std::unique_ptr<TSDLGamepad> gamepad_;
    TTouchControls touch_;
    // The scancode of an Enter pressed with Alt, swallowed up to its release; 0 for none.
    int swallowedEnter_ = 0;
};

// A new SDL system driver.
std::shared_ptr<TSystemDriver> CreateSDLSystemDriver();

// Sets the listener told of window focus changes (null for none); it must outlive its use.
void SetWindowListener(TWindowListener* listener);

// The Windows virtual-key code of an SDL scancode, or 0 for a key without one.
int VirtualKeyFromScancode(int scancode);

}  // namespace vdl
