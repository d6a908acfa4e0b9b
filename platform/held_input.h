// What a stick-and-button device holds, pressed and released as the keyboard's keys and the
// mouse's buttons: the game controller and the touch controls both send theirs through here.
#pragma once

#include <array>

namespace vdl {

// The keys such a device holds, in this order: W, A, S, D (moving), P (pause), Escape (back).
using HeldKeys = std::array<bool, 6>;
// Mouse buttons 1 (the straight shot) and 2 (the homing shot); [0] is not used.
using HeldButtons = std::array<bool, 3>;

// Emits a press or a release for every key and button of keys and buttons that differs from
// what held says, and makes held agree. A press of Escape types its character too, as from the
// keyboard; the buttons' events carry the pointer's x and y.
void EmitHeldChanges(const HeldKeys& keys, const HeldButtons& buttons, HeldKeys& keysHeld,
                     HeldButtons& buttonsHeld, int x, int y, int mods);

// Such a device: what it has emitted, the pointer its buttons' events carry, and whether the
// application is suspended. Each device says what it holds now (Held); Sync emits the change.
class THeldInput {
public:
    virtual ~THeldInput() = default;

    // The application was suspended, or resumed with its key and button states forgotten:
    // what the device holds is released, or pressed again.
    void SetSuspended(bool suspended, int mods);

protected:
    // What the device holds now; asked only while the application is not suspended.
    virtual void Held(HeldKeys& keys, HeldButtons& buttons) const = 0;
    // Emits what differs between what the device holds and what it has emitted; a suspended
    // application holds nothing.
    void Sync(int mods);
    // Moves the pointer to (x, y), kept inside the 800 x 600 arena, as the mouse would, with
    // the button held; false when it is there already.
    bool MovePointerTo(int x, int y, int mods);

    bool suspended_ = false;
    // What has been emitted: the keys, and the left [1] and right [2] buttons.
    HeldKeys keysHeld_{};
    HeldButtons buttonsHeld_{};
    // The pointer as the mouse and the device last left it.
    int pointerX_ = 0;
    int pointerY_ = 0;
};

}  // namespace vdl
