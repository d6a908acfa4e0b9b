// The screens around play: the title menu, the level intro, the frames after a cleared level,
// a lost life, game over, the win screen, the music switch and the HUD, flip by flip.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "game/menu.h"
#include "tests/game/game_fixture.h"
#include "tests/graphics/recording_renderer.h"

namespace {

using game::player;
using gametest::All;
using gametest::kEscape;
using gametest::StopRun;
using ScreensTest = gametest::GameTest;

// Clicks on the sound switch act in the frame after the one that saw them, and "Sound: On"
// keeps the hit area of "Sound: Off"; so does a click on Start.
TEST_F(ScreensTest, MenuClicksActAFrameLaterAndTheSoundSwitchKeepsItsOffHitArea) {
    vdl::UseImageFont(game::font32);
    const int offWidth = vdl::MeasureTextWidth("Sound: Off");
    const int onWidth = vdl::MeasureTextWidth("Sound: On");
    ASSERT_NE(offWidth, onWidth);
    game::levelNumber = 7;
    game::TCharger::Create(100, 100);
    std::vector<int> switches, levels;
    std::string labelWhileOn;
    OnEachFlip([&](int flip) {
        switches.push_back(game::soundOn);
        levels.push_back(game::levelNumber);
        if (flip == 1) PointAt(510, 215);
        if (flip == 3) {
            labelWhileOn =
                std::static_pointer_cast<game::TButton>(game::buttonList->BackItem())->text;
            PointAt(500 + std::min(offWidth, onWidth) + 1, 215);  // inside the wider label only
        }
        if (flip == 5) PointAt(60, 215);  // on "Start"
        if (flip % 2 == 1) Click();
        if (flip == 7) throw StopRun{};
    });
    EXPECT_THROW(game::TitleMenu(), StopRun);
    const int on = game::kSoundOn, off = game::kSoundOff, last = offWidth > onWidth ? off : on;
    EXPECT_EQ(switches, (std::vector<int>{off, off, on, on, last, last, last}));
    EXPECT_EQ(labelWhileOn, "Sound: On");
    EXPECT_EQ(levels, (std::vector<int>{7, 7, 7, 7, 7, 7, 1}));  // flip 7: level 1's intro
    EXPECT_TRUE(game::enemyList->Empty());
}

TEST_F(ScreensTest, TheIntroEndsOnlyOnEscapeOrALeftOrRightPressAndThatPressFiresNoShot) {
    const std::function<void()> endings[] = {[] { PressKey(kEscape); }, [] { ButtonDown(1); },
                                             [] { ButtonDown(2); }};
    for (const auto& ending : endings) {
        game::enemyList->RemoveAll();
        game::Tport::Create(10, 10);  // left over: the intro clears it
        game::levelNumber = 1;
        player->SetPosition(20, 20);
        OnEachFlip([&](int flip) {
            if (flip == 2) Click(3), PressKey(' ');
            if (flip == 5) ending();
            if (flip > 5) throw StopRun{};
        });
        EXPECT_NO_THROW(game::StartLevel());
        EXPECT_EQ(std::tuple(flips_, game::enemyList->Size(), game::snowballList->Size(), player->x,
                             player->y),
                  std::tuple(5, 1, 4, 400.0f, 300.0f));
        OnEachFlip([](int) {});
        Frame();
        EXPECT_TRUE(game::bulletList->Empty()) << "the press that ended the intro fired";
        ButtonUp(1), ButtonUp(2);
    }
}

TEST_F(ScreensTest, AClearedLevelPlaysOn101FramesUnlessEscapeCutsThemShort) {
    for (const int escapeAt : {0, 20}) {
        game::levelNumber = 4;  // and nothing left in it
        player->score = 1000;
        player->shownScore = 0;
        int introFlip = 0;
        OnEachFlip([&](int flip) {
            if (flip == escapeAt) PressKey(kEscape);
            if (game::levelNumber == 5 && introFlip == 0) introFlip = flip;
            if (introFlip != 0 && flip == introFlip + 5) throw StopRun{};
        });
        EXPECT_THROW(game::PlayLoop(), StopRun);
        // Flip 1 ends the frame that found the level clear; 101 frames of play follow.
        EXPECT_EQ(introFlip, escapeAt ? escapeAt + 1 : 103);
        EXPECT_TRUE(game::enemyList->Empty()) << "the same Escape also ended level 5's intro";
        EXPECT_TRUE(escapeAt || player->shownScore == 102) << "every frame counts the score up";
    }
}

TEST_F(ScreensTest, ALostLifePlaysTheSameLevelAgainFromItsIntro) {
    game::levelNumber = 3;
    game::SetUpLevel(3);
    std::vector<std::tuple<int, int, bool>> seen{{}};  // lifeLost, level, no enemies by flip
    OnEachFlip([&](int flip) {
        seen.emplace_back(player->lifeLost, game::levelNumber, game::enemyList->Empty());
        if (flip == 1) player->health = 0;
        if (flip == 2 || flip == 4) Click();
        if (flip == 5) throw StopRun{};
    });
    EXPECT_THROW(game::PlayLoop(), StopRun);
    EXPECT_EQ(std::get<0>(seen[2]), 1);  // "Life Lost, Be Careful!"
    // Flip 4 is level 3's intro, without the 101 frames of a cleared level.
    EXPECT_EQ(std::tuple(std::get<1>(seen[4]), std::get<2>(seen[4])), std::tuple(3, true));
    EXPECT_EQ(std::tuple(game::levelNumber, player->lives, player->health, player->lifeLost),
              std::tuple(3, 2, 6, 0));
    EXPECT_TRUE(game::enemyList->Size() == 1 && All<game::Tshooter>(*game::enemyList).size());
}

// The frames after a cleared level play on after a lost life, so a second one lowers the level
// again: after level 1 it goes to -1, and an empty level 0 comes before level 1.
TEST_F(ScreensTest, TwoLivesLostAfterLevel1IsClearedPlayAnEmptyLevel0First) {
    game::levelNumber = 1;    // and nothing left in it
    std::vector<int> levels;  // each level seen, once while it lasts
    OnEachFlip([&](int flip) {
        if (levels.empty() || levels.back() != game::levelNumber) {
            levels.push_back(game::levelNumber);
        }
        if (flip == 3 || flip == 10) player->health = 0;
        Click();  // ends each "Life Lost" and each intro at once
        if (levels.size() == 5) throw StopRun{};
    });
    EXPECT_THROW(game::PlayLoop(), StopRun);
    EXPECT_EQ(levels, (std::vector<int>{1, 0, -1, 0, 1}));
    // Level 1's frame and its 101 after it with two "Life Lost" screens among them, level 0's
    // intro, its frame and 101 after it, and level 1's intro.
    EXPECT_EQ(std::pair(player->lives, flips_), std::pair(1, 1 + 101 + 2 + 1 + 1 + 101 + 1));
}

TEST_F(ScreensTest, GameOverRestartsAtLevelOneWithFreshLivesAndTheScoreKept) {
    game::levelNumber = 9;
    game::SetUpLevel(9);
    std::vector<int> levels{0};  // levels[flip]
    OnEachFlip([&](int flip) {
        levels.push_back(game::levelNumber);
        if (flip == 1) {
            player->lives = 1, player->health = 0, player->weaponLevel = 4;
            player->presentLoop->count = 3, player->score = 777;
        }
        if (flip >= 2 && flip <= 5) Click();
        if (flip == 6) throw StopRun{};
    });
    EXPECT_THROW(game::PlayLoop(), StopRun);
    EXPECT_EQ(std::pair(levels[3], levels[5]), std::pair(0, 1));  // "DEAD", then level 1's intro
    EXPECT_EQ(std::tuple(game::levelNumber, player->lives, player->health, player->weaponLevel,
                         player->presentLoop->count, player->score),
              std::tuple(1, 3, 4, 1, 0, 777));
    EXPECT_TRUE(game::enemyList->Size() == 1 && All<game::TCharger>(*game::enemyList).size());
}

TEST_F(ScreensTest, ClearingLevel21WinsAndPlayGoesOnAtLevel1) {
    game::levelNumber = 21;
    player->score = 4321;
    std::vector<int> levels{0};  // levels[flip]
    OnEachFlip([&](int flip) {
        levels.push_back(game::levelNumber);
        if (flip == 104) Click();  // a click is not a held button
        if (flip == 106) ButtonDown(1);
        if (flip == 107) ButtonUp(1);
        if (game::levelNumber == 1 || flip == 400) throw StopRun{};
    });
    EXPECT_THROW(game::PlayLoop(), StopRun);
    const auto firstFlipAt = [&](int level) {
        return std::find(levels.begin() + 1, levels.end(), level) - levels.begin();
    };
    EXPECT_EQ(firstFlipAt(22), 103);  // "You Won!" after the 101 frames
    EXPECT_EQ(firstFlipAt(0), 107);   // held at flip 106
    EXPECT_EQ(firstFlipAt(1), 210);   // the empty level 0 plays its 101 frames too
    EXPECT_EQ(player->score, 4321);
}

struct FakeChannel : vdl::TChannel {
    void SetPaused(int paused) override { pauses.push_back(paused); }
    int Playing() override { return playing; }
    std::vector<int> pauses;
    int playing = 0;
};

TEST_F(ScreensTest, PlayKeepsTheMusicSuspendedWhileSoundIsOff) {
    const vdl::ChannelRef realChannel = game::musicChannel;
    game::SetUpLevel(1);
    for (const auto& [sound, playing, pauses] :
         {std::tuple{game::kSoundOff, 1, std::vector<int>(10, 1)},
          {game::kSoundOn, 0, std::vector<int>(10, 0)},
          {game::kSoundOn, 1, std::vector<int>{}}}) {
        const auto channel = std::make_shared<FakeChannel>();
        channel->playing = playing;
        game::musicChannel = channel;
        game::soundOn = sound;
        OnEachFlip([](int flip) {
            if (flip == 10) throw StopRun{};
        });
        EXPECT_THROW(game::PlayLoop(), StopRun);
        EXPECT_EQ(channel->pauses, pauses) << sound << playing;
    }
    game::musicChannel = realChannel;
}

TEST_F(ScreensTest, TheHealthBarIsTwentyPixelsOfGreenAPointAndTheRestOfItsWidthRed) {
    const auto driver = std::make_shared<rec::RecordingDriver>();
    vdl::SelectGraphicsDriver(driver, 0);
    ASSERT_TRUE(vdl::OpenGraphics(800, 600, 0, 0, 0));
    game::SetUpDrawingState();
    // Green from x 335 at half alpha, then red to the bar's end: widths and where red starts.
    for (const auto& [health, green, redX, red] :
         {std::tuple{6, 121.f, 455.f, 1.f}, {0, 1.f, 335.f, 121.f}}) {
        driver->calls.clear();
        player->health = health;
        game::DrawHud();
        std::vector<std::vector<float>> fills;  // rgb, alpha, x, y, width, height
        std::vector<float> colour{255, 255, 255};
        float alpha = 1;
        for (const rec::Call& call : driver->calls) {
            if (call.name == "SetColor") colour = call.args;
            if (call.name == "SetAlpha") alpha = call.args[0];
            const std::vector<float>& a = call.args;  // local corners, then the translation
            if (call.name == "DrawRect")
                fills.push_back({colour[0], colour[1], colour[2], alpha, a[4] + a[0], a[5] + a[1],
                                 a[2] - a[0], a[3] - a[1]});
        }
        EXPECT_EQ(fills, (std::vector<std::vector<float>>{{0, 255, 0, 0.5f, 335, 20, green, 20},
                                                          {255, 0, 0, 0.5f, redX, 20, red, 20}}))
            << health;
    }
    EXPECT_FLOAT_EQ(vdl::GetDrawAlpha(), 1.0f);  // restored for the rest of the frame
}

}  // namespace
