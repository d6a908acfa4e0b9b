// The SDL system driver: event translation and the pointer.
#include "platform/sdl_system_driver.h"

#include <SDL.h>

#include <array>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include <cstdlib>
#endif

#include "platform/window_arena.h"
#include "system/event.h"

namespace vdl {

namespace {
struct DriverState {
    TWindowListener* windowListener = nullptr;
};

DriverState& State() {
    static DriverState state;
    return state;
}

// Windows virtual-key codes of the keys of a standard keyboard, by SDL scancode.
struct KeyCode {
    SDL_Scancode scancode;
    int vk;
};

constexpr KeyCode kKeyCodes[] = {
    {SDL_SCANCODE_RETURN, 13},
    {SDL_SCANCODE_ESCAPE, 27},
    {SDL_SCANCODE_BACKSPACE, 8},
    {SDL_SCANCODE_TAB, 9},
    {SDL_SCANCODE_SPACE, 32},
    {SDL_SCANCODE_MINUS, 189},
    {SDL_SCANCODE_EQUALS, 187},
    {SDL_SCANCODE_LEFTBRACKET, 219},
    {SDL_SCANCODE_RIGHTBRACKET, 221},
    {SDL_SCANCODE_BACKSLASH, 220},
    {SDL_SCANCODE_NONUSHASH, 220},
    {SDL_SCANCODE_SEMICOLON, 186},
    {SDL_SCANCODE_APOSTROPHE, 222},
    {SDL_SCANCODE_GRAVE, 192},
    {SDL_SCANCODE_COMMA, 188},
    {SDL_SCANCODE_PERIOD, 190},
    {SDL_SCANCODE_SLASH, 191},
    {SDL_SCANCODE_CAPSLOCK, 20},
    {SDL_SCANCODE_PRINTSCREEN, 44},
    {SDL_SCANCODE_SCROLLLOCK, 145},
    {SDL_SCANCODE_PAUSE, 19},
    {SDL_SCANCODE_INSERT, 45},
    {SDL_SCANCODE_HOME, 36},
    {SDL_SCANCODE_PAGEUP, 33},
    {SDL_SCANCODE_DELETE, 46},
    {SDL_SCANCODE_END, 35},
    {SDL_SCANCODE_PAGEDOWN, 34},
    {SDL_SCANCODE_RIGHT, 39},
    {SDL_SCANCODE_LEFT, 37},
    {SDL_SCANCODE_DOWN, 40},
    {SDL_SCANCODE_UP, 38},
    {SDL_SCANCODE_NUMLOCKCLEAR, 144},
    {SDL_SCANCODE_KP_DIVIDE, 111},
    {SDL_SCANCODE_KP_MULTIPLY, 106},
    {SDL_SCANCODE_KP_MINUS, 109},
    {SDL_SCANCODE_KP_PLUS, 107},
    {SDL_SCANCODE_KP_ENTER, 13},
    {SDL_SCANCODE_KP_0, 96},
    {SDL_SCANCODE_KP_PERIOD, 110},
    {SDL_SCANCODE_KP_DECIMAL, 110},
    {SDL_SCANCODE_NONUSBACKSLASH, 226},
    {SDL_SCANCODE_APPLICATION, 93},
    {SDL_SCANCODE_MENU, 93},
    {SDL_SCANCODE_SLEEP, 95},
    {SDL_SCANCODE_MUTE, 173},
    {SDL_SCANCODE_VOLUMEDOWN, 174},
    {SDL_SCANCODE_VOLUMEUP, 175},
    {SDL_SCANCODE_AUDIONEXT, 176},
    {SDL_SCANCODE_AUDIOPREV, 177},
    {SDL_SCANCODE_AUDIOSTOP, 178},
    {SDL_SCANCODE_AUDIOPLAY, 179},
    {SDL_SCANCODE_LCTRL, 162},
    {SDL_SCANCODE_LSHIFT, 160},
    {SDL_SCANCODE_LALT, 164},
    {SDL_SCANCODE_LGUI, 91},
    {SDL_SCANCODE_RCTRL, 163},
    {SDL_SCANCODE_RSHIFT, 161},
    {SDL_SCANCODE_RALT, 165},
    {SDL_SCANCODE_RGUI, 92},
};

// The scancode-indexed table, built once from the list above and the regular runs.
const std::array<int, SDL_NUM_SCANCODES>& KeyTable() {
    static const std::array<int, SDL_NUM_SCANCODES> table = [] {
        std::array<int, SDL_NUM_SCANCODES> t{};
        for (int i = 0; i < 26; ++i)
            t[SDL_SCANCODE_A + i] = 'A' + i;
        // NOTE: SDL orders the digit row 1..9 then 0, Windows codes run '0'..'9'.
        for (int i = 0; i < 9; ++i)
            t[SDL_SCANCODE_1 + i] = '1' + i;
        t[SDL_SCANCODE_0] = '0';
        for (int i = 0; i < 9; ++i)
            t[SDL_SCANCODE_KP_1 + i] = 97 + i;
        for (int i = 0; i < 12; ++i)
            t[SDL_SCANCODE_F1 + i] = 112 + i;
        for (int i = 0; i < 12; ++i)
            t[SDL_SCANCODE_F13 + i] = 124 + i;
        for (const KeyCode& k : kKeyCodes)
            t[k.scancode] = k.vk;
        return t;
    }();
    return table;
}

bool IsModifierKey(int vk) {
    return (vk >= 160 && vk <= 165) || vk == 91 || vk == 92;
}

int FlagsFromSDLMods(Uint16 mods) {
    int flags = 0;
    if (mods & KMOD_SHIFT) flags |= kModShift;
    if (mods & KMOD_CTRL) flags |= kModControl;
    if (mods & KMOD_ALT) flags |= kModAlt;
    if (mods & KMOD_GUI) flags |= kModSystem;
    return flags;
}

// The character typed by the keys SDL types no text for: KeyChar events carry them too.
int ControlCharacter(SDL_Scancode scancode) {
    switch (scancode) {
        case SDL_SCANCODE_BACKSPACE:
            return 8;
        case SDL_SCANCODE_TAB:
            return 9;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            return 13;
        case SDL_SCANCODE_ESCAPE:
            return 27;
        default:
            return 0;
    }
}

// The engine numbers the buttons left 1, right 2, middle 3; SDL left 1, middle 2, right 3.
int ButtonNumber(Uint8 sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT:
            return 1;
        case SDL_BUTTON_RIGHT:
            return 2;
        case SDL_BUTTON_MIDDLE:
            return 3;
        default:
            return 0;
    }
}

// Decodes the next UTF-8 code point at text, advancing it; malformed bytes give U+FFFD.
int NextCodePoint(const unsigned char*& text) {
    const unsigned lead = *text++;
    int length = 0;
    int code = 0;
    if (lead < 0x80) return static_cast<int>(lead);
    if ((lead & 0xE0) == 0xC0) {
        length = 1;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3;
        code = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int i = 0; i < length; ++i) {
        if ((*text & 0xC0) != 0x80) return 0xFFFD;
        code = (code << 6) | (*text++ & 0x3F);
    }
    return code;
}

void TellFocus(Uint32 windowId, bool focused) {
    if (TWindowListener* listener = State().windowListener)
        listener->FocusChanged(windowId, focused);
}

// A press or a move of the mouse SDL makes from a finger, while the pointer is anchored: play
// reads the fingers through the touch controls instead.
bool IsTouchMouseInPlay(const SDL_Event& event) {
    Uint32 which = 0;
    if (event.type == SDL_MOUSEMOTION) {
        which = event.motion.which;
    } else if (event.type == SDL_MOUSEBUTTONDOWN) {
        which = event.button.which;
    } else {
        return false;
    }
    int x = 0;
    int y = 0;
    return which == SDL_TOUCH_MOUSEID && PointerAnchor(x, y);
}

bool VideoStarted() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

// The window an event of windowId is for: the one with the keyboard focus when SDL names none.
std::uint32_t EventWindow(std::uint32_t windowId) {
    if (windowId != 0 || !VideoStarted()) return windowId;
    SDL_Window* focused = SDL_GetKeyboardFocus();
    return focused ? SDL_GetWindowID(focused) : 0;
}

}  // namespace

