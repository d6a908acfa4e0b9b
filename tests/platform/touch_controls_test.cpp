// The web page's touch controls through the real SDL system driver: what the page sends comes
// out as keys, buttons and pointer moves, SDL's mouse made from a finger stays out of play,
// and a game played by touch replays exactly. No window or display is needed.
#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "collections/list.h"
#include "game/player.h"
#include "game/world.h"
#include "platform/sdl_system_driver.h"
#include "platform/touch_controls.h"
#include "sim/replay.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/system_driver.h"
#include "tests/platform/captured_events.h"

namespace vdl {
namespace {

using platformtest::Captured;
using platformtest::Events;
using platformtest::Text;
using ::testing::EndsWith;
using ::testing::HasSubstr;

// SDL's mouse event for a finger at (x, y), as SDL makes one from the first finger.
SDL_Event FingerMouse(Uint32 type, int x, int y) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.which = SDL_TOUCH_MOUSEID;
        e.motion.x = x;
        e.motion.y = y;
        e.motion.state = SDL_BUTTON_LMASK;
    } else {
        e.button.which = SDL_TOUCH_MOUSEID;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = x;
        e.button.y = y;
    }
    return e;
}

class Touch : public ::testing::Test {
protected:
    ~Touch() override { ClearPointerAnchor(); }
    // Queues the inputs as the page does, then polls the driver once.
    std::string Send(std::initializer_list<std::array<int, 3>> inputs = {}) {
        for (const auto& [input, x, y] : inputs)
            PushTouchInput(static_cast<TouchInput>(input), x, y);
        return Text(Captured([&] { driver_.Poll(); }));
    }
    std::string Handle(const SDL_Event& e) {
        return Text(Captured([&] { driver_.HandleEvent(e); }));
    }
    static constexpr int kMove = 0, kAim = 1, kHoming = 2, kPause = 3, kBack = 4, kLetGo = 5,
                         kPauseIfPlaying = 6;
    TSDLSystemDriver driver_;
};

TEST_F(Touch, SticksHoldKeysEightWaysAndAimFromTheAnchorAndButtonsHoldTheirKeys) {
    EXPECT_EQ(Send({{kMove, 140, 0}}), "") << "inside the dead zone";
    EXPECT_EQ(Send({{kMove, 1000, -300}}), "KeyDown 68") << "closer to right than up-right";
    EXPECT_EQ(Send({{kMove, 700, -700}}), "KeyDown 87");
    EXPECT_EQ(Send({{kMove, -20, 400}}), "KeyUp 87, KeyDown 83, KeyUp 68");

    EXPECT_EQ(Send({{kAim, 0, 300}}), "") << "no anchor: the aim moves nothing, short of firing";
    EXPECT_EQ(Send({{kAim, 0, 400}}), "MouseDown 1 (0,0)") << "past a third of the radius";
    SetPointerAnchor(400, 300);
    EXPECT_EQ(Send(), "MouseMove 1 (400,400)");
    EXPECT_EQ(Send({{kAim, -600, 0}}), "MouseMove 1 (300,300)");
    EXPECT_EQ(Send({{kAim, 0, 0}}), "MouseUp 1 (300,300)");
    SetPointerAnchor(420, 300);
    EXPECT_EQ(Send({{kAim, 100, 0}}), "MouseMove 0 (320,300)")
        << "let go, the direction is kept as the player moves";
    SetPointerAnchor(30, 550);
    EXPECT_EQ(Send({{kAim, 5000, 5000}}), "MouseMove 0 (101,599), MouseDown 1 (101,599)")
        << "beyond the rim, clamped to the arena";

    EXPECT_EQ(Send({{kHoming, 1, 0}, {kPause, 1, 0}, {kBack, 1, 0}}),
              "MouseDown 2 (101,599), KeyDown 80, KeyDown 27, KeyChar 27");
    EXPECT_EQ(Send({{kLetGo, 0, 0}}),
              "KeyUp 83, KeyUp 80, KeyUp 27, MouseUp 1 (101,599), MouseUp 2 (101,599)");
}

