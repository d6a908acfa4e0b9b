// Every line the game writes, in its font and at its place, ends inside the 800 x 600 window
// and before whatever is drawn to its right.
#include <string>

#include "graphics/image_font.h"
#include "tests/game/game_fixture.h"

namespace {

using TextFitTest = gametest::GameTest;

struct Line {
    vdl::ImageFontRef font;
    int x, rightLimit;  // the window edge, or where the next thing on the line starts
    std::string text;
};

void ExpectFits(const Line& line) {
    vdl::UseImageFont(line.font);
    EXPECT_LE(line.x + vdl::MeasureTextWidth(line.text), line.rightLimit) << line.text;
}

TEST_F(TextFitTest, IntroScreenMenuAndHudLinesFit) {
    for (int level = 1; level <= game::kLastLevel; ++level) {
        for (const std::string_view text : game::LevelDescription(level))
            ExpectFits({game::font28, 100, 800, std::string(text)});
    }
    // DrawTextLines(lines, 100, 400) starts them at y 405, one font line apart.
    vdl::UseImageFont(game::font28);
    EXPECT_LE(405 + 3 * vdl::FontLineHeight(), 600);

    const auto f = game::font32;
    const int firstLifeIcon = 80 - 38 / 4;  // the candy cane at half scale, centred on x 80
    for (const Line& line : {Line{f, 100, 800, "Level 21"},
                             {f, 100, 800, "Click To Continue"},
                             {f, 100, 800, "PAUSED"},
                             {f, 100, 800, "Press 'P' or click to unpause."},
                             {f, 200, 800, "Life Lost, Be Careful!"},
                             {f, 200, 800, "Click To Continue"},
                             {f, 200, 800, "DEAD"},
                             {f, 200, 800, "Click to Try Again"},
                             {f, 150, 800, "You Won!"},
                             {f, 150, 800, "Hit the mouse to start over"},
                             {f, 50, 500, "Start"},  // the sound switch starts at x 500
                             {f, 50, 800, "Quit"},
                             {f, 50, 800, "Directions"},
                             {f, 500, 800, "Sound: Off"},
                             {f, 500, 800, "Sound: On"},
                             {game::font28, 50, 200, "Boss Health: "},
                             {game::font24, 10, firstLifeIcon, "Lives:"},
                             {game::font24, 250, 335, "Health: "},  // the health bar
                             {game::font24, 600, 800, "Score: 9999999"}})
        ExpectFits(line);
}

}  // namespace