int VirtualKeyFromScancode(int scancode) {
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
    return KeyTable()[scancode];
}

TSDLSystemDriver::TSDLSystemDriver() : gamepad_(std::make_unique<TSDLGamepad>(*this)) {
#ifdef _WIN32
    // Windows' default timer tick is 15.6 ms, far coarser than a frame's sleep. One request
    // per process, returned when the process exits.
    static const bool timerPrecisionSet = [] {
        if (timeBeginPeriod(1) != TIMERR_NOERROR) return false;
        std::atexit([] { timeEndPeriod(1); });
        return true;
    }();
    (void)timerPrecisionSet;
#endif
}

std::shared_ptr<TSystemDriver> CreateSDLSystemDriver() {
    return std::make_shared<TSDLSystemDriver>();
}

void SetWindowListener(TWindowListener* listener) {
    State().windowListener = listener;
}

void TSDLSystemDriver::Poll() {
    SDL_Event event;
    while (SDL_PollEvent(&event))
        HandleEvent(event);
    gamepad_->Step(modifierFlags_);
    touch_.Step(modifierFlags_);
}

void TSDLSystemDriver::Wait() {
    SDL_Event event;
    if (SDL_WaitEvent(&event)) HandleEvent(event);
    Poll();
}

void TSDLSystemDriver::HandleEvent(const SDL_Event& event) {
    if (gamepad_->HandleEvent(event, modifierFlags_)) return;
    if (touch_.HandleEvent(event, modifierFlags_)) return;
    if (IsTouchMouseInPlay(event)) return;
    switch (event.type) {
        case SDL_QUIT:
            EmitOSEvent(kEventAppTerminate, nullptr, 0, modifierFlags_, 0, 0, nullptr);
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    EmitOSEvent(kEventAppTerminate, nullptr, 0, modifierFlags_, 0, 0, nullptr);
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    EmitOSEvent(kEventAppResume, nullptr, 0, modifierFlags_, 0, 0, nullptr);
                    gamepad_->SetSuspended(false, modifierFlags_);
                    touch_.SetSuspended(false, modifierFlags_);
                    TellFocus(event.window.windowID, true);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    EmitOSEvent(kEventAppSuspend, nullptr, 0, modifierFlags_, 0, 0, nullptr);
                    gamepad_->SetSuspended(true, modifierFlags_);
                    touch_.SetSuspended(true, modifierFlags_);
                    TellFocus(event.window.windowID, false);
                    break;
                case SDL_WINDOWEVENT_LEAVE:
                    if (event.window.windowID == pointerWindow_) {
                        TrackPointerWindow(0, 0, 0, nullptr);
                    }
                    break;
                default:
                    break;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            TranslateKey(event);
            break;
        case SDL_TEXTINPUT: {
            const auto* text = reinterpret_cast<const unsigned char*>(event.text.text);
            while (*text) {
                const int c = NextCodePoint(text);
                EmitOSEvent(kEventKeyChar, nullptr, c, modifierFlags_, 0, 0, nullptr);
            }
            break;
        }
        case SDL_MOUSEMOTION:
            TranslateMotion(event);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int button = ButtonNumber(event.button.button);
            if (button == 0) break;
            const int id = event.type == SDL_MOUSEBUTTONDOWN ? kEventMouseDown : kEventMouseUp;
            int x = 0, y = 0;
            WindowToArena(event.button.windowID, event.button.x, event.button.y, x, y);
            EmitOSEvent(id, nullptr, button, modifierFlags_, x, y, nullptr);
            break;
        }
        case SDL_MOUSEWHEEL: {
            int notches = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
            if (notches != 0) {
                EmitOSEvent(kEventMouseWheel, nullptr, notches, modifierFlags_, 0, 0, nullptr);
            }
            break;
        }
        default:
            break;
    }
}

