// What a stick-and-button device holds, as key and button events.
#include "platform/held_input.h"

#include <algorithm>

#include "system/event.h"
#include "system/system_driver.h"

namespace vdl {

namespace {
constexpr int kArenaWidth = 800;
constexpr int kArenaHeight = 600;
// Windows virtual-key codes of the held keys, in HeldKeys' order.
constexpr int kKeyCodes[] = {'W', 'A', 'S', 'D', 'P', 27};
constexpr int kEscape = 27;
}  // namespace

void EmitHeldChanges(const HeldKeys& keys, const HeldButtons& buttons, HeldKeys& keysHeld,
                     HeldButtons& buttonsHeld, int x, int y, int mods) {
    for (size_t key = 0; key < keys.size(); ++key) {
        if (keys[key] == keysHeld[key]) continue;
        keysHeld[key] = keys[key];
        const int vk = kKeyCodes[key];
        EmitOSEvent(keys[key] ? kEventKeyDown : kEventKeyUp, nullptr, vk, mods, 0, 0, nullptr);
        if (keys[key] && vk == kEscape) {
            EmitOSEvent(kEventKeyChar, nullptr, kEscape, mods, 0, 0, nullptr);
        }
    }
    for (int button = 1; button <= 2; ++button) {
        if (buttons[button] == buttonsHeld[button]) continue;
        buttonsHeld[button] = buttons[button];
        EmitOSEvent(buttons[button] ? kEventMouseDown : kEventMouseUp, nullptr, button, mods, x, y,
                    nullptr);
    }
}

void THeldInput::SetSuspended(bool suspended, int mods) {
    suspended_ = suspended;
    if (!suspended) {
        // The resume forgot every key and button: what is held is pressed again.
        keysHeld_.fill(false);
        buttonsHeld_.fill(false);
    }
    Sync(mods);
}

void THeldInput::Sync(int mods) {
    HeldKeys keys{};
    HeldButtons buttons{};
    if (!suspended_) Held(keys, buttons);
    EmitHeldChanges(keys, buttons, keysHeld_, buttonsHeld_, pointerX_, pointerY_, mods);
}

bool THeldInput::MovePointerTo(int x, int y, int mods) {
    x = std::clamp(x, 0, kArenaWidth - 1);
    y = std::clamp(y, 0, kArenaHeight - 1);
    if (x == pointerX_ && y == pointerY_) return false;
    pointerX_ = x;
    pointerY_ = y;
    // NOTE: as from the mouse, a move carries one held button, the right before the left.
    const int held = buttonsHeld_[2] ? 2 : buttonsHeld_[1] ? 1 : 0;
    EmitOSEvent(kEventMouseMove, nullptr, held, mods, x, y, nullptr);
    return true;
}

}  // namespace vdl
