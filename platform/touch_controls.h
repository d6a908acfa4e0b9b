// The touch controls: the web page's two sticks and three buttons read as the engine's keys,
// buttons and pointer, the way the gamepad's are.
//
// The page draws the controls and follows the fingers on them; what they hold reaches the
// game through PushTouchInput, which queues it on SDL's event queue, so it is emitted in
// order with everything else at the next poll, and a replay of the events plays the same
// game. The SDL system driver owns one TTouchControls and hands it those events.
//
//   move stick      W, A, S, D by its direction, eight ways, once pushed past a dead zone
//   aim stick       the pointer held a fixed distance from the anchor in the stick's
//                   direction (as the gamepad's right stick); past a third of its radius it
//                   also holds the left button. Let go, the pointer stays where it was
//   homing          the right button
//   pause, back     P, Escape
//
// A stick's position is given in thousandths of its radius, so 1000 is its rim; it may be
// further out. Without an anchor (menus, screens) the aim stick moves nothing: there a tap
// is SDL's own click. "Let go" releases everything at once (a cancelled touch, a lost focus),
// and "pause if playing" presses and releases P only while the pointer is anchored, so a
// hidden or turned page pauses play and nothing else.
//
// This header does not include SDL; only the source does.
#pragma once

#include "platform/held_input.h"

union SDL_Event;

namespace vdl {

// What one touch input is about; the page sends these numbers.
enum class TouchInput {
    kMoveStick = 0,
    kAimStick = 1,
    kHoming = 2,
    kPause = 3,
    kBack = 4,
    kLetGo = 5,
    kPauseIfPlaying = 6,
};

// Queues a touch input for the next poll: a stick at (x, y) thousandths of its radius, or a
// button held while x is not 0. Safe to call from the page's event handlers.
void PushTouchInput(TouchInput input, int x, int y);

// The controls' state, translated into the engine's events.
class TTouchControls : public THeldInput {
public:
    // Handles event when it is a touch input, emitting what it means with the modifier flags
    // mods; false for any other event.
    bool HandleEvent(const SDL_Event& event, int mods);

    // Holds the pointer at its distance from the anchor, which moves with the player: every
    // poll.
    void Step(int mods);

    // The mouse moved the pointer to (x, y): the stick's aim lets go of it.
    void PointerMoved(int x, int y);

private:
    enum Key { kUp, kLeft, kDown, kRight, kPauseKey, kBackKey, kKeyCount };
    static_assert(kKeyCount == std::tuple_size_v<HeldKeys>);

    void Apply(TouchInput input, int x, int y, int mods);
    void Held(HeldKeys& keys, HeldButtons& buttons) const override;

    // What the page last sent: the sticks in thousandths of their radius, the buttons.
    int moveX_ = 0;
    int moveY_ = 0;
    int aimX_ = 0;
    int aimY_ = 0;
    bool homing_ = false;
    bool pause_ = false;
    bool back_ = false;

    // The direction the pointer is held in around the anchor, once the aim stick was pushed.
    bool aiming_ = false;
    float directionX_ = 0;
    float directionY_ = 0;
};

}  // namespace vdl