void TSDLSystemDriver::TranslateKey(const SDL_Event& event) {
    const int vk = VirtualKeyFromScancode(event.key.keysym.scancode);
    if (vk < 1 || vk > 255) return;
    // The flags change only on the modifier keys' own events, as the state they report is
    // the one after the change.
    if (IsModifierKey(vk)) modifierFlags_ = FlagsFromSDLMods(event.key.keysym.mod);
    if (TakeFullScreenKey(event, vk)) return;

    if (event.type == SDL_KEYUP) {
        EmitOSEvent(kEventKeyUp, nullptr, vk, modifierFlags_, 0, 0, nullptr);
        return;
    }
    const int id = event.key.repeat ? kEventKeyRepeat : kEventKeyDown;
    EmitOSEvent(id, nullptr, vk, modifierFlags_, 0, 0, nullptr);

    const int c = ControlCharacter(event.key.keysym.scancode);
    if (c) EmitOSEvent(kEventKeyChar, nullptr, c, modifierFlags_, 0, 0, nullptr);

    // Alt+F4 is a close request when no window manager took it first.
    if (vk == 115 && (modifierFlags_ & kModAlt) && !event.key.repeat) {
        EmitOSEvent(kEventAppTerminate, nullptr, 0, modifierFlags_, 0, 0, nullptr);
    }
}

