// The scan converter: rows sampled at their centres whichever way a polygon winds, malformed
// polygons skipped, and rows without enough active polygons stepped over unchanged.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "graphics/scan_convert.h"

namespace vdl {
namespace {

TEST(ScanConversion, RowsAreSampledAtTheirCentresWhateverTheWinding) {
    static std::vector<std::pair<int, int>> spans;
    const RowCallback record = [](const std::vector<rpoly*>& active, int, int) {
        spans.emplace_back(static_cast<int>(active[0]->leftCur[0]),
                           static_cast<int>(active[0]->rightCur[0]));
        return 0;
    };
    // A triangle widening two pixels a row (x = 2y + 1 at the row centre), given both ways
    // round.
    const float clockwise[] = {0, 0, 0, 0, 16, 8, 0, 0, 0, 8, 0, 0};
    const float anticlockwise[] = {0, 8, 0, 0, 16, 8, 0, 0, 0, 0, 0, 0};
    for (const float* triangle : {clockwise, anticlockwise}) {
        spans.clear();
        RasterizePolys({{triangle, 12, 4, nullptr}}, record);
        ASSERT_EQ(spans.size(), 8u);
        for (int y = 0; y < 8; ++y)
            EXPECT_EQ(spans[y], std::make_pair(0, 2 * y + 1));
    }
    // Flat and malformed polygons scan no row and read nothing out of bounds.
    const float flat[] = {0, 5, 0, 0, 8, 5, 0, 0, 8, 5, 0, 0, 0, 5, 0, 0};
    spans.clear();
    EXPECT_EQ(RasterizePolys({{flat, 16, 4, nullptr},
                              {nullptr, 16, 4, nullptr},
                              {flat, 0, 4, nullptr},
                              {flat, 16, 0, nullptr},
                              {flat, -4, 4, nullptr}},
                             record),
              0);
    EXPECT_TRUE(spans.empty());
}

TEST(ScanConversion, SkippingSparseRowsLeavesTheBusyRowsUnchanged) {
    // Rows where fewer than two polygons are active may be stepped through without a
    // callback; the rows that are reported must carry exactly the values of a full scan.
    struct Row {
        int y, count;
        std::vector<float> values;
        bool operator==(const Row&) const = default;
    };
    static std::vector<Row> rows;
    const RowCallback record = [](const std::vector<rpoly*>& active, int count, int y) {
        Row row{y, count, {}};
        for (int i = 0; i < count; ++i) {
            for (int v = 0; v < 4; ++v) {
                row.values.push_back(active[i]->leftCur[v]);
                row.values.push_back(active[i]->rightCur[v]);
            }
        }
        rows.push_back(row);
        return 0;
    };
    // A tall rotated quad and a small one that starts below its top and ends above its
    // bottom, so the scan has sparse rows before, between and after the busy ones.
    const float tall[] = {10.3f, 0.2f,  0, 0, 30.7f, 4.1f,  1, 0,
                          24.2f, 60.9f, 1, 1, 3.5f,  57.3f, 0, 1};
    const float small[] = {12, 20.5f, 0, 0, 22, 20.5f, 1, 0, 22, 31.5f, 1, 1, 12, 31.5f, 0, 1};
    const std::vector<PolySource> polygons = {{tall, 16, 4, nullptr}, {small, 16, 4, nullptr}};

    rows.clear();
    RasterizePolys(polygons, record);
    std::vector<Row> busy;
    for (const Row& row : rows)
        if (row.count >= 2) busy.push_back(row);
    ASSERT_FALSE(busy.empty());
    ASSERT_LT(busy.size(), rows.size());

    rows.clear();
    RasterizePolys(polygons, record, 2);
    EXPECT_EQ(rows, busy);
}

}  // namespace
}  // namespace vdl
