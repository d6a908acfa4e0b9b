// The runner's limits and its account of a game.
#include <gtest/gtest.h>

#include "game/world.h"
#include "sim/autopilot.h"
#include "sim/runner.h"
#include "system/event.h"

namespace {

// Sends nothing: the game stays in the title menu.
class NoInput : public sim::InputSource {
public:
    void OnFlip(int, std::vector<sim::InputEvent>&) override {}
};

TEST(Runner, StopsAtTheFrameOrTimeLimitOnSixtyHertzTime) {
    NoInput idle;
    sim::RunOptions byTime;
    byTime.seed = 5;
    byTime.maxMillis = 1000;  // 16 + 17 + 17 ms per three frames: 60 frames
    const sim::RunResult second = sim::Run(byTime, idle);
    EXPECT_EQ(second.frames, 60);
    EXPECT_EQ(second.simMillis, 1000);
    EXPECT_EQ(second.checks.back(), second.checks.front());  // one check, at frame 60
    EXPECT_EQ(second.checks.front().first, 60);
    EXPECT_FALSE(second.won);
    EXPECT_EQ(second.levelsCleared, 0);
    EXPECT_TRUE(second.events.empty());

    sim::RunOptions byFrames;
    byFrames.seed = 5;
    byFrames.maxFrames = 61;
    const sim::RunResult more = sim::Run(byFrames, idle);
    EXPECT_EQ(more.frames, 61);
    EXPECT_EQ(more.simMillis, 1016);
    // Nothing pressed: the same menu, frame for frame, whatever ran before.
    ASSERT_EQ(more.checks.size(), 2u);
    EXPECT_EQ(more.checks[0], second.checks[0]);
}

// Escape at one frame, nothing else.
class EscapeAt : public sim::InputSource {
public:
    explicit EscapeAt(int frame) : frame_(frame) {}
    void OnFlip(int frame, std::vector<sim::InputEvent>& events) override {
        if (frame == frame_) events.push_back({frame, vdl::kEventKeyDown, game::kKeyEscape, 0, 0});
    }

private:
    int frame_;
};

// The cheap entry the fuzzer uses plays the same game as a full start-up, however often it
// runs, and a quit ends the run instead of the process.
TEST(Runner, ARunWithResourcesLoadedOncePlaysTheSameGame) {
    sim::RunOptions options;
    options.seed = 3;
    options.maxFrames = 900;
    options.keepHashes = true;
    sim::Autopilot full;
    const sim::RunResult reference = sim::Run(options, full);
    for (int again = 0; again < 2; ++again) {
        sim::Autopilot pilot;
        const sim::RunResult loaded = sim::RunLoaded(options, pilot);
        ASSERT_EQ(loaded.frames, reference.frames);
        EXPECT_TRUE(loaded.hashes == reference.hashes) << "run " << again;
        EXPECT_FALSE(loaded.quit);
    }

    EscapeAt escape(30);
    const sim::RunResult quit = sim::RunLoaded(options, escape);
    EXPECT_TRUE(quit.quit);
    EXPECT_EQ(quit.frames, 30);  // the menu looks at Escape right after that flip
}

TEST(Runner, TheAutopilotReachesTheWinScreen) {
    sim::RunOptions options;
    options.seed = 9;
    options.maxMillis = 3600000;
    sim::Autopilot pilot;
    const sim::RunResult r = sim::Run(options, pilot);
    ASSERT_TRUE(r.won);
    EXPECT_EQ(r.winFrame, r.frames);  // the run ends on the win screen's first frame
    EXPECT_EQ(game::levelNumber, 22);
    EXPECT_EQ(r.highestLevel, 21);
    // Every level cleared at least once; a level replayed after a lost life is not a clear.
    EXPECT_GE(r.levelsCleared, 21);
    EXPECT_EQ(r.deaths >= 3 * r.gameOvers, true);
    for (int level = 1; level <= 21; ++level)
        EXPECT_GE(r.clearsByLevel[level], 1) << level;
    EXPECT_GT(pilot.playFrames(), r.frames / 2);
}

}  // namespace
