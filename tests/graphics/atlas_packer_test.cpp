#include <gtest/gtest.h>

#include <vector>

#include "graphics/atlas_packer.h"

namespace {

using namespace vdl;

bool Overlap(const AtlasRect& a, const AtlasRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

// Every area taken lies inside the page, outside the reserved corner and apart from every
// other, however the sizes come; the page fills up rather than handing out an area twice.
TEST(AtlasPacker, AreasStayInsideThePageAndNeverOverlapUntilItIsFull) {
    TAtlasPacker packer(256, 4);
    const AtlasRect reserved{0, 0, 4, 4};
    std::vector<AtlasRect> taken;
    unsigned seed = 12345;
    AtlasRect place;
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int w = 3 + static_cast<int>(seed >> 16) % 40;
        const int h = 3 + static_cast<int>(seed >> 8) % 40;
        if (!packer.Place(w, h, place)) continue;
        ASSERT_GE(place.width, w);
        ASSERT_GE(place.height, h);
        ASSERT_TRUE(place.x >= 0 && place.y >= 0 && place.x + place.width <= 256 &&
                    place.y + place.height <= 256);
        ASSERT_FALSE(Overlap(place, reserved));
        for (const AtlasRect& other : taken)
            ASSERT_FALSE(Overlap(place, other)) << "area " << taken.size();
        taken.push_back(place);
    }
    EXPECT_GT(taken.size(), 40u) << "the page is used";
    EXPECT_FALSE(packer.Place(200, 200, place));
    EXPECT_FALSE(packer.Place(257, 1, place));
    EXPECT_FALSE(packer.Place(0, 5, place));
}

TEST(AtlasPacker, GivenBackAreasGoToTheSmallestLaterOneThatFitsInside) {
    TAtlasPacker packer(64, 0);
    AtlasRect big, small, filler;
    ASSERT_TRUE(packer.Place(64, 40, big));
    ASSERT_TRUE(packer.Place(20, 20, small));
    ASSERT_TRUE(packer.Place(44, 20, filler));
    AtlasRect none;
    EXPECT_FALSE(packer.Place(10, 10, none)) << "the page is full";

    packer.Release(big);
    packer.Release(small);
    AtlasRect again;
    ASSERT_TRUE(packer.Place(10, 10, again));
    EXPECT_EQ(again.width * again.height, 20 * 20) << "the smaller of the two that fit";
    ASSERT_TRUE(packer.Place(30, 30, again));
    EXPECT_EQ(again.y, big.y);
    EXPECT_EQ(again.width, 64) << "the whole area, which is what goes back";
    EXPECT_FALSE(packer.Place(10, 10, none));
}

}  // namespace
