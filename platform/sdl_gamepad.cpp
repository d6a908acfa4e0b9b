// The gamepad: hot-plugging, the controller's state and its translation into events.
#include "platform/sdl_gamepad.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "system/clock.h"
#include "system/event.h"
#include "system/system_driver.h"

namespace vdl {

namespace {
static_assert(TSDLGamepad::kAxes == SDL_CONTROLLER_AXIS_MAX);
static_assert(TSDLGamepad::kButtons == SDL_CONTROLLER_BUTTON_MAX);

// Of a stick's 32767: one at rest reads well inside it.
constexpr int kStickDeadZone = 8000;
// Of a trigger's 32767: pressed half way down, released below a quarter.
constexpr int kTriggerPress = 16384;
constexpr int kTriggerRelease = 8192;
constexpr float kStickRange = 32767.0f;

// From the anchor to the pointer the stick holds, in pixels.
constexpr int kAimDistance = 100;
// Pixels a millisecond at full deflection: 10 a frame at 60 Hz.
constexpr float kPointerSpeed = 0.6f;
// The most milliseconds one step moves for, so a stall does not fling the pointer.
constexpr int kLongestStep = 50;
}  // namespace

void TSDLGamepad::ControllerCloser::operator()(_SDL_GameController* controller) const {
    SDL_GameControllerClose(controller);
}

TSDLGamepad::TSDLGamepad(TSystemDriver& driver) : driver_(driver) {
    // Without it the game plays on with the keyboard and mouse alone.
    started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

TSDLGamepad::~TSDLGamepad() {
    controller_.reset();
    if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool TSDLGamepad::HandleEvent(const SDL_Event& event, int mods) {
    switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            Connect(event.cdevice.which, mods);
            return true;
        case SDL_CONTROLLERDEVICEREMOVED:
            Disconnect(event.cdevice.which, mods);
            return true;
        case SDL_CONTROLLERDEVICEREMAPPED:
            return true;
        case SDL_CONTROLLERAXISMOTION:
            if (event.caxis.which != activeId_ || event.caxis.axis >= kAxes) return true;
            axes_[event.caxis.axis] = event.caxis.value;
            UpdateTriggers();
            Sync(mods);
            return true;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            if (event.cbutton.which != activeId_ || event.cbutton.button >= kButtons) return true;
            const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
            buttons_[event.cbutton.button] = down;
            if (event.cbutton.button == SDL_CONTROLLER_BUTTON_A) {
                int x = 0;
                int y = 0;
                clicking_ = down && !PointerAnchor(x, y);
            }
            Sync(mods);
            return true;
        }
        default:
            return false;
    }
}

void TSDLGamepad::Connect(int deviceIndex, int mods) {
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0) return;
    if (std::find(connected_.begin(), connected_.end(), id) == connected_.end()) {
        connected_.push_back(id);
    }
    if (!controller_) TakeOver(mods);
}

void TSDLGamepad::Disconnect(int instanceId, int mods) {
    connected_.erase(std::remove(connected_.begin(), connected_.end(), instanceId),
                     connected_.end());
    if (instanceId != activeId_) return;
    controller_.reset();
    activeId_ = -1;
    axes_.fill(0);
    buttons_.fill(false);
    rightTrigger_ = leftTrigger_ = clicking_ = aiming_ = false;
    Sync(mods);
    TakeOver(mods);
}

// Opens the earliest connected controller that opens, and presses what it already holds.
void TSDLGamepad::TakeOver(int mods) {
    while (!connected_.empty()) {
        const int id = connected_.front();
        for (int index = 0; index < SDL_NumJoysticks(); ++index) {
            if (SDL_JoystickGetDeviceInstanceID(index) != id) continue;
            controller_.reset(SDL_GameControllerOpen(index));
            break;
        }
        if (controller_) {
            activeId_ = id;
            ReadController();
            Sync(mods);
            return;
        }
        connected_.erase(connected_.begin());
    }
}

void TSDLGamepad::ReadController() {
    for (int axis = 0; axis < kAxes; ++axis) {
        axes_[axis] =
            SDL_GameControllerGetAxis(controller_.get(), static_cast<SDL_GameControllerAxis>(axis));
    }
    for (int button = 0; button < kButtons; ++button) {
        buttons_[button] =
            SDL_GameControllerGetButton(controller_.get(),
                                        static_cast<SDL_GameControllerButton>(button)) != 0;
    }
    rightTrigger_ = leftTrigger_ = false;
    UpdateTriggers();
    // A held as the controller takes over clicks only when it is pressed again.
    clicking_ = false;
}

