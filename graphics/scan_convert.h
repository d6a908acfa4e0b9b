// The polygon scan converter.
//
// Walks any number of polygons down the screen together, one row at a time. Each polygon's
// two edges start at its topmost vertex; on every row both are sampled at the row's centre,
// with every value a vertex carries (x, y, then attributes such as texture coordinates)
// interpolated along them. The caller's row callback sees the polygons active on that row.
// Polygons may wind either way. The collision test (graphics/collision.h) is its one user.
#pragma once

#include <climits>
#include <vector>

#include "graphics/pixmap.h"
#include "runtime/object.h"

namespace vdl {

// One polygon being scan-converted.
class rpoly : public Object {
public:
    const TPixmap* pixmap = nullptr;  // the source's, for the row callback
    std::vector<float> data;          // vertices, stride values each: x, y, then attributes
    int stride = 0;                   // values per vertex
    int vertexCount = 0;
    int size = 0;  // vertexCount * stride
    // Interpolated values on the current row and their per-row steps, for both edges.
    std::vector<float> leftCur, leftDelta, rightCur, rightDelta;
    int leftIndex = 0;    // value offset of the vertex the left edge runs towards
    int rightIndex = 0;   // the same for the right edge
    int top = 0;          // smallest truncated y of the vertices
    int state = 0;        // 0 waiting, 1 active, 2 finished
    std::vector<int> ys;  // truncated y of each vertex, at the vertex's value offset
};

// Called once per scanned row with the active polygons; a negative result ends the scan.
using RowCallback = int (*)(const std::vector<rpoly*>& active, int count, int y);

// One polygon handed to RasterizePolys: its values, values per vertex and a pixmap the row
// callback may sample (the scan itself never reads it).
struct PolySource {
    const float* values;
    int length;
    int stride;
    const TPixmap* pixmap;
};

// Scan-converts the polygons together, calling rowCallback on every row with at least
// minActive active polygons (and at least one). Returns the first negative callback result,
// else the last result (0 if none).
int RasterizePolys(const std::vector<PolySource>& polygons, RowCallback rowCallback,
                   int minActive = 1);

// Real to integer, truncating toward zero; out of range and NaN give INT_MIN (as TruncToInt,
// inlined for the inner loops of the scan and of its row callbacks).
// NOTE: -2^31 itself fails the test, which gives the INT_MIN that converting it would.
inline int ScanTrunc(float v) {
    if (!(v > -2147483648.0f && v < 2147483648.0f)) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace vdl
