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

}  // namespace vdl