void TSDLGamepad::UpdateTriggers() {
    auto update = [](bool& pressed, int value) {
        pressed = value >= (pressed ? kTriggerRelease : kTriggerPress);
    };
    update(rightTrigger_, axes_[SDL_CONTROLLER_AXIS_TRIGGERRIGHT]);
    update(leftTrigger_, axes_[SDL_CONTROLLER_AXIS_TRIGGERLEFT]);
}

// Emits a press or a release for every key and button whose state the controller changed.
void TSDLGamepad::Held(HeldKeys& keys, HeldButtons& mouseButtons) const {
    const int x = axes_[SDL_CONTROLLER_AXIS_LEFTX];
    const int y = axes_[SDL_CONTROLLER_AXIS_LEFTY];
    keys[kUp] = y < -kStickDeadZone;
    keys[kDown] = y > kStickDeadZone;
    keys[kLeft] = x < -kStickDeadZone;
    keys[kRight] = x > kStickDeadZone;
    keys[kPause] = buttons_[SDL_CONTROLLER_BUTTON_START];
    keys[kLeave] = buttons_[SDL_CONTROLLER_BUTTON_BACK];
    mouseButtons[1] = rightTrigger_ || buttons_[SDL_CONTROLLER_BUTTON_RIGHTSHOULDER] || clicking_;
    mouseButtons[2] = leftTrigger_ || buttons_[SDL_CONTROLLER_BUTTON_LEFTSHOULDER];
}

void TSDLGamepad::Step(int mods) {
    const int now = Millis();
    // NOTE: the count wraps, so the difference is taken unsigned.
    const int elapsed =
        static_cast<int>(static_cast<unsigned>(now) - static_cast<unsigned>(lastStep_));
    const int ms = stepped_ ? std::clamp(elapsed, 0, kLongestStep) : 0;
    lastStep_ = now;
    stepped_ = true;
    if (!controller_ || suspended_) return;

    const float sx = static_cast<float>(axes_[SDL_CONTROLLER_AXIS_RIGHTX]);
    const float sy = static_cast<float>(axes_[SDL_CONTROLLER_AXIS_RIGHTY]);
    const float length = std::sqrt(sx * sx + sy * sy);
    const bool pushed = length > kStickDeadZone;

    int anchorX = 0;
    int anchorY = 0;
    if (PointerAnchor(anchorX, anchorY)) {
        if (pushed) {
            aimX_ = sx / length;
            aimY_ = sy / length;
            aiming_ = true;
        }
        carryX_ = carryY_ = 0;
        if (!aiming_) return;
        MovePointerTo(anchorX + static_cast<int>(std::lround(aimX_ * kAimDistance)),
                      anchorY + static_cast<int>(std::lround(aimY_ * kAimDistance)), false, mods);
        return;
    }

    aiming_ = false;
    if (!pushed) {
        carryX_ = carryY_ = 0;
        return;
    }
    // Proportional to the deflection past the dead zone, so the pointer starts from rest.
    const float speed = kPointerSpeed * (std::min(length, kStickRange) - kStickDeadZone) /
                        (kStickRange - kStickDeadZone);
    carryX_ += sx / length * speed * static_cast<float>(ms);
    carryY_ += sy / length * speed * static_cast<float>(ms);
    const int dx = static_cast<int>(carryX_);
    const int dy = static_cast<int>(carryY_);
    carryX_ -= static_cast<float>(dx);
    carryY_ -= static_cast<float>(dy);
    if (dx != 0 || dy != 0) MovePointerTo(pointerX_ + dx, pointerY_ + dy, true, mods);
}

void TSDLGamepad::MovePointerTo(int x, int y, bool showCursor, int mods) {
    // The cursor is shown on menus, so it goes where the pointer went; the window's motion
    // event that follows lands on the pointer already and changes nothing. Without a window
    // in focus there is nowhere to show it.
    if (THeldInput::MovePointerTo(x, y, mods) && showCursor && SDL_GetKeyboardFocus())
        driver_.MovePointer(pointerX_, pointerY_);
}

void TSDLGamepad::PointerMoved(int x, int y) {
    if (x == pointerX_ && y == pointerY_) return;
    pointerX_ = x;
    pointerY_ = y;
    carryX_ = carryY_ = 0;
    aiming_ = false;
}

}  // namespace vdl