bool TSDLSystemDriver::TakeFullScreenKey(const SDL_Event& event, int vk) {
    const bool pressed = event.type == SDL_KEYDOWN && !event.key.repeat;
    if (vk == 13) {
        const int scancode = event.key.keysym.scancode;
        if (pressed && (modifierFlags_ & kModAlt)) swallowedEnter_ = scancode;
        if (swallowedEnter_ != scancode) return false;
        if (event.type == SDL_KEYUP) swallowedEnter_ = 0;
    } else if (vk != 122) {  // F11
        return false;
    }
    if (pressed) ToggleDesktopFullScreen(EventWindow(event.key.windowID));
    return true;
}

void TSDLSystemDriver::TranslateMotion(const SDL_Event& event) {
    // NOTE: whether the pointer is inside is a question of the window (its bars included);
    // the positions given on are the arena's.
    bool inside = false;
    if (SDL_Window* window = SDL_GetWindowFromID(event.motion.windowID)) {
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(window, &width, &height);
        inside = event.motion.x >= 0 && event.motion.x < width && event.motion.y >= 0 &&
                 event.motion.y < height;
    }
    int x = 0, y = 0;
    WindowToArena(event.motion.windowID, event.motion.x, event.motion.y, x, y);
    TrackPointerWindow(inside ? event.motion.windowID : 0, x, y, nullptr);

    // NOTE: a move event carries one button only: right before middle before left, with the
    // masks 2, 4 and 1.
    const Uint32 held = event.motion.state;
    int data = 0;
    if (held & SDL_BUTTON_RMASK) {
        data = 2;
    } else if (held & SDL_BUTTON_MMASK) {
        data = 4;
    } else if (held & SDL_BUTTON_LMASK) {
        data = 1;
    }
    EmitOSEvent(kEventMouseMove, nullptr, data, modifierFlags_, x, y, nullptr);
    gamepad_->PointerMoved(x, y);
    touch_.PointerMoved(x, y);
}

void TSDLSystemDriver::TrackPointerWindow(std::uint32_t windowId, int x, int y, ObjectRef source) {
    if (windowId == pointerWindow_) return;
    if (pointerWindow_ != 0) {
        int leftX = 0;
        int leftY = 0;
        if (SDL_Window* window = SDL_GetWindowFromID(pointerWindow_)) {
            int windowX = 0;
            int windowY = 0;
            SDL_GetGlobalMouseState(&leftX, &leftY);
            SDL_GetWindowPosition(window, &windowX, &windowY);
            WindowToArena(pointerWindow_, leftX - windowX, leftY - windowY, leftX, leftY);
        }
        EmitOSEvent(kEventMouseLeave, pointerSource_, 0, modifierFlags_, leftX, leftY, nullptr);
        pointerSource_ = nullptr;
    }
    pointerWindow_ = windowId;
    ApplyPointerVisibility();
    if (windowId != 0) {
        pointerSource_ = source;
        EmitOSEvent(kEventMouseEnter, std::move(source), 0, modifierFlags_, x, y, nullptr);
    }
}

void TSDLSystemDriver::ApplyPointerVisibility() {
    // SDL keeps a shown/hidden state rather than a display count, and its hidden cursor is
    // set on its own windows only, so the desktop keeps its cursor either way.
    const bool shown = pointerVisibleFlag_ != 0 || pointerWindow_ == 0;
    if (VideoStarted()) SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void TSDLSystemDriver::MovePointer(int x, int y) {
    if (!VideoStarted()) return;
    if (SDL_Window* active = SDL_GetKeyboardFocus()) {
        int windowX = 0, windowY = 0;
        ArenaToWindow(SDL_GetWindowID(active), x, y, windowX, windowY);
        SDL_WarpMouseInWindow(active, windowX, windowY);
    } else {
        SDL_WarpMouseGlobal(x, y);
    }
}

void TSDLSystemDriver::SetPointerVisible(int visible) {
    pointerVisibleFlag_ = visible;
    ApplyPointerVisibility();
}

}  // namespace vdl
