// The title menu's buttons and the HUD: when a click takes effect, where the sound switch
// can be hit, Escape ending the program, the directions screen, and what the health bar draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "game/enemies.h"
#include "game/menu.h"
#include "game/world.h"
#include "tests/game/game_fixture.h"
#include "tests/graphics/recording_renderer.h"

namespace {

using gametest::StopRun;

constexpr int kEscape = 27;

class TitleMenuTest : public gametest::GameTest {};
using TitleMenuDeathTest = TitleMenuTest;

TEST_F(TitleMenuTest, StartActsInTheFrameAfterTheOneThatSawTheClick) {
    game::levelNumber = 7;
    game::TCharger::Create(100, 100);
    std::vector<int> levels;
    OnEachFlip([&](int flip) {
        levels.push_back(game::levelNumber);
        if (flip == 1) {
            PointAt(60, 215);  // on "Start"
            Click();
        }
        if (flip == 3) throw StopRun{};
    });
    EXPECT_THROW(game::TitleMenu(), StopRun);
    // Flip 2 ends the frame whose button pass saw the click; flip 3 is already level 1's intro.
    EXPECT_EQ(levels, (std::vector<int>{7, 7, 1}));
    EXPECT_TRUE(game::enemyList->Empty());
}

TEST_F(TitleMenuTest, TheSoundSwitchKeepsTheHitAreaOfSoundOff) {
    vdl::UseImageFont(game::font32);
    const int offWidth = vdl::MeasureTextWidth("Sound: Off");
    const int onWidth = vdl::MeasureTextWidth("Sound: On");
    ASSERT_NE(offWidth, onWidth);
    // Inside the wider label's area only: the pointer hits a label of width w up to x + w.
    const int x = 500 + std::min(offWidth, onWidth) + 1;

    std::vector<int> switches;
    std::string labelWhileOn;
    OnEachFlip([&](int flip) {
        switches.push_back(game::soundOn);
        if (flip == 1) {
            PointAt(510, 215);
            Click();
        }
        if (flip == 3) {
            labelWhileOn =
                std::static_pointer_cast<game::TButton>(game::buttonList->BackItem())->text;
            PointAt(x, 215);
            Click();
        }
        if (flip == 5) throw StopRun{};
    });
    EXPECT_THROW(game::TitleMenu(), StopRun);
    const int on = game::kSoundOn, off = game::kSoundOff;
    const int afterSecondClick = offWidth > onWidth ? off : on;
    EXPECT_EQ(switches, (std::vector<int>{off, off, on, on, afterSecondClick}));
    EXPECT_EQ(labelWhileOn, "Sound: On");
}

// Quit is left to the end-to-end test, which sees the real program end.
TEST_F(TitleMenuDeathTest, EscapeEndsTheProgramWithCodeZero) {
    OnEachFlip([](int flip) {
        if (flip == 1) KeyDown(kEscape);
        if (flip == 10) throw StopRun{};
    });
    EXPECT_EXIT(game::TitleMenu(), testing::ExitedWithCode(0), "");
}

// One filled rectangle as the renderer received it, with the colour and alpha it had.
struct Fill {
    float r, g, b, alpha, x, y, w, h;
    bool operator==(const Fill&) const = default;
};

void PrintTo(const Fill& f, std::ostream* out) {
    *out << "rgb(" << f.r << "," << f.g << "," << f.b << ") alpha " << f.alpha << " at (" << f.x
         << "," << f.y << ") " << f.w << " x " << f.h;
}

std::vector<Fill> Fills(const rec::RecordingDriver& driver) {
    std::vector<Fill> fills;
    std::vector<float> colour{255, 255, 255};
    float alpha = 1;
    for (const rec::Call& call : driver.calls) {
        if (call.name == "SetColor") colour = call.args;
        if (call.name == "SetAlpha") alpha = call.args[0];
        if (call.name != "DrawRect") continue;
        const std::vector<float>& a = call.args;  // local corners, then the translation
        fills.push_back({colour[0], colour[1], colour[2], alpha, a[4] + a[0], a[5] + a[1],
                         a[2] - a[0], a[3] - a[1]});
    }
    return fills;
}

TEST_F(TitleMenuTest, TheHealthBarIsTwentyPixelsOfGreenAPointAndTheRestOfItsWidthRed) {
    const auto driver = std::make_shared<rec::RecordingDriver>();
    vdl::SelectGraphicsDriver(driver, 0);
    ASSERT_TRUE(vdl::OpenGraphics(800, 600, 0, 0, 0));
    game::SetUpDrawingState();

    // Half transparent over the field: green from x 335, the rest of the 121 pixels red.
    game::player->health = 6;
    game::DrawHud();
    EXPECT_EQ(Fills(*driver), (std::vector<Fill>{{0, 255, 0, 0.5f, 335, 20, 121, 20},
                                                 {255, 0, 0, 0.5f, 455, 20, 1, 20}}));
    driver->calls.clear();
    game::player->health = 0;
    game::DrawHud();
    EXPECT_EQ(Fills(*driver), (std::vector<Fill>{{0, 255, 0, 0.5f, 335, 20, 1, 20},
                                                 {255, 0, 0, 0.5f, 335, 20, 121, 20}}));
    // The rest of the frame draws as it did before the HUD.
    EXPECT_FLOAT_EQ(vdl::GetDrawAlpha(), 1.0f);
    EXPECT_EQ(vdl::CurrentImageFont(), game::font32);
}

}  // namespace
