// SDL events translated into the engine's events with Windows key codes, button numbers and
// modifier flags. No window or display is needed: the events are made here.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sdl_system_driver.h"
#include "system/event.h"
#include "system/hook.h"

namespace vdl {
namespace {

struct Recorded {
    int id, data, mods, x, y;
    bool operator==(const Recorded&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Recorded& r) {
    return out << EventName(r.id) << " data=" << r.data << " mods=" << r.mods << " (" << r.x << ","
               << r.y << ")";
}

struct Recorder : Object {
    std::vector<Recorded> events;
};

ObjectRef Record(int, ObjectRef data, const ObjectRef& context) {
    auto* event = dynamic_cast<TEvent*>(data.get());
    if (event) {
        static_cast<Recorder*>(context.get())
            ->events.push_back({event->id, event->data, event->mods, event->x, event->y});
    }
    return data;
}

class SDLTranslation : public ::testing::Test {
protected:
    void SetUp() override { AddHook(EmitEventHook, Record, recorder_, 100); }
    void TearDown() override { RemoveHook(EmitEventHook, Record, recorder_); }

    std::vector<Recorded> Take() { return std::exchange(recorder_->events, {}); }

    void Key(Uint32 type, SDL_Scancode scancode, Uint16 mod = 0, Uint8 repeat = 0) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.scancode = scancode;
        e.key.keysym.mod = mod;
        e.key.repeat = repeat;
        driver_.HandleEvent(e);
    }

    int CodeOf(SDL_Scancode scancode) {
        Key(SDL_KEYDOWN, scancode);
        Key(SDL_KEYUP, scancode);
        std::vector<Recorded> seen = Take();
        return seen.empty() ? 0 : seen.front().data;
    }

    void Window(Uint8 windowEvent, Uint32 windowId = 0) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = windowEvent;
        e.window.windowID = windowId;
        driver_.HandleEvent(e);
    }