TEST_F(Touch, PlayPausesOnRequestAndKeepsTheFingersMouseOutAndSuspendingLetsGo) {
    EXPECT_EQ(Send({{kPauseIfPlaying, 0, 0}}), "") << "not playing";
    EXPECT_EQ(Handle(FingerMouse(SDL_MOUSEMOTION, 10, 20)), "MouseMove 1 (10,20)");
    EXPECT_EQ(Handle(FingerMouse(SDL_MOUSEBUTTONDOWN, 10, 20)), "MouseDown 1 (10,20)")
        << "a tap on a menu is a click";

    SetPointerAnchor(400, 300);
    EXPECT_EQ(Send({{kPauseIfPlaying, 0, 0}}), "KeyDown 80, KeyUp 80");
    EXPECT_EQ(Send({{kAim, 1000, 0}}), "MouseMove 0 (500,300), MouseDown 1 (500,300)");
    EXPECT_EQ(Handle(FingerMouse(SDL_MOUSEMOTION, 30, 40)), "");
    EXPECT_EQ(Handle(FingerMouse(SDL_MOUSEBUTTONDOWN, 30, 40)), "");
    EXPECT_EQ(Handle(FingerMouse(SDL_MOUSEBUTTONUP, 30, 40)), "MouseUp 1 (30,40)")
        << "the release of a press made before play";

    SDL_Event mouse{};
    mouse.type = SDL_MOUSEMOTION;
    mouse.motion.x = 5;
    EXPECT_EQ(Handle(mouse), "MouseMove 0 (5,0)");
    EXPECT_EQ(Send({{kAim, 0, 0}, {kMove, 0, 1000}}), "MouseUp 1 (5,0), KeyDown 83")
        << "the mouse took the pointer back";

    SDL_Event focus{};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    EXPECT_EQ(Handle(focus), "AppSuspend 0, KeyUp 83");
    focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    EXPECT_EQ(Handle(focus), "AppResume 0, KeyDown 83");
}

// From the title menu by touch alone: taps (SDL's mouse from a finger) on Start and the
// level's intro; then the move stick and the aim stick together, the homing button, the
// pause button and a tap to carry on, the page's pause when hidden, and the back button, with
// the thumb's own mouse moving all the while and changing nothing. What the driver emits at
// each flip goes to the runner, which sends and records it.
class TouchPlayer : public sim::InputSource {
public:
    void OnFlip(int frame, Events& events) override {
        int x = 0;
        int y = 0;
        const bool anchored = PointerAnchor(x, y);
        if (playStart_ == 0 && anchored) playStart_ = frame;
        const int t = frame - playStart_;
        events = Captured([&] {
            if (!anchored) {
                // A tap every 15 frames: on the menu, the intro and the pause screen.
                if (frame % 15 == 5) driver_.HandleEvent(FingerMouse(SDL_MOUSEMOTION, 70, 212));
                if (frame % 15 == 5) driver_.HandleEvent(FingerMouse(SDL_MOUSEBUTTONDOWN, 70, 212));
                if (frame % 15 == 8) driver_.HandleEvent(FingerMouse(SDL_MOUSEBUTTONUP, 70, 212));
            }
            if (playStart_ > 0) {
                paused = paused || (t > 150 && t < 165 && !anchored);
                const int way = t < 60 ? -700 : t < 120 ? 700 : 0;
                const float aim = t < 240 ? 800 : 0;
                PushTouchInput(TouchInput::kMoveStick, way, way);
                PushTouchInput(TouchInput::kAimStick, static_cast<int>(std::cos(t * 0.1f) * aim),
                               static_cast<int>(std::sin(t * 0.1f) * aim));
                PushTouchInput(TouchInput::kHoming, t >= 60 && t < 120, 0);
                PushTouchInput(TouchInput::kPause, t == 150, 0);
                if (t == 200) PushTouchInput(TouchInput::kPauseIfPlaying, 0, 0);
                PushTouchInput(TouchInput::kBack, t == 260, 0);
                // The thumb on the aim stick, as SDL's mouse.
                if (anchored) driver_.HandleEvent(FingerMouse(SDL_MOUSEMOTION, 790 + t % 5, 400));
            }
            driver_.Poll();
        });
        moved = moved || (game::player->x != 400 && playStart_ > 0);
        shot = shot || ListSize(game::bulletList) > 0;
        hiddenPause = hiddenPause || (t > 200 && t < 215 && !PointerAnchor(x, y));
    }
    bool moved = false, shot = false, paused = false, hiddenPause = false;

private:
    TSDLSystemDriver driver_;
    int playStart_ = 0;
};

TEST(TouchReplay, AGamePlayedByTouchReplaysFrameForFrame) {
    TouchPlayer player;
    sim::RunOptions options;
    options.seed = 7;
    options.maxFrames = 450;
    options.checkEvery = 1;
    const sim::RunResult result = sim::Run(options, player);
    EXPECT_TRUE(player.moved && player.shot && player.paused && player.hiddenPause);
    const std::string text = Text(result.events);
    EXPECT_THAT(text, HasSubstr("KeyDown 27, KeyChar 27, KeyUp 27")) << "back";
    EXPECT_THAT(text, HasSubstr("MouseDown 2"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("(79")))
        << "no pointer at the thumb's mouse, x 790 to 794";

    sim::Replay replay;
    std::string error;
    ASSERT_TRUE(sim::ReadReplay(sim::WriteReplay(sim::MakeReplay(options, result)), replay, error));
    const sim::Divergence d = sim::VerifyReplay(replay);
    EXPECT_FALSE(d.diverged) << d.Describe();
}

}  // namespace
}  // namespace vdl
