// The flow around play: the level intro, the frames after a cleared level, a lost life, game
// over, the win screen, and the music switch. Every screen loop is followed flip by flip
// through the state it leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "audio/sound.h"
#include "game/arena.h"
#include "game/enemies.h"
#include "game/levels.h"
#include "game/player.h"
#include "game/screens.h"
#include "game/world.h"
#include "tests/game/game_fixture.h"

namespace {

using gametest::StopRun;

constexpr int kEscape = 27;
constexpr int kSpace = 32;

class ScreensTest : public gametest::GameTest {};

TEST_F(ScreensTest, TheIntroEndsOnlyOnEscapeOrALeftOrRightPressAndThatPressFiresNoShot) {
    const std::vector<std::pair<const char*, std::function<void()>>> endings = {
        {"Escape", [] { PressKey(kEscape); }},
        {"left button", [] { ButtonDown(1); }},
        {"right button", [] { ButtonDown(2); }},
    };
    for (const auto& [name, ending] : endings) {
        SCOPED_TRACE(name);
        game::enemyList->RemoveAll();
        game::Tport::Create(10, 10);  // left over: the intro clears it
        game::levelNumber = 1;
        game::player->SetPosition(20, 20);
        OnEachFlip([&](int flip) {
            if (flip == 2) {
                Click(3);
                PressKey(kSpace);
            }
            if (flip == 5) ending();
            if (flip > 5) throw StopRun{};
        });
        EXPECT_NO_THROW(game::StartLevel());
        EXPECT_EQ(flips_, 5);
        EXPECT_EQ(game::enemyList->Size(), 1);  // level 1's hat
        EXPECT_EQ(game::snowballList->Size(), 4);
        EXPECT_EQ(game::player->x, 400);
        EXPECT_EQ(game::player->y, 300);

        OnEachFlip([](int) {});
        Frame();
        EXPECT_TRUE(game::bulletList->Empty()) << "the press that ended the intro fired";
        ButtonUp(1);
        ButtonUp(2);
    }
}

TEST_F(ScreensTest, AClearedLevelPlaysOn101FramesUnlessEscapeCutsThemShort) {
    for (const int escapeAt : {0, 20}) {
        SCOPED_TRACE("Escape at flip " + std::to_string(escapeAt));
        game::levelNumber = 4;  // and nothing left in it
        game::player->score = 1000;
        game::player->shownScore = 0;
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
        if (!escapeAt) {
            EXPECT_EQ(game::player->shownScore, 102) << "frames of play, all of them";
        }
    }
}

TEST_F(ScreensTest, ALostLifePlaysTheSameLevelAgainFromItsIntro) {
    game::levelNumber = 3;
    game::SetUpLevel(3);
    OnEachFlip([&](int flip) {
        if (flip == 1) game::player->health = 0;
        if (flip == 2) {  // "Life Lost, Be Careful!"
            EXPECT_EQ(game::player->lifeLost, 1);
            Click();
        }
        if (flip == 4) {  // level 3's intro, without the 101 frames of a cleared level
            EXPECT_EQ(game::levelNumber, 3);
            EXPECT_TRUE(game::enemyList->Empty());
            Click();
        }
        if (flip == 5) throw StopRun{};
    });
    EXPECT_THROW(game::PlayLoop(), StopRun);
    EXPECT_EQ(game::levelNumber, 3);
    EXPECT_EQ(game::player->lives, 2);
    EXPECT_EQ(game::player->health, 6);
    EXPECT_EQ(game::player->lifeLost, 0);
    ASSERT_EQ(game::enemyList->Size(), 1);
    EXPECT_NE(std::dynamic_pointer_cast<game::Tshooter>(game::enemyList->FrontItem()), nullptr);
}

TEST_F(ScreensTest, GameOverRestartsAtLevelOneWithFreshLivesAndTheScoreKept) {
    game::levelNumber = 9;
    game::SetUpLevel(9);
    OnEachFlip([&](int flip) {
        if (flip == 1) {
            game::player->lives = 1;
            game::player->health = 0;
            game::player->weaponLevel = 4;
            game::player->score = 777;
        }
        if (flip == 3) {
            EXPECT_EQ(game::levelNumber, 0) << "\"DEAD\" after the life lost";
        }
        if (flip == 5) {
            EXPECT_EQ(game::levelNumber, 1) << "level 1's intro";
        }
        if (flip >= 2 && flip <= 5) Click();
        if (flip == 6) throw StopRun{};
    });
    EXPECT_THROW(game::PlayLoop(), StopRun);
    EXPECT_EQ(game::levelNumber, 1);
    EXPECT_EQ(game::player->lives, 3);
    EXPECT_EQ(game::player->health, 4);
    EXPECT_EQ(game::player->weaponLevel, 1);
    EXPECT_EQ(game::player->score, 777);
    ASSERT_EQ(game::enemyList->Size(), 1);
    EXPECT_NE(std::dynamic_pointer_cast<game::TCharger>(game::enemyList->FrontItem()), nullptr);
}

TEST_F(ScreensTest, ClearingLevel21WinsAndPlayGoesOnAtLevel1) {
    game::levelNumber = 21;
    game::player->score = 4321;
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
    // The empty level 0 is cleared at once and plays its 101 frames too.
    EXPECT_EQ(firstFlipAt(1), 210);
    EXPECT_EQ(game::player->score, 4321);
}

class FakeChannel : public vdl::TChannel {
public:
    void SetPaused(int paused) override { pauses.push_back(paused); }
    int Playing() override { return playing; }

    std::vector<int> pauses;
    int playing = 0;
};

TEST_F(ScreensTest, PlayKeepsTheMusicSuspendedWhileSoundIsOff) {
    const vdl::ChannelRef realChannel = game::musicChannel;
    game::SetUpLevel(1);
    struct Case {
        int sound;
        int playing;
        std::vector<int> pauses;
    };
    for (const Case& c :
         {Case{game::kSoundOff, 1, std::vector<int>(10, 1)},
          Case{game::kSoundOn, 0, std::vector<int>(10, 0)}, Case{game::kSoundOn, 1, {}}}) {
        SCOPED_TRACE("sound " + std::to_string(c.sound) + ", playing " + std::to_string(c.playing));
        const auto channel = std::make_shared<FakeChannel>();
        channel->playing = c.playing;
        game::musicChannel = channel;
        game::soundOn = c.sound;
        OnEachFlip([](int flip) {
            if (flip == 10) throw StopRun{};
        });
        EXPECT_THROW(game::PlayLoop(), StopRun);
        EXPECT_EQ(channel->pauses, c.pauses);
    }
    game::musicChannel = realChannel;
}

}  // namespace