    TSDLSystemDriver driver_;
    std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
};

TEST_F(SDLTranslation, KeysOfAStandardKeyboardGetTheirWindowsCodes) {
    const std::pair<SDL_Scancode, int> keys[] = {
        {SDL_SCANCODE_A, 65},
        {SDL_SCANCODE_D, 68},
        {SDL_SCANCODE_P, 80},
        {SDL_SCANCODE_S, 83},
        {SDL_SCANCODE_W, 87},
        {SDL_SCANCODE_Z, 90},
        {SDL_SCANCODE_0, 48},
        {SDL_SCANCODE_1, 49},
        {SDL_SCANCODE_9, 57},
        {SDL_SCANCODE_F1, 112},
        {SDL_SCANCODE_F4, 115},
        {SDL_SCANCODE_F12, 123},
        {SDL_SCANCODE_ESCAPE, 27},
        {SDL_SCANCODE_RETURN, 13},
        {SDL_SCANCODE_SPACE, 32},
        {SDL_SCANCODE_BACKSPACE, 8},
        {SDL_SCANCODE_TAB, 9},
        {SDL_SCANCODE_LEFT, 37},
        {SDL_SCANCODE_UP, 38},
        {SDL_SCANCODE_RIGHT, 39},
        {SDL_SCANCODE_DOWN, 40},
        {SDL_SCANCODE_INSERT, 45},
        {SDL_SCANCODE_DELETE, 46},
        {SDL_SCANCODE_HOME, 36},
        {SDL_SCANCODE_END, 35},
        {SDL_SCANCODE_PAGEUP, 33},
        {SDL_SCANCODE_PAGEDOWN, 34},
        {SDL_SCANCODE_KP_0, 96},
        {SDL_SCANCODE_KP_1, 97},
        {SDL_SCANCODE_KP_9, 105},
        {SDL_SCANCODE_KP_MULTIPLY, 106},
        {SDL_SCANCODE_KP_PLUS, 107},
        {SDL_SCANCODE_KP_MINUS, 109},
        {SDL_SCANCODE_KP_PERIOD, 110},
        {SDL_SCANCODE_KP_DIVIDE, 111},
        {SDL_SCANCODE_KP_ENTER, 13},
        {SDL_SCANCODE_NUMLOCKCLEAR, 144},
        {SDL_SCANCODE_SEMICOLON, 186},
        {SDL_SCANCODE_EQUALS, 187},
        {SDL_SCANCODE_COMMA, 188},
        {SDL_SCANCODE_MINUS, 189},
        {SDL_SCANCODE_PERIOD, 190},
        {SDL_SCANCODE_SLASH, 191},
        {SDL_SCANCODE_GRAVE, 192},
        {SDL_SCANCODE_LEFTBRACKET, 219},
        {SDL_SCANCODE_BACKSLASH, 220},
        {SDL_SCANCODE_RIGHTBRACKET, 221},
        {SDL_SCANCODE_APOSTROPHE, 222},
        {SDL_SCANCODE_CAPSLOCK, 20},
        {SDL_SCANCODE_PAUSE, 19},
    };
    for (const auto& [scancode, vk] : keys) {
        EXPECT_EQ(CodeOf(scancode), vk) << SDL_GetScancodeName(scancode);
    }
}

TEST_F(SDLTranslation, ModifierKeysUseTheirSideCodesNeverTheGenericOnes) {
    const std::pair<SDL_Scancode, int> keys[] = {
        {SDL_SCANCODE_LSHIFT, 160}, {SDL_SCANCODE_RSHIFT, 161}, {SDL_SCANCODE_LCTRL, 162},
        {SDL_SCANCODE_RCTRL, 163},  {SDL_SCANCODE_LALT, 164},   {SDL_SCANCODE_RALT, 165},
        {SDL_SCANCODE_LGUI, 91},    {SDL_SCANCODE_RGUI, 92},
    };
    for (const auto& [scancode, vk] : keys) {
        EXPECT_EQ(CodeOf(scancode), vk) << SDL_GetScancodeName(scancode);
    }
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        const int vk = VirtualKeyFromScancode(scancode);
        EXPECT_TRUE(vk < 16 || vk > 18) << SDL_GetScancodeName(SDL_Scancode(scancode));
        EXPECT_LE(vk, 255);
    }
}

TEST_F(SDLTranslation, RepeatsAreTheirOwnKindAndKeysWithoutACodeMakeNoEvent) {
    Key(SDL_KEYDOWN, SDL_SCANCODE_W);
    Key(SDL_KEYDOWN, SDL_SCANCODE_W, 0, 1);
    Key(SDL_KEYUP, SDL_SCANCODE_W);
    Key(SDL_KEYDOWN, SDL_SCANCODE_UNKNOWN);
    Key(SDL_KEYDOWN, SDL_SCANCODE_KP_EQUALSAS400);
    EXPECT_EQ(Take(), (std::vector<Recorded>{{kEventKeyDown, 87, 0, 0, 0},
                                             {kEventKeyRepeat, 87, 0, 0, 0},
                                             {kEventKeyUp, 87, 0, 0, 0}}));
}

TEST_F(SDLTranslation, ModifierFlagsFollowTheModifierKeysAndTagLaterEvents) {
    Key(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT);
    Key(SDL_KEYDOWN, SDL_SCANCODE_RCTRL, KMOD_LSHIFT | KMOD_RCTRL);
    Key(SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_LSHIFT | KMOD_RCTRL);
    Key(SDL_KEYUP, SDL_SCANCODE_LSHIFT, KMOD_RCTRL);
    Key(SDL_KEYDOWN, SDL_SCANCODE_RGUI, KMOD_RCTRL | KMOD_RGUI);
    Key(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_RCTRL | KMOD_RGUI | KMOD_LALT);
    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    driver_.HandleEvent(click);

    std::vector<int> mods;
    for (const Recorded& r : Take())
        mods.push_back(r.mods);
    EXPECT_EQ(mods, (std::vector<int>{1, 3, 3, 2, 10, 14, 14}));
}

