// The generator must reproduce the game's number sequence bit for bit: the expected values
// here were computed with plain modular arithmetic (s * 48271 mod 2^31 - 1), not with the
// Schrage steps the code uses.
#include "system/random.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using namespace vdl;

TEST(RandomSequence, UnseededStateFollowsTheModularSequence) {
    SeedRandom(0x1234);
    EXPECT_EQ(CurrentSeed(), 4660);
    const int expected[] = {224942860, 539475828, 650989866, 1951098782, 1446483090, 2049422479};
    for (int want : expected) {
        RandomUnitFloat();  // one step each
        EXPECT_EQ(CurrentSeed(), want);
    }
}

TEST(RandomSequence, SeedsFollowTheModularSequence) {
    struct Case {
        int seed;
        int steps[3];
    };
    const Case cases[] = {
        {12345, {595905495, 1558181227, 1498755989}},
        {static_cast<int>(0x80000005u), {241355, 913028970, 14523489}},
        {2147483646, {2147435376, 1964877853, 856088761}},
    };
    for (const Case& c : cases) {
        SeedRandom(c.seed);
        for (int want : c.steps) {
            RandomUnitFloat();
            EXPECT_EQ(CurrentSeed(), want) << "seed " << c.seed;
        }
    }
}

TEST(RandomSequence, SeedsThatWouldLockTheGeneratorBecome0x1234) {
    for (int seed : {0, 0x7FFFFFFF, -1}) {
        SeedRandom(seed);
        EXPECT_EQ(CurrentSeed(), 0x1234) << seed;
    }
    SeedRandom(static_cast<int>(0x80000005u));
    EXPECT_EQ(CurrentSeed(), 5);
}

TEST(RandomValues, UnitValuesAreBuiltFromTheStepBits) {
    SeedRandom(0x1234);
    EXPECT_EQ(RandomUnitFloat(), 0.837977409362793f);
    SeedRandom(0x1234);
    EXPECT_DOUBLE_EQ(RandomUnit(), 0.4189887270692887);
    EXPECT_EQ(CurrentSeed(), 539475828);  // two steps
}

TEST(RandomValues, RandomIntCoversItsBoundsInEitherOrder) {
    SeedRandom(99);
    std::set<int> forward, backward;
    for (int i = 0; i < 20000; ++i) {
        forward.insert(RandomInt(1, 6));
        backward.insert(RandomInt(6, 1));
    }
    EXPECT_EQ(forward, (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(backward, forward);

    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(RandomInt(5, 5), 5);
    for (int i = 0; i < 5000; ++i) {
        const int v = RandomInt(360, 1);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 360);
    }
}

TEST(RandomValues, RangesAcrossZeroTruncateTowardZero) {
    SeedRandom(4242);
    std::map<int, int> counts;
    const int n = 200000;
    for (int i = 0; i < n; ++i)
        counts[RandomInt(-10, 10)]++;
    EXPECT_EQ(counts.begin()->first, -9);  // -10 only for r exactly 0
    EXPECT_EQ(counts.rbegin()->first, 10);
    // 0 takes the span (-1, 1): twice the share of any other value.
    const double share = 1.0 / 21.0;
    EXPECT_NEAR(counts[0] / double(n), 2 * share, 0.01);
    EXPECT_NEAR(counts[5] / double(n), share, 0.01);
    EXPECT_NEAR(counts[-5] / double(n), share, 0.01);
}

TEST(RandomValues, RandomRealStaysInHalfOpenRangeEitherOrder) {
    SeedRandom(7);
    for (int i = 0; i < 10000; ++i) {
        const double v = RandomReal(2.0, 1.0);
        ASSERT_GE(v, 1.0);
        ASSERT_LT(v, 2.0);
        const double w = RandomReal(-3.0, 5.0);
        ASSERT_GE(w, -3.0);
        ASSERT_LT(w, 5.0);
    }
}

}  // namespace
