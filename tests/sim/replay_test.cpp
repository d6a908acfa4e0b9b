// Recording and replaying autopilot games: same input, same seed, same world at every frame.
#include <gtest/gtest.h>

#include <string>

#include "game/player.h"
#include "game/world.h"
#include "sim/autopilot.h"
#include "sim/replay.h"
#include "sim/runner.h"
#include "sim/state.h"
#include "system/event.h"

namespace {

constexpr int kMinute = 3600;  // frames at 60 Hz

struct Recording {
    sim::RunOptions options;
    sim::RunResult result;
    sim::Replay replay;
};

// One simulated minute of the autopilot on seed 7, recorded with every frame's hashes.
const Recording& RecordedMinute() {
    static const Recording recording = [] {
        Recording r;
        r.options.seed = 7;
        r.options.maxFrames = kMinute;
        r.options.keepHashes = true;
        sim::Autopilot pilot;
        r.result = sim::Run(r.options, pilot);
        r.replay = sim::MakeReplay(r.options, r.result);
        return r;
    }();
    return recording;
}

// The first key press of a movement key at or after frame from.
std::size_t FirstMoveKeyFrom(const sim::Replay& replay, int from) {
    for (std::size_t i = 0; i < replay.events.size(); ++i) {
        const sim::InputEvent& e = replay.events[i];
        if (e.frame >= from && e.id == vdl::kEventKeyDown) return i;
    }
    return replay.events.size();
}

TEST(Replay, ReplaysARecordedGameFrameForFrame) {
    const Recording& recorded = RecordedMinute();
    ASSERT_EQ(recorded.result.frames, kMinute);
    // The minute has play in it, not just menus.
    EXPECT_GE(recorded.result.levelsCleared, 2);
    ASSERT_FALSE(recorded.replay.events.empty());

    // Through the text form, as a file would carry it.
    sim::Replay reread;
    std::string error;
    ASSERT_TRUE(sim::ReadReplay(sim::WriteReplay(recorded.replay), reread, error)) << error;
    EXPECT_EQ(reread.seed, 7);
    EXPECT_EQ(reread.events, recorded.replay.events);
    EXPECT_EQ(reread.checks, recorded.replay.checks);

    sim::RunOptions options = recorded.options;
    sim::ReplayInput input(reread);
    const sim::RunResult replayed = sim::Run(options, input);
    ASSERT_EQ(replayed.hashes.size(), recorded.result.hashes.size());
    for (std::size_t k = 0; k < replayed.hashes.size(); ++k) {
        ASSERT_EQ(replayed.hashes[k], recorded.result.hashes[k]) << "frame " << k + 1;
    }
    // The replay sends exactly what was recorded.
    EXPECT_EQ(replayed.events, recorded.result.events);
    EXPECT_FALSE(sim::VerifyReplay(reread).diverged);
}

TEST(Replay, AnEventMovedOneFrameIsFoundWhereItTakesEffect) {
    const sim::Replay& original = RecordedMinute().replay;
    sim::Replay tampered = original;
    const std::size_t moved = FirstMoveKeyFrom(tampered, 1200);
    ASSERT_LT(moved, tampered.events.size());
    const int frame = tampered.events[moved].frame;
    tampered.events[moved].frame += 1;
    // As a hand edit of the file would move it.
    std::string error;
    ASSERT_TRUE(sim::ReadReplay(sim::WriteReplay(tampered), tampered, error)) << error;

    // The key is read by the frame after the flip it is sent at.
    const sim::Divergence d = sim::CompareReplays(original, tampered);
    ASSERT_TRUE(d.diverged);
    EXPECT_EQ(d.frame, frame + 1);
    EXPECT_EQ(d.group, sim::Group::kPlayer);
    EXPECT_TRUE(d.field == "player.x" || d.field == "player.y") << d.Describe();
    EXPECT_NE(d.expected, d.actual);

    // The stored checks alone bracket it.
    const sim::Divergence checked = sim::VerifyReplay(tampered);
    ASSERT_TRUE(checked.diverged);
    EXPECT_GE(checked.frame, frame + 1);
    EXPECT_LT(checked.lastGood, frame + 1);
    EXPECT_LE(checked.frame - checked.lastGood, 60);
}

TEST(Replay, ADifferentSeedIsADifferentGame) {
    const sim::Replay& original = RecordedMinute().replay;
    sim::Replay reseeded = original;
    reseeded.seed = 8;
    reseeded.frames = 300;
    // The seed is the clock at start-up, which the player's refire timer starts from.
    const sim::Divergence d = sim::CompareReplays(original, reseeded);
    ASSERT_TRUE(d.diverged);
    EXPECT_EQ(d.frame, 1);
    EXPECT_EQ(d.field, "player.lastShot");
    EXPECT_EQ(d.expected, "7");
    EXPECT_EQ(d.actual, "8");
}

TEST(Autopilot, PlaysTheSameGameEveryTimeForASeed) {
    const Recording& recorded = RecordedMinute();
    // A second game in the same process, on a heap the first one has churned.
    sim::Autopilot pilot;
    sim::RunOptions options = recorded.options;
    options.keepHashes = false;
    const sim::RunResult again = sim::Run(options, pilot);
    EXPECT_EQ(again.events, recorded.result.events);
    EXPECT_EQ(again.checks, recorded.result.checks);
    // Every event it sends is input the game reads: keys W, A, S, D and the left button.
    for (const sim::InputEvent& e : again.events) {
        if (e.id == vdl::kEventKeyDown || e.id == vdl::kEventKeyUp) {
            EXPECT_TRUE(e.data == 87 || e.data == 65 || e.data == 83 || e.data == 68) << e.data;
        } else if (e.id == vdl::kEventMouseDown || e.id == vdl::kEventMouseUp) {
            EXPECT_EQ(e.data, 1);
        } else {
            ASSERT_EQ(e.id, vdl::kEventMouseMove);
            EXPECT_TRUE(e.x >= 0 && e.x < 800 && e.y >= 0 && e.y < 600);
        }
    }
}

TEST(ReplayText, RejectsWhatIsNotAWholeReplay) {
    sim::Replay replay;
    std::string error;
    EXPECT_FALSE(sim::ReadReplay("seed 1\nend\n", replay, error));
    EXPECT_FALSE(sim::ReadReplay("candycane-replay 1\nseed 1\nframes 10\n", replay, error));
    EXPECT_NE(error.find("cut short"), std::string::npos);
    EXPECT_FALSE(sim::ReadReplay("candycane-replay 1\ne 5 513 65\nend\n", replay, error));
    EXPECT_NE(error.find("line 2"), std::string::npos);
    // An event moved by hand to another frame is sent with that frame's events, in file order.
    ASSERT_TRUE(
        sim::ReadReplay("candycane-replay 1\ne 5 513 65 0 0\ne 4 514 68 0 0\ne 5 514 87 0 0\nend\n",
                        replay, error));
    ASSERT_EQ(replay.events.size(), 3u);
    EXPECT_EQ(replay.events[0].data, 68);
    EXPECT_EQ(replay.events[1].data, 65);
    EXPECT_EQ(replay.events[2].data, 87);
    ASSERT_TRUE(sim::ReadReplay(
        "candycane-replay 1\nseed 3\nframes 9\ne 5 513 65 1 2\nc 9 00000000000000ff\nend\n", replay,
        error));
    EXPECT_EQ(replay.seed, 3);
    EXPECT_EQ(replay.frames, 9);
    ASSERT_EQ(replay.events.size(), 1u);
    EXPECT_EQ(replay.events[0], (sim::InputEvent{5, 513, 65, 1, 2}));
    ASSERT_EQ(replay.checks.size(), 1u);
    EXPECT_EQ(replay.checks[0].second, 0xffu);
}

}  // namespace