TEST_F(SDLTranslation, TypedTextAndControlKeysBecomeCharacters) {
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_strlcpy(text.text.text, "a\xC3\xA9\xE2\x82\xAC", sizeof text.text.text);  // a é €
    driver_.HandleEvent(text);
    Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN);
    Key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, 0, 1);

    std::vector<Recorded> seen = Take();
    std::vector<int> chars;
    for (const Recorded& r : seen) {
        if (r.id == kEventKeyChar) chars.push_back(r.data);
    }
    EXPECT_EQ(chars, (std::vector<int>{'a', 0xE9, 0x20AC, 13, 8}));
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[3].id, kEventKeyDown) << "the key comes before its character";
}

TEST_F(SDLTranslation, ButtonsAreNumberedLeftRightMiddle) {
    const std::pair<Uint8, int> buttons[] = {
        {SDL_BUTTON_LEFT, 1}, {SDL_BUTTON_RIGHT, 2}, {SDL_BUTTON_MIDDLE, 3}};
    for (const auto& [sdlButton, number] : buttons) {
        SDL_Event e{};
        e.type = SDL_MOUSEBUTTONDOWN;
        e.button.button = sdlButton;
        e.button.x = 12;
        e.button.y = -3;
        driver_.HandleEvent(e);
        e.type = SDL_MOUSEBUTTONUP;
        driver_.HandleEvent(e);
        EXPECT_EQ(Take(), (std::vector<Recorded>{{kEventMouseDown, number, 0, 12, -3},
                                                 {kEventMouseUp, number, 0, 12, -3}}));
    }
    SDL_Event extra{};
    extra.type = SDL_MOUSEBUTTONDOWN;
    extra.button.button = SDL_BUTTON_X1;
    driver_.HandleEvent(extra);
    EXPECT_TRUE(Take().empty());
}

TEST_F(SDLTranslation, AMoveReportsOneHeldButtonRightBeforeMiddleBeforeLeft) {
    const std::pair<Uint32, int> held[] = {
        {0, 0},
        {SDL_BUTTON_LMASK, 1},
        {SDL_BUTTON_MMASK | SDL_BUTTON_LMASK, 4},
        {SDL_BUTTON_RMASK | SDL_BUTTON_MMASK | SDL_BUTTON_LMASK, 2},
    };
    for (const auto& [state, data] : held) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.state = state;
        e.motion.x = -40;
        e.motion.y = 900;
        driver_.HandleEvent(e);
        EXPECT_EQ(Take(), (std::vector<Recorded>{{kEventMouseMove, data, 0, -40, 900}}));
    }
}

TEST_F(SDLTranslation, TheWheelCountsNotchesAwayFromTheUser) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = 2;
    driver_.HandleEvent(e);
    e.wheel.y = -1;
    driver_.HandleEvent(e);
    e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    e.wheel.y = 3;
    driver_.HandleEvent(e);
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    e.wheel.y = 0;  // sideways only
    e.wheel.x = 1;
    driver_.HandleEvent(e);
    EXPECT_EQ(Take(), (std::vector<Recorded>{{kEventMouseWheel, 2, 0, 0, 0},
                                             {kEventMouseWheel, -1, 0, 0, 0},
                                             {kEventMouseWheel, -3, 0, 0, 0}}));
}

TEST_F(SDLTranslation, FocusAndCloseRequestsBecomeApplicationEvents) {
    Window(SDL_WINDOWEVENT_FOCUS_LOST);
    Window(SDL_WINDOWEVENT_FOCUS_GAINED);
    Window(SDL_WINDOWEVENT_CLOSE);
    Window(SDL_WINDOWEVENT_MOVED);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    driver_.HandleEvent(quit);
    EXPECT_EQ(Take(), (std::vector<Recorded>{{kEventAppSuspend, 0, 0, 0, 0},
                                             {kEventAppResume, 0, 0, 0, 0},
                                             {kEventAppTerminate, 0, 0, 0, 0},
                                             {kEventAppTerminate, 0, 0, 0, 0}}));
}

