// Opening graphics and pacing FlipFrame on the virtual clock.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/graphics.h"
#include "graphics_fake_driver.h"
#include "system/clock.h"
#include "system/hook.h"

namespace vdl {
namespace {

using testing::FakeDriver;

class Flip : public ::testing::Test {
protected:
    void SetUp() override {
        previousClock_ = SetClock(&clock_);
        SelectGraphicsDriver(driver_, 0);
    }
    void TearDown() override {
        CloseOpenedGraphics();
        SelectGraphicsDriver(nullptr, 0);
        SetClock(previousClock_);
    }

    // Gaps between consecutive flips, in ms.
    std::vector<int> Gaps(size_t from = 0) const {
        std::vector<int> gaps;
        for (size_t i = from + 1; i < driver_->flips.size(); ++i) {
            gaps.push_back(driver_->flips[i].at - driver_->flips[i - 1].at);
        }
        return gaps;
    }

    TVirtualClock clock_{5000};
    std::shared_ptr<FakeDriver> driver_ = std::make_shared<FakeDriver>();

private:
    TClock* previousClock_ = nullptr;
};

TEST_F(Flip, SixtyHertzWindowRunsSixteenSeventeenSeventeenAndASecondPerSixtyFrames) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 60, 0));
    const int start = Millis();
    for (int i = 0; i < 60; ++i)
        FlipFrame(-1);
    EXPECT_EQ(Millis() - start, 1000);

    const std::vector<int> gaps = Gaps();
    ASSERT_EQ(gaps.size(), 59u);
    EXPECT_EQ(driver_->flips[0].at - start, 16);
    for (size_t i = 0; i < gaps.size(); ++i) {
        EXPECT_EQ(gaps[i], (i % 3 == 2) ? 16 : 17) << "gap " << i;
    }
    for (const auto& flip : driver_->flips)
        EXPECT_EQ(flip.sync, 0);
}

TEST_F(Flip, FrameWorkIsPartOfThePeriodNotAddedToIt) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 60, 0));
    FlipFrame(-1);
    for (int i = 0; i < 30; ++i) {
        clock_.Advance(9);  // drawing a frame
        FlipFrame(-1);
    }
    for (int gap : Gaps())
        EXPECT_TRUE(gap == 16 || gap == 17) << gap;
    EXPECT_EQ(driver_->flips.back().at - driver_->flips.front().at, 500);
}

TEST_F(Flip, ALateFrameReanchorsInsteadOfCatchingUp) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 60, 0));
    FlipFrame(-1);
    FlipFrame(-1);
    clock_.Advance(100);  // a long stall
    const int late = Millis();
    FlipFrame(-1);
    EXPECT_EQ(driver_->flips.back().at, late) << "a late frame flips at once";
    FlipFrame(-1);
    FlipFrame(-1);
    const std::vector<int> gaps = Gaps(2);
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_GE(gaps[0], 16);
    EXPECT_GE(gaps[1], 16) << "no burst of short frames to make up for the stall";
}

TEST_F(Flip, WithoutARateTheFlipIsImmediateWindowedWithoutSyncFullScreenWithIt) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 0, 0));
    FlipFrame(-1);
    FlipFrame(-1);
    EXPECT_EQ(driver_->flips.back().sync, 0);
    EXPECT_EQ(Gaps(), std::vector<int>{0});

    ASSERT_TRUE(OpenGraphics(800, 600, 32, 0, 0));
    driver_->flips.clear();
    FlipFrame(-1);
    EXPECT_EQ(driver_->flips.back().sync, 1);
}

TEST_F(Flip, ExplicitSyncBypassesPacing) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 60, 0));
    const int start = Millis();
    FlipFrame(0);
    FlipFrame(1);
    FlipFrame(0);
    EXPECT_EQ(Millis(), start);
    ASSERT_EQ(driver_->flips.size(), 3u);
    EXPECT_EQ(driver_->flips[1].sync, 1);
}

TEST_F(Flip, FullScreenKeepsSoftwarePacingUnlessThreeVsyncFlipsMatchTheRate) {
    // The display's retrace runs at 60 Hz: each synced flip takes 16 ms.
    driver_->flipCost = [this](int sync) {
        if (sync) clock_.Advance(16);
    };
    const int opening = Millis();
    ASSERT_TRUE(OpenGraphics(1024, 768, 32, 60, 0));
    EXPECT_EQ(driver_->flips.size(), 3u) << "the probe stops at the third match";
    EXPECT_EQ(Millis() - opening, 48);
    driver_->flips.clear();
    FlipFrame(-1);
    EXPECT_EQ(driver_->flips.back().sync, 1) << "hardware sync does the pacing";

    // A display that syncs at 200 Hz never matches: the probe gives up after a second.
    driver_->flipCost = [this](int sync) {
        if (sync) clock_.Advance(5);
    };
    driver_->flips.clear();
    const int second = Millis();
    ASSERT_TRUE(OpenGraphics(1024, 768, 32, 60, 0));
    EXPECT_EQ(Millis() - second, 1000);
    EXPECT_EQ(driver_->flips.size(), 200u);
    driver_->flips.clear();
    FlipFrame(-1);
    EXPECT_EQ(driver_->flips.back().sync, 0) << "software pacing stays on";
    EXPECT_EQ(Millis() - second, 1016);
}

TEST_F(Flip, TheProbeSurvivesTheClockWrapping) {
    clock_.Set(0x7FFFFFFF - 20);
    driver_->flipCost = [this](int sync) {
        if (sync) clock_.Advance(16);
    };
    ASSERT_TRUE(OpenGraphics(1024, 768, 32, 60, 0));
    EXPECT_EQ(driver_->flips.size(), 3u);
}

TEST_F(Flip, PacingOnlyAppliesToTheOpenedGraphics) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 60, 0));
    SelectGraphics(driver_->AttachGraphics(0, 0));
    const int start = Millis();
    FlipFrame(-1);
    EXPECT_EQ(Millis(), start);
    EXPECT_EQ(driver_->flips.back().sync, 0);
}

struct FlipCounter : Object {
    int calls = 0;
    int flipsSeen = -1;
    FakeDriver* driver = nullptr;
};

ObjectRef CountFlip(int, ObjectRef data, const ObjectRef& context) {
    auto* counter = static_cast<FlipCounter*>(context.get());
    ++counter->calls;
    counter->flipsSeen = static_cast<int>(counter->driver->flips.size());
    EXPECT_EQ(data, nullptr);
    return data;
}

TEST_F(Flip, TheFlipHookRunsBeforeEveryFlip) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 60, 0));
    auto counter = std::make_shared<FlipCounter>();
    counter->driver = driver_.get();
    AddHook(FlipHook, CountFlip, counter, 0);
    FlipFrame(-1);
    FlipFrame(1);
    RemoveHook(FlipHook, CountFlip, counter);
    FlipFrame(-1);
    EXPECT_EQ(counter->calls, 2);
    EXPECT_EQ(counter->flipsSeen, 1) << "the hook ran before the second flip";
}

}  // namespace
}  // namespace vdl
