// The gamepad: SDL's game controllers read as the engine's keys, buttons and pointer.
//
// The SDL system driver owns one TSDLGamepad and hands it every SDL event of a game
// controller. What a controller does comes out as the TEvents the keyboard and mouse make, so
// nothing above the platform tells a gamepad from them, and a replay of the events plays the
// same game. One controller is in use at a time: the first connected; when it goes, the one
// connected earliest among the others takes over, once everything the first held is released.
//
//   left stick                      W, A, S, D: each axis on its own past a dead zone, so a
//                                   diagonal holds two keys
//   right stick                     the pointer (below)
//   right trigger, right shoulder   the left button
//   left trigger, left shoulder     the right button
//   A                               the left button, on menus and screens (pressed while the
//                                   pointer has no anchor)
//   Start, Back                     P, Escape
//
// With the pointer anchored (system/system_driver.h: the player's position, in play) the right
// stick holds the pointer a fixed distance from the anchor in the stick's direction, and keeps
// that direction once the stick is let go, until the mouse moves. Without an anchor it moves
// the pointer as a mouse would, faster the further it is pushed past its dead zone, and the
// system's cursor follows. Pointer positions are client coordinates of the 800 x 600 arena,
// clamped to it. A trigger presses past one threshold and releases only below a lower one, so
// a finger resting near the threshold does not chatter. While the application is suspended
// (its window lost the focus) the gamepad holds nothing, as the keyboard does.
//
// This header does not include SDL; only the gamepad's source does.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/held_input.h"

union SDL_Event;
struct _SDL_GameController;

namespace vdl {

class TSystemDriver;

// The controller in use, translated into the engine's events.
class TSDLGamepad : public THeldInput {
public:
    // SDL's game controller axes and buttons (the source checks these against SDL's own).
    static constexpr int kAxes = 6;
    static constexpr int kButtons = 21;

    // Opens SDL's game controller subsystem; the controllers already connected then arrive as
    // events. The cursor is shown where the stick moves the pointer through driver.
    explicit TSDLGamepad(TSystemDriver& driver);
    // Closes the controller in use and the subsystem.
    ~TSDLGamepad();
    TSDLGamepad(const TSDLGamepad&) = delete;
    TSDLGamepad& operator=(const TSDLGamepad&) = delete;

    // Handles event when it is a game controller's, emitting what it means with the modifier
    // flags mods; false for any other event.
    bool HandleEvent(const SDL_Event& event, int mods);

    // Moves the pointer by the right stick for the time since the last step: every poll.
    void Step(int mods);

    // The mouse moved the pointer to (x, y): the stick's aim lets go of it.
    void PointerMoved(int x, int y);

    // SDL's instance id of the controller in use, or -1 for none.
    int ActiveController() const { return activeId_; }

private:
    // The keys the controller holds, in the order of their codes in the source.
    enum Key { kUp, kLeft, kDown, kRight, kPause, kLeave, kKeyCount };
    static_assert(kKeyCount == std::tuple_size_v<HeldKeys>);

    struct ControllerCloser {
        void operator()(_SDL_GameController* controller) const;
    };

    void Connect(int deviceIndex, int mods);
    void Disconnect(int instanceId, int mods);
    void TakeOver(int mods);
    void ReadController();
    void UpdateTriggers();
    void Held(HeldKeys& keys, HeldButtons& mouseButtons) const override;
    void MovePointerTo(int x, int y, bool showCursor, int mods);

    TSystemDriver& driver_;
    bool started_ = false;
    std::unique_ptr<_SDL_GameController, ControllerCloser> controller_;
    int activeId_ = -1;
    // Instance ids of the connected controllers, in the order they arrived.
    std::vector<int> connected_;

    // What the controller in use reports, in SDL's units.
    std::array<int, kAxes> axes_{};
    std::array<bool, kButtons> buttons_{};
    bool rightTrigger_ = false;  // past its threshold, with hysteresis
    bool leftTrigger_ = false;
    bool clicking_ = false;  // A, pressed while the pointer had no anchor
    // The stick's motion of less than a pixel, carried to the next step.
    float carryX_ = 0;
    float carryY_ = 0;
    // The direction the pointer is held in around the anchor, while aiming.
    bool aiming_ = false;
    float aimX_ = 0;
    float aimY_ = 0;
    bool stepped_ = false;
    int lastStep_ = 0;
};

}  // namespace vdl
