// Every line the game writes, in the font and at the place it is written, ends inside the
// 800 x 600 window and before whatever is drawn to its right.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/levels.h"
#include "game/world.h"
#include "graphics/drawing.h"
#include "graphics/image_font.h"
#include "tests/game/game_fixture.h"

namespace {

class TextFitTest : public gametest::GameTest {};

struct Line {
    vdl::ImageFontRef font;
    int x;
    int rightLimit;  // the window edge, or where the next thing on the line starts
    std::string text;
};

void ExpectFits(const Line& line) {
    SCOPED_TRACE("\"" + line.text + "\" at x " + std::to_string(line.x));
    vdl::UseImageFont(line.font);
    EXPECT_LE(line.x + vdl::MeasureTextWidth(line.text), line.rightLimit);
}

TEST_F(TextFitTest, LevelIntroLinesFitAcrossAndThreeOfThemFitUnderTheHeading) {
    for (int level = 1; level <= game::kLastLevel; ++level) {
        for (const std::string& text : game::LevelDescription(level))
            ExpectFits({game::font28, 100, 800, text});
    }
    // DrawTextLines(lines, 100, 400) starts them at y 405, one font line apart.
    vdl::UseImageFont(game::font28);
    EXPECT_LE(405 + 3 * vdl::FontLineHeight(), 600);
}

TEST_F(TextFitTest, ScreenAndMenuLinesFitTheWindow) {
    const auto f = game::font32;
    for (const Line& line : {
             Line{f, 100, 800, "Level 21"},
             Line{f, 100, 800, "Click To Continue"},
             Line{f, 100, 800, "PAUSED"},
             Line{f, 100, 800, "Press 'P' or click to unpause."},
             Line{f, 200, 800, "Life Lost, Be Careful!"},
             Line{f, 200, 800, "Click To Continue"},
             Line{f, 200, 800, "DEAD"},
             Line{f, 200, 800, "Click to Try Again"},
             Line{f, 150, 800, "You Won!"},
             Line{f, 150, 800, "Hit the mouse to start over"},
             Line{f, 50, 500, "Start"},  // the sound switch starts at x 500
             Line{f, 50, 800, "Quit"},
             Line{f, 50, 800, "Directions"},
             Line{f, 500, 800, "Sound: Off"},
             Line{f, 500, 800, "Sound: On"},
         }) {
        ExpectFits(line);
    }
}

TEST_F(TextFitTest, HudLabelsEndBeforeTheIconsAndBarsAfterThem) {
    // The first life icon is the candy cane at half scale, centred on x 80.
    const int firstIcon = 80 - 38 / 4;
    for (const Line& line : {
             Line{game::font28, 50, 200, "Boss Health: "},  // the boss bar's frame
             Line{game::font24, 10, firstIcon, "Lives:"},
             Line{game::font24, 250, 335, "Health: "},  // the health bar
             Line{game::font24, 600, 800, "Score: 9999999"},
         }) {
        ExpectFits(line);
    }
}

}  // namespace
