// Game controllers through the real SDL system driver, played on SDL's virtual joysticks:
// what they hold comes out as keys, buttons and pointer moves, and a game played with one
// replays exactly. No window or display is needed.
#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collections/list.h"
#include "game/player.h"
#include "game/world.h"
#include "platform/sdl_system_driver.h"
#include "sim/replay.h"
#include "system/clock.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/polled_input.h"
#include "tests/platform/captured_events.h"

namespace vdl {
namespace {

using platformtest::Captured;
using platformtest::Events;
using platformtest::Text;
using ::testing::EndsWith;

// A virtual controller mapped with the game controller's axes and buttons in SDL's order.
// The mapping ends with a comma, as SDL's own do: SDL 2.32 appends fields to it, and would
// read them into the last binding otherwise, losing the right trigger.
struct Pad {
    Pad() {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 11, 0);
        char guid[33];
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
        SDL_GameControllerAddMapping((guid + std::string(",Test Pad,a:b0,back:b4,start:b6,"
                                                         "leftshoulder:b9,rightshoulder:b10,"
                                                         "leftx:a0,lefty:a1,rightx:a2,righty:a3,"
                                                         "lefttrigger:a4,righttrigger:a5,"))
                                         .c_str());
        joystick = SDL_JoystickOpen(index);
        id = SDL_JoystickInstanceID(joystick);
    }
    ~Pad() {
        SDL_JoystickClose(joystick);
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        }
    }
    void Axis(int axis, int value) { SDL_JoystickSetVirtualAxis(joystick, axis, Sint16(value)); }
    void Left(int x, int y) { Axis(0, x), Axis(1, y); }
    void Right(int x, int y) { Axis(2, x), Axis(3, y); }
    // A trigger reads 0 to 32767 from the joystick's whole range.
    void Triggers(int left, int right) { Axis(4, left * 2 - 32768), Axis(5, right * 2 - 32768); }
    void Button(int button, bool down) { SDL_JoystickSetVirtualButton(joystick, button, down); }
    SDL_Joystick* joystick = nullptr;
    SDL_JoystickID id = -1;
};

// The driver polled every 10 ms of virtual time.
class Gamepad : public ::testing::Test {
protected:
    ~Gamepad() override {
        ClearPointerAnchor();
        SetClock(previous_);
    }
    std::string Poll(int polls = 1) {
        Events all;
        for (int i = 0; i < polls; ++i) {
            clock_.Advance(10);
            const Events events = Captured([&] { driver_.Poll(); });
            all.insert(all.end(), events.begin(), events.end());
        }
        return Text(all);
    }
    std::string Handle(Uint32 type, Uint8 windowEvent = 0, int x = 0) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) e.motion.x = x;
        e.window.event = windowEvent;
        return Text(Captured([&] { driver_.HandleEvent(e); }));
    }
    TVirtualClock clock_{1000};
    TClock* previous_ = SetClock(&clock_);
    TSDLSystemDriver driver_;
};

TEST_F(Gamepad, SticksTriggersAndButtonsHoldKeysAndButtons) {
    Pad pad;
    EXPECT_EQ(Poll(), "");
    EXPECT_EQ(driver_.Gamepad().ActiveController(), pad.id);
    pad.Left(7000, -7000);
    pad.Triggers(0, 15000);
    EXPECT_EQ(Poll(), "") << "inside the dead zone, short of the threshold";
    pad.Left(-20000, -32768);
    pad.Triggers(0, 17000);
    EXPECT_EQ(Poll(), "KeyDown 65, KeyDown 87, MouseDown 1 (0,0)");
    pad.Left(32767, 0);
    pad.Triggers(0, 9000);
    pad.Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
    EXPECT_EQ(Poll(), "KeyUp 65, KeyDown 68, KeyUp 87") << "the trigger holds above its release";
    pad.Triggers(32767, 8000);
    pad.Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false);
    pad.Button(SDL_CONTROLLER_BUTTON_START, true);
    pad.Button(SDL_CONTROLLER_BUTTON_BACK, true);
    EXPECT_EQ(Poll(), "MouseDown 2 (0,0), KeyDown 27, KeyChar 27, KeyDown 80, MouseUp 1 (0,0)");
}

TEST_F(Gamepad, TheRightStickMovesThePointerOnMenusAndAimsFromTheAnchorInPlay) {
    Pad pad;
    Poll();
    pad.Right(32767, -32768);
    // 100 ms at 0.6 pixels a millisecond, at 45 degrees; the top edge holds.
    EXPECT_THAT(Poll(10), EndsWith("MouseMove 0 (42,0)"));
    pad.Right(20000, 0);  // 0.48 of the way from the dead zone to full
    EXPECT_THAT(Poll(10), EndsWith("MouseMove 0 (71,0)"));
    pad.Right(0, 0);
    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(Poll(), "MouseDown 1 (71,0)");

    pad.Button(SDL_CONTROLLER_BUTTON_A, false);
    SetPointerAnchor(400, 300);
    pad.Right(-20000, 20000);
    EXPECT_EQ(Poll(), "MouseUp 1 (71,0), MouseMove 0 (329,371)");
    pad.Right(0, 0);
    pad.Button(SDL_CONTROLLER_BUTTON_A, true);  // no click in play
    SetPointerAnchor(30, 550);
    EXPECT_EQ(Poll(), "MouseMove 0 (0,599)") << "the direction is kept, the pointer clamped";
    EXPECT_EQ(Handle(SDL_MOUSEMOTION, 0, 5), "MouseMove 0 (5,0)");
    SetPointerAnchor(200, 200);
    EXPECT_EQ(Poll(), "") << "the mouse took the pointer back";
}

