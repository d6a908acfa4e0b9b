// Polled input: the folding hook, the state arrays and the queries.
#include "system/polled_input.h"

#include <array>
#include <memory>

#include "runtime/errors.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/system_driver.h"

namespace vdl {

namespace {
struct InputState {
    std::array<int, 256> keyStates{};
    std::array<int, 256> keyHits{};
    // NOTE: the counters run freely; their difference is the fill and the slot is the
    // counter AND 255, so a full ring holds all 256 entries.
    std::array<int, 256> charQueue{};
    int charGet = 0;
    int charPut = 0;
    std::array<int, 4> mouseStates{};
    std::array<int, 4> mouseHits{};
    // [0] x, [1] y, [2] wheel total.
    std::array<int, 4> pointerLocation{};
    // Every query pumps first; nothing turns this off.
    int autoPoll = 1;
    int appSuspended = 0;
    int terminateRequested = 0;
    ObjectRef inputSource;
    bool inputEnabled = false;
};

InputState& State() {
    static InputState* state = new InputState;
    return *state;
}

void AutoPoll() {
    if (State().autoPoll) PollSystem();
}

// Keys and buttons outside the arrays are a caller's fault, not a reason to touch memory.
int KeyIndex(int key) {
    if (key < 0 || key > 255) throw TArrayBoundsException();
    return key;
}

int ButtonIndex(int button) {
    if (button < 0 || button > 3) throw TArrayBoundsException();
    return button;
}

void Press(int& state, int& hits) {
    if (state == 0) {
        state = 1;
        ++hits;
    }
}

ObjectRef FoldEvent(int, ObjectRef data, const ObjectRef&) {
    auto* event = dynamic_cast<TEvent*>(data.get());
    if (!event) return data;
    InputState& s = State();
    if (s.inputSource && s.inputSource != event->source) return data;

    // Events from the platform carry codes in range; scripted ones might not and are dropped.
    const bool keyInRange = event->data >= 0 && event->data <= 255;
    const bool buttonInRange = event->data >= 1 && event->data <= 3;
    switch (event->id) {
        case kEventKeyDown:
            if (keyInRange) Press(s.keyStates[event->data], s.keyHits[event->data]);
            break;
        case kEventKeyUp:
            if (keyInRange) s.keyStates[event->data] = 0;
            break;
        case kEventKeyChar:
            if (s.charPut - s.charGet < 256) {
                s.charQueue[s.charPut & 255] = event->data;
                ++s.charPut;
            }
            break;
        case kEventMouseDown:
            if (buttonInRange) Press(s.mouseStates[event->data], s.mouseHits[event->data]);
            break;
        case kEventMouseUp:
            if (buttonInRange) s.mouseStates[event->data] = 0;
            break;
        case kEventMouseMove:
            s.pointerLocation[0] = event->x;
            s.pointerLocation[1] = event->y;
            break;
        case kEventMouseWheel:
            s.pointerLocation[2] += event->data;
            break;
        case kEventAppSuspend:
        case kEventAppResume:
            // These arrive inside a pump, so the resets' own PollSystem returns at once.
            ResetKeys();
            ResetMouse();
            s.appSuspended = event->id == kEventAppSuspend ? 1 : 0;
            break;
        case kEventAppTerminate:
            s.terminateRequested = 1;
            break;
        default:
            break;
    }
    return data;
}
}  // namespace

void EnablePolledInput(ObjectRef source) {
    InputState& s = State();
    if (s.inputEnabled) return;
    s.inputSource = std::move(source);
    ResetKeys();
    ResetMouse();
    AddHook(EmitEventHook, FoldEvent, nullptr, 0);
    s.inputEnabled = true;
}

void DisablePolledInput() {
    InputState& s = State();
    if (!s.inputEnabled) return;
    RemoveHook(EmitEventHook, FoldEvent, nullptr);
    s.inputEnabled = false;
    ResetKeys();
    ResetMouse();
    s.inputSource = nullptr;
}

int IsKeyDown(int key) {
    AutoPoll();
    return State().keyStates[KeyIndex(key)];
}

int KeyHitCount(int key) {
    AutoPoll();
    InputState& s = State();
    const int hits = s.keyHits[KeyIndex(key)];
    s.keyHits[key] = 0;
    return hits;
}

int NextKeyChar() {
    AutoPoll();
    InputState& s = State();
    if (s.charPut == s.charGet) return 0;
    const int c = s.charQueue[s.charGet & 255];
    ++s.charGet;
    return c;
}

void ResetKeys() {
    PollSystem();
    InputState& s = State();
    s.charGet = 0;
    s.charPut = 0;
    s.keyStates.fill(0);
    s.keyHits.fill(0);
}

int PointerX() {
    AutoPoll();
    return State().pointerLocation[0];
}

int PointerY() {
    AutoPoll();
    return State().pointerLocation[1];
}

int PointerWheel() {
    AutoPoll();
    return State().pointerLocation[2];
}

int IsMouseDown(int button) {
    AutoPoll();
    return State().mouseStates[ButtonIndex(button)];
}

int MouseHitCount(int button) {
    AutoPoll();
    InputState& s = State();
    const int hits = s.mouseHits[ButtonIndex(button)];
    s.mouseHits[button] = 0;
    return hits;
}

void ResetMouse() {
    PollSystem();
    InputState& s = State();
    s.mouseStates.fill(0);
    s.mouseHits.fill(0);
    s.pointerLocation[2] = 0;
}

int IsAppSuspended() {
    AutoPoll();
    return State().appSuspended;
}

int CloseRequested() {
    AutoPoll();
    InputState& s = State();
    const int requested = s.terminateRequested;
    s.terminateRequested = 0;
    return requested;
}

int WaitForKeyHit() {
    ResetKeys();
    for (;;) {
        WaitSystem();
        for (int key = 1; key <= 255; ++key) {
            if (KeyHitCount(key)) return key;
        }
    }
}

int WaitForKeyChar() {
    ResetKeys();
    for (;;) {
        WaitSystem();
        const int c = NextKeyChar();
        if (c) return c;
    }
}

int WaitForMouseHit() {
    ResetMouse();
    for (;;) {
        WaitSystem();
        for (int button = 1; button <= 3; ++button) {
            if (MouseHitCount(button)) return button;
        }
    }
}

}  // namespace vdl
