// Selecting drivers and graphics, the mode cache, opening and closing, and the generation
// counter of the driver-neutral layer.
#include <gtest/gtest.h>

#include <memory>

#include "graphics/graphics.h"
#include "graphics_fake_driver.h"
#include "system/clock.h"

namespace vdl {
namespace {

using testing::FakeDriver;
using testing::FakeGraphics;

class Graphics : public ::testing::Test {
protected:
    void SetUp() override {
        previousClock_ = SetClock(&clock_);
        driver_->modes = {
            {640, 480, 16, 60}, {800, 600, 32, 60}, {800, 600, 32, 75}, {800, 600, 32, 75}};
        SelectGraphicsDriver(driver_, 2);
    }
    void TearDown() override {
        CloseOpenedGraphics();
        SelectGraphicsDriver(nullptr, 0);
        SetClock(previousClock_);
    }

    TVirtualClock clock_;
    std::shared_ptr<FakeDriver> driver_ = std::make_shared<FakeDriver>();

private:
    TClock* previousClock_ = nullptr;
};

TEST_F(Graphics, ModesAreReadOnceAndZeroMatchesAnything) {
    EXPECT_EQ(CountGraphicsModes(), 4) << "duplicates stay";
    EXPECT_TRUE(HasGraphicsMode(0, 0, 0, 0));
    EXPECT_TRUE(HasGraphicsMode(800, 600, 0, 75));
    EXPECT_TRUE(HasGraphicsMode(0, 0, 16, 0));
    EXPECT_FALSE(HasGraphicsMode(640, 480, 32, 0));
    EXPECT_FALSE(HasGraphicsMode(0, 0, 0, 85));
    int w, h, d, hz;
    GetGraphicsModeInfo(2, w, h, d, hz);
    EXPECT_EQ(TGraphicsMode(w, h, d, hz).ToString(), "800,600,32 75Hz");
    EXPECT_EQ(driver_->modeQueries, 1);

    ListGraphicsModes()[0].width = 1;  // a copy: the cache is untouched
    EXPECT_EQ(ListGraphicsModes()[0].width, 640);

    auto empty = std::make_shared<FakeDriver>();
    SelectGraphicsDriver(empty, 0);
    EXPECT_FALSE(HasGraphicsMode(0, 0, 0, 0));
}

TEST_F(Graphics, ReselectingTheSameDriverKeepsItsModesButForgetsTheGraphics) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 60, 0));
    CountGraphicsModes();
    SelectGraphicsDriver(driver_, 4);
    EXPECT_EQ(CurrentGraphics(), nullptr);
    EXPECT_EQ(CurrentGraphicsWidth(), 0);
    EXPECT_EQ(DefaultGraphicsFlags(), 4);
    CountGraphicsModes();
    EXPECT_EQ(driver_->modeQueries, 1);

    SelectGraphicsDriver(std::make_shared<FakeDriver>(), 0);
    EXPECT_EQ(CountGraphicsModes(), 0);
    SelectGraphicsDriver(driver_, 0);
    CountGraphicsModes();
    EXPECT_EQ(driver_->modeQueries, 2) << "a driver change empties the cache";
}

TEST_F(Graphics, OpeningSelectsTheNewGraphicsWithItsSettingsAndTheDefaultFlags) {
    auto g = OpenGraphics(800, 600, 0, 60, 8);
    ASSERT_TRUE(g);
    EXPECT_EQ(CurrentGraphics(), g);
    EXPECT_EQ(OpenedGraphics(), g);
    EXPECT_EQ(driver_->targets.back(), g);
    EXPECT_EQ(CurrentGraphicsWidth(), 800);
    EXPECT_EQ(CurrentGraphicsHeight(), 600);
    EXPECT_EQ(CurrentGraphicsDepth(), 0);
    EXPECT_EQ(CurrentGraphicsHz(), 60);
    EXPECT_EQ(CurrentGraphicsFlags(), 8 | 2);
}

TEST_F(Graphics, EachOpenAndEachCloseAdvancesTheGenerationAndClosesThePrevious) {
    const int start = graphicsSeq;
    auto first = OpenGraphics(800, 600, 0, 60, 0);
    EXPECT_EQ(graphicsSeq, start + 1);
    auto second = OpenGraphics(800, 600, 0, 60, 0);
    EXPECT_EQ(graphicsSeq, start + 3) << "closing the first, then opening the second";
    EXPECT_EQ(driver_->made[0]->closes, 1);
    EXPECT_EQ(driver_->targets.back(), second);

    CloseOpenedGraphics();
    EXPECT_EQ(graphicsSeq, start + 4);
    EXPECT_EQ(driver_->made[1]->closes, 1);
    EXPECT_EQ(CurrentGraphics(), nullptr);
    EXPECT_EQ(driver_->targets.back(), nullptr);
    CloseOpenedGraphics();
    EXPECT_EQ(graphicsSeq, start + 4) << "nothing opened: nothing advances";
}

TEST_F(Graphics, TheGenerationNeverBecomesZero) {
    graphicsSeq = -2;
    OpenGraphics(800, 600, 0, 60, 0);
    EXPECT_EQ(graphicsSeq, -1);
    CloseOpenedGraphics();
    EXPECT_EQ(graphicsSeq, 1);
    graphicsSeq = 0x7FFFFFFF;
    OpenGraphics(800, 600, 0, 60, 0);
    EXPECT_EQ(graphicsSeq, static_cast<int>(0x80000000u));
}

TEST_F(Graphics, AFailedOpenReturnsNullAfterClosingThePreviousGraphics) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 60, 0));
    const int seq = graphicsSeq;
    driver_->failCreate = true;
    EXPECT_EQ(OpenGraphics(800, 600, 0, 60, 0), nullptr) << "a driver error becomes null";
    EXPECT_EQ(driver_->made[0]->closes, 1);
    EXPECT_EQ(OpenedGraphics(), nullptr);
    EXPECT_EQ(graphicsSeq, seq + 1) << "only the close advanced";

    driver_->failCreate = false;
    driver_->refuseCreate = true;
    EXPECT_EQ(OpenGraphics(800, 600, 0, 60, 0), nullptr);
    EXPECT_EQ(CreateGraphicsContext(1, 1, 0, 0, 0), nullptr);

    SelectGraphicsDriver(nullptr, 0);
    EXPECT_EQ(OpenGraphics(800, 600, 0, 60, 0), nullptr) << "no driver: no graphics";
    FlipFrame(-1);
}

TEST_F(Graphics, SelectingGraphicsOfAnotherDriverSwitchesToIt) {
    ASSERT_TRUE(OpenGraphics(800, 600, 0, 60, 0));
    CountGraphicsModes();
    auto other = std::make_shared<FakeDriver>();
    auto attached = other->AttachGraphics(42, 0);
    SelectGraphics(attached);
    EXPECT_EQ(CurrentGraphicsDriver(), other);
    EXPECT_EQ(driver_->targets.back(), nullptr) << "the old driver let go of its target";
    EXPECT_EQ(other->targets.back(), attached);
    EXPECT_EQ(CurrentGraphicsWidth(), 640);
    EXPECT_EQ(CountGraphicsModes(), 0);

    // Closing graphics that are current but not opened leaves the opened ones alone.
    CloseGraphicsContext(attached);
    EXPECT_EQ(CurrentGraphics(), nullptr);
    EXPECT_NE(OpenedGraphics(), nullptr);
    EXPECT_EQ(static_cast<FakeGraphics&>(*attached).closes, 1);
}

}  // namespace
}  // namespace vdl
