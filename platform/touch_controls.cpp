// The touch controls: the page's inputs queued as SDL user events and translated into events.
#include "platform/touch_controls.h"

#include <SDL.h>

#include <cmath>
#include <cstdint>

#include "system/event.h"
#include "system/system_driver.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace vdl {

namespace {
// Of a stick's radius (1000): short of it the stick holds nothing.
constexpr int kDeadZone = 150;
// Of a stick's radius: the aim stick holds the straight shot beyond it.
constexpr int kFireReach = 333;
// sin(22.5 degrees): a key is held while the direction leans towards it by more than this,
// so the eight ways are equal sectors of 45 degrees.
constexpr float kSectorLean = 0.38268343f;
// From the anchor to the pointer the aim stick holds, in pixels, as the gamepad's.
constexpr int kAimDistance = 100;

// P's Windows virtual-key code, for the pause a hidden page presses.
constexpr int kKeyP = 'P';

// SDL's number for the touch inputs' user events, registered on first use.
Uint32 TouchEventType() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}
}  // namespace

void PushTouchInput(TouchInput input, int x, int y) {
    SDL_Event event{};
    event.type = TouchEventType();
    if (event.type == static_cast<Uint32>(-1)) return;
    event.user.code = static_cast<Sint32>(input);
    // NOTE: the two numbers travel in the event's pointer fields.
    event.user.data1 = reinterpret_cast<void*>(static_cast<std::intptr_t>(x));
    event.user.data2 = reinterpret_cast<void*>(static_cast<std::intptr_t>(y));
    SDL_PushEvent(&event);
}

bool TTouchControls::HandleEvent(const SDL_Event& event, int mods) {
    if (event.type != TouchEventType()) return false;
    Apply(static_cast<TouchInput>(event.user.code),
          static_cast<int>(reinterpret_cast<std::intptr_t>(event.user.data1)),
          static_cast<int>(reinterpret_cast<std::intptr_t>(event.user.data2)), mods);
    return true;
}

void TTouchControls::Apply(TouchInput input, int x, int y, int mods) {
    switch (input) {
        case TouchInput::kMoveStick:
            moveX_ = x;
            moveY_ = y;
            break;
        case TouchInput::kAimStick: {
            aimX_ = x;
            aimY_ = y;
            const float length = std::hypot(static_cast<float>(x), static_cast<float>(y));
            if (length > kDeadZone) {
                directionX_ = static_cast<float>(x) / length;
                directionY_ = static_cast<float>(y) / length;
                aiming_ = true;
            }
            break;
        }
        case TouchInput::kHoming:
            homing_ = x != 0;
            break;
        case TouchInput::kPause:
            pause_ = x != 0;
            break;
        case TouchInput::kBack:
            back_ = x != 0;
            break;
        case TouchInput::kLetGo:
            moveX_ = moveY_ = aimX_ = aimY_ = 0;
            homing_ = pause_ = back_ = false;
            break;
        case TouchInput::kPauseIfPlaying: {
            int anchorX = 0;
            int anchorY = 0;
            if (keysHeld_[kPauseKey] || !PointerAnchor(anchorX, anchorY)) return;
            EmitOSEvent(kEventKeyDown, nullptr, kKeyP, mods, 0, 0, nullptr);
            EmitOSEvent(kEventKeyUp, nullptr, kKeyP, mods, 0, 0, nullptr);
            return;
        }
        default:
            return;
    }
    // The pointer goes first, so a shot the stick starts flies where it points.
    Step(mods);
    Sync(mods);
}

// Emits a press or a release for every key and button whose state the controls changed.
void TTouchControls::Held(HeldKeys& keys, HeldButtons& buttons) const {
    const float x = static_cast<float>(moveX_);
    const float y = static_cast<float>(moveY_);
    const float length = std::hypot(x, y);
    if (length > kDeadZone) {
        const float lean = length * kSectorLean;
        keys[kUp] = y < -lean;
        keys[kLeft] = x < -lean;
        keys[kDown] = y > lean;
        keys[kRight] = x > lean;
    }
    keys[kPauseKey] = pause_;
    keys[kBackKey] = back_;
    buttons[1] = std::hypot(static_cast<float>(aimX_), static_cast<float>(aimY_)) > kFireReach;
    buttons[2] = homing_;
}

void TTouchControls::Step(int mods) {
    int anchorX = 0;
    int anchorY = 0;
    if (suspended_ || !aiming_ || !PointerAnchor(anchorX, anchorY)) return;
    MovePointerTo(anchorX + static_cast<int>(std::lround(directionX_ * kAimDistance)),
                  anchorY + static_cast<int>(std::lround(directionY_ * kAimDistance)), mods);
}

void TTouchControls::PointerMoved(int x, int y) {
    pointerX_ = x;
    pointerY_ = y;
    aiming_ = false;
}

}  // namespace vdl

#ifdef __EMSCRIPTEN__
// What the page calls: Module._cca_touch(input, x, y) for each change of its controls, and
// Module._cca_in_play() to know whether the sticks are the game's (the pointer is anchored)
// or a tap is a click.
extern "C" {
EMSCRIPTEN_KEEPALIVE void cca_touch(int input, int x, int y) {
    vdl::PushTouchInput(static_cast<vdl::TouchInput>(input), x, y);
}

EMSCRIPTEN_KEEPALIVE int cca_in_play() {
    int x = 0;
    int y = 0;
    return vdl::PointerAnchor(x, y) ? 1 : 0;
}
}
#endif
