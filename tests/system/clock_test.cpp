#include "system/clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace vdl;

TEST(Clock, VirtualDelayAdvancesTimeAtOnceAndNegativeDelayDoesNothing) {
    TVirtualClock clock(1000);
    SetClock(&clock);
    Delay(16);
    EXPECT_EQ(Millis(), 1016);
    Delay(-1);
    Delay(0);
    EXPECT_EQ(Millis(), 1016);
    SetClock(nullptr);
}

TEST(Clock, VirtualTimeWrapsAndDifferencesSurviveTheWrap) {
    TVirtualClock clock(2147483640);
    SetClock(&clock);
    const int before = Millis();
    Delay(20);
    const int after = Millis();
    EXPECT_LT(after, 0);
    EXPECT_EQ(static_cast<int>(static_cast<unsigned>(after) - static_cast<unsigned>(before)), 20);
    SetClock(nullptr);
}

TEST(Clock, SystemDelayOfMinusOneReturnsImmediatelyAndDelaySleeps) {
    SetClock(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    Delay(-1);
    const auto t1 = std::chrono::steady_clock::now();
    EXPECT_LT(t1 - t0, std::chrono::milliseconds(5));
    const int m0 = Millis();
    Delay(20);
    EXPECT_GE(Millis() - m0, 19);
}

}  // namespace