// Hears focus changes with the number of engine events already emitted at the time.
struct FocusLog : TWindowListener {
    explicit FocusLog(const std::vector<Recorded>& emitted) : events(emitted) {}
    void FocusChanged(std::uint32_t windowId, bool focused) override {
        heard.push_back({windowId, focused, events.size()});
    }
    struct Heard {
        std::uint32_t windowId;
        bool focused;
        std::size_t eventsBefore;
        bool operator==(const Heard&) const = default;
    };
    const std::vector<Recorded>& events;
    std::vector<Heard> heard;
};

TEST_F(SDLTranslation, TheWindowListenerHearsFocusChangesAfterTheirEvents) {
    FocusLog log(recorder_->events);
    SetWindowListener(&log);
    Window(SDL_WINDOWEVENT_FOCUS_GAINED, 7);
    Window(SDL_WINDOWEVENT_MOVED, 7);
    Window(SDL_WINDOWEVENT_CLOSE, 7);
    Window(SDL_WINDOWEVENT_FOCUS_LOST, 9);
    SetWindowListener(nullptr);
    Window(SDL_WINDOWEVENT_FOCUS_GAINED, 7);

    EXPECT_EQ(log.heard, (std::vector<FocusLog::Heard>{{7, true, 1}, {9, false, 3}}));
    EXPECT_EQ(Take().size(), 4u);
}

TEST_F(SDLTranslation, AltF4IsACloseRequestButF4AloneIsNot) {
    Key(SDL_KEYDOWN, SDL_SCANCODE_F4);
    Key(SDL_KEYUP, SDL_SCANCODE_F4);
    Key(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_LALT);
    Key(SDL_KEYDOWN, SDL_SCANCODE_F4, KMOD_LALT);
    std::vector<int> ids;
    for (const Recorded& r : Take())
        ids.push_back(r.id);
    EXPECT_EQ(ids, (std::vector<int>{kEventKeyDown, kEventKeyUp, kEventKeyDown, kEventKeyDown,
                                     kEventAppTerminate}));
}

TEST_F(SDLTranslation, F11AndAltEnterAreSwallowedWithTheirRepeatsAndReleases) {
    Key(SDL_KEYDOWN, SDL_SCANCODE_F11);
    Key(SDL_KEYDOWN, SDL_SCANCODE_F11, 0, 1);
    Key(SDL_KEYUP, SDL_SCANCODE_F11);
    Key(SDL_KEYDOWN, SDL_SCANCODE_RALT, KMOD_RALT);
    Key(SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER, KMOD_RALT);
    Key(SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER, KMOD_RALT, 1);
    Key(SDL_KEYUP, SDL_SCANCODE_RALT);
    Key(SDL_KEYUP, SDL_SCANCODE_KP_ENTER);
    EXPECT_EQ(Take(),
              (std::vector<Recorded>{{kEventKeyDown, 165, 4, 0, 0}, {kEventKeyUp, 165, 0, 0, 0}}));

    // Enter already held when Alt goes down stays an ordinary key.
    Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN);
    Key(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_LALT);
    Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT, 1);
    Key(SDL_KEYUP, SDL_SCANCODE_RETURN, KMOD_LALT);
    std::vector<int> ids;
    for (const Recorded& r : Take())
        ids.push_back(r.id);
    EXPECT_EQ(ids, (std::vector<int>{kEventKeyDown, kEventKeyChar, kEventKeyDown, kEventKeyRepeat,
                                     kEventKeyChar, kEventKeyUp}));
}

}  // namespace
}  // namespace vdl