TEST_F(Gamepad, WhatTheControllerInUseHoldsIsReleasedWhenItGoesOrTheFocusDoes) {
    auto first = std::make_unique<Pad>();
    Pad second;
    Poll();
    first->Left(0, -32768);
    first->Button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
    second.Left(32767, 0);  // not in use
    EXPECT_EQ(Poll(), "KeyDown 87, MouseDown 2 (0,0)");
    EXPECT_EQ(Handle(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST),
              "AppSuspend 0, KeyUp 87, MouseUp 2 (0,0)");
    EXPECT_EQ(Handle(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_GAINED),
              "AppResume 0, KeyDown 87, MouseDown 2 (0,0)");
    first.reset();
    EXPECT_EQ(Poll(), "KeyUp 87, MouseUp 2 (0,0), KeyDown 68");
    EXPECT_EQ(driver_.Gamepad().ActiveController(), second.id);
    Pad third;
    EXPECT_EQ(Poll(), "");
    EXPECT_EQ(driver_.Gamepad().ActiveController(), second.id);
}

// From the title menu with a controller alone: the stick steers the pointer to Start and A
// clicks it and the level's intro; then the player moves, aims, fires both kinds of shot,
// pauses with Start, carries on with A and leaves with Back. What the driver emits at each
// flip goes to the runner, which sends and records it.
class PadPlayer : public sim::InputSource {
public:
    void OnFlip(int frame, Events& events) override {
        int x = 0;
        int y = 0;
        if (playStart_ == 0 && PointerAnchor(x, y)) playStart_ = frame;
        const int t = frame - playStart_;
        if (playStart_ == 0) {
            // Slower as the pointer nears Start's label; A once there, and on the intro.
            const float dx = 70.0f - PointerX(), dy = 212.0f - PointerY();
            const float distance = std::hypot(dx, dy) + 0.01f;
            const float push = distance < 3 ? 0 : 8000 + 24767 * std::min(1.0f, distance / 20);
            pad_.Right(static_cast<int>(dx / distance * push),
                       static_cast<int>(dy / distance * push));
            if (push == 0 && clicked_ == 0) clicked_ = frame;
            pad_.Button(SDL_CONTROLLER_BUTTON_A,
                        clicked_ && (frame == clicked_ || frame == clicked_ + 15));
        } else {
            paused = paused || (t > 150 && t < 165 && !PointerAnchor(x, y));
            const int way = t < 60 ? -32767 : t < 120 ? 32767 : 0;
            const float aim = t < 240 ? 30000 : 0;
            pad_.Left(way, way);
            pad_.Right(static_cast<int>(std::cos(t * 0.1f) * aim),
                       static_cast<int>(std::sin(t * 0.1f) * aim));
            pad_.Triggers(t >= 60 && t < 120 ? 32767 : 0,
                          t < 60 || (t >= 170 && t < 240) ? 32767 : 0);
            pad_.Button(SDL_CONTROLLER_BUTTON_START, t == 150);
            pad_.Button(SDL_CONTROLLER_BUTTON_A, t == 165);
            pad_.Button(SDL_CONTROLLER_BUTTON_BACK, t == 240);
        }
        events = Captured([&] { driver_.Poll(); });
        moved = moved || (game::player->x != 400 && playStart_ > 0);
        shot = shot || ListSize(game::bulletList) > 0;
    }
    bool moved = false, shot = false, paused = false;

private:
    TSDLSystemDriver driver_;
    Pad pad_;
    int clicked_ = 0;
    int playStart_ = 0;
};

TEST(GamepadReplay, AGamePlayedWithAControllerReplaysFrameForFrame) {
    PadPlayer player;
    sim::RunOptions options;
    options.seed = 5;
    options.maxFrames = 400;
    options.checkEvery = 1;
    const sim::RunResult result = sim::Run(options, player);
    EXPECT_TRUE(player.moved && player.shot && player.paused);
    EXPECT_THAT(Text(result.events), EndsWith("KeyDown 27, KeyChar 27, KeyUp 27")) << "Back";
    EXPECT_THAT(Text(result.events), ::testing::HasSubstr("MouseDown 2"));

    sim::Replay replay;
    std::string error;
    ASSERT_TRUE(sim::ReadReplay(sim::WriteReplay(sim::MakeReplay(options, result)), replay, error));
    const sim::Divergence d = sim::VerifyReplay(replay);
    EXPECT_FALSE(d.diverged) << d.Describe();
}

}  // namespace
}  // namespace vdl
