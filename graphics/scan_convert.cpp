// The polygon scan converter: polygons walked together row by row, their edges and
// attributes interpolated at the centre of each row.
#include "graphics/scan_convert.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace vdl {

namespace {

// The polygon records and the active list, reused from scan to scan.
struct ScanState {
    std::vector<rpoly> polys;  // polygons of the scan in progress
    std::vector<rpoly*> active;
} scan;

// Truncated y of the vertex whose values start at offset.
inline int VertexY(const rpoly& p, int offset) {
    return p.ys[offset];
}

// Walks from index (backwards for the left edge, forwards for the right) to the edge that
// crosses row y and sets up its interpolation. False when the polygon has no such edge left.
bool StartEdge(rpoly& p, int& index, std::vector<float>& cur, std::vector<float>& delta, int y,
               bool backwards) {
    int a = index;
    int b;
    for (;;) {
        if (backwards) {
            b = a - p.stride;
            if (b < 0) b += p.size;
        } else {
            b = a + p.stride;
            if (b >= p.size) b -= p.size;
        }
        if (b == index) return false;
        if (VertexY(p, b) > y) break;
        a = b;
    }
    const int64_t rows = static_cast<int64_t>(VertexY(p, b)) - VertexY(p, a);
    if (rows < 1) return false;
    const float fr = static_cast<float>(rows);
    for (int k = 0; k < p.stride; ++k) {
        cur[k] = p.data[a + k];
        delta[k] = (p.data[b + k] - p.data[a + k]) / fr;
        // NOTE: values are taken half a row on, at the centre of the row.
        cur[k] += delta[k] * 0.5f;
    }
    index = b;
    return true;
}

// A waiting polygon joins the end of the active list.
void Activate(rpoly& p) {
    if (p.state != 0) return;
    p.state = 1;
    scan.active.push_back(&p);
}

// A polygon with no edge left leaves the scan.
// NOTE: one that finishes before it was ever active (a flat polygon) was never counted, so
// it leaves the active list and count untouched.
void Finish(rpoly& p) {
    if (p.state == 1) scan.active.erase(std::find(scan.active.begin(), scan.active.end(), &p));
    p.state = 2;
}

// Starts, turns and finishes the edges of the first count polygons that reach row y, and
// returns the next row at which any of them will again (INT_MAX when none will). On the rows
// in between, the active list stays as it is and the edges only step on.
int StartRowEdges(int count, int y) {
    int next = INT_MAX;
    for (int n = 0; n < count; ++n) {
        rpoly& p = scan.polys[n];
        if (p.state == 2) continue;
        if (p.state == 0 && p.top > y) {
            next = std::min(next, p.top);
            continue;
        }
        if (y >= VertexY(p, p.leftIndex)) {
            if (!StartEdge(p, p.leftIndex, p.leftCur, p.leftDelta, y, true)) {
                Finish(p);
                continue;
            }
            Activate(p);
        }
        if (y >= VertexY(p, p.rightIndex)) {
            if (!StartEdge(p, p.rightIndex, p.rightCur, p.rightDelta, y, false)) {
                Finish(p);
                continue;
            }
            Activate(p);
        }
        next = std::min({next, VertexY(p, p.leftIndex), VertexY(p, p.rightIndex)});
    }
    return next;
}

// Moves both edges of an active polygon on by rows rows.
// NOTE: every value still takes its step one row at a time, in a register rather than through
// memory, so it ends exactly where stepping row by row would leave it.
void StepEdges(rpoly& p, int rows) {
    if (p.stride == 4) {
        // Quads carry x, y, u and v: the eight values of both edges advance together, which
        // compiles to a couple of vector additions a row.
        float cur[8], delta[8];
        std::copy_n(p.leftCur.data(), 4, cur);
        std::copy_n(p.rightCur.data(), 4, cur + 4);
        std::copy_n(p.leftDelta.data(), 4, delta);
        std::copy_n(p.rightDelta.data(), 4, delta + 4);
        for (int i = 0; i < rows; ++i) {
            for (int k = 0; k < 8; ++k)
                cur[k] += delta[k];
        }
        std::copy_n(cur, 4, p.leftCur.data());
        std::copy_n(cur + 4, 4, p.rightCur.data());
        return;
    }
    for (int k = 0; k < p.stride; ++k) {
        float left = p.leftCur[k];
        float right = p.rightCur[k];
        const float leftDelta = p.leftDelta[k];
        const float rightDelta = p.rightDelta[k];
        for (int i = 0; i < rows; ++i) {
            left += leftDelta;
            right += rightDelta;
        }
        p.leftCur[k] = left;
        p.rightCur[k] = right;
    }
}

// Reverses the vertex order of a polygon that winds anticlockwise on the y-down screen, so
// that walking backwards always follows the left edge.
void NormalizeWinding(rpoly& polygon) {
    if (polygon.vertexCount < 1) return;
    const int s = polygon.stride;
    const float* d = polygon.data.data();
    const float x0 = d[0], y0 = d[1];
    for (int i = 2; i < polygon.vertexCount; ++i) {
        const float xi = d[i * s], yi = d[i * s + 1];
        const float xp = d[(i - 1) * s], yp = d[(i - 1) * s + 1];
        const int t = ScanTrunc((xi - xp) * (yp - y0) - (xp - x0) * (yi - yp));
        if (t < 0) return;
    }
    for (int lo = 0, hi = polygon.vertexCount - 1; lo < hi; ++lo, --hi) {
        std::swap_ranges(polygon.data.begin() + lo * s, polygon.data.begin() + (lo + 1) * s,
                         polygon.data.begin() + hi * s);
    }
}

}  // namespace

int RasterizePolys(const std::vector<PolySource>& polygons, RowCallback rowCallback,
                   int minActive) {
    // NOTE: the polygon records are reused from call to call, so the scan allocates nothing
    // once the buffers have grown; it is therefore not re-entrant.
    if (scan.polys.size() < polygons.size()) scan.polys.resize(polygons.size());
    scan.active.clear();

    int yFirst = INT_MAX;
    int yLast = INT_MIN;
    const int count = static_cast<int>(polygons.size());
    for (int n = 0; n < count; ++n) {
        const PolySource& src = polygons[n];
        rpoly& p = scan.polys[n];
        p.pixmap = src.pixmap;
        // A polygon without at least x and y per vertex has nothing to scan.
        const bool usable = src.values && src.stride >= 2 && src.length > 0;
        p.stride = usable ? src.stride : 2;
        p.vertexCount = usable ? src.length / src.stride : 0;
        p.size = p.vertexCount * p.stride;
        p.data.assign(src.values, src.values + p.size);
        p.leftCur.resize(p.stride);
        p.leftDelta.resize(p.stride);
        p.rightCur.resize(p.stride);
        p.rightDelta.resize(p.stride);
        p.state = 0;
        NormalizeWinding(p);
        p.ys.resize(p.size);
        for (int v = 0; v < p.size; v += p.stride)
            p.ys[v] = ScanTrunc(p.data[v + 1]);

        p.top = INT_MAX;
        p.leftIndex = 0;
        for (int v = 0; v < p.size; v += p.stride) {
            const int vy = VertexY(p, v);
            if (vy < p.top) {
                p.top = vy;
                p.leftIndex = v;
            }
            yLast = std::max(yLast, vy);
        }
        p.rightIndex = p.leftIndex;
        if (p.vertexCount == 0) p.state = 2;
        yFirst = std::min(yFirst, p.top);
    }

    int result = 0;
    int nextEdgeRow = yFirst;
    for (int y = yFirst; y < yLast;) {
        if (y >= nextEdgeRow) nextEdgeRow = StartRowEdges(count, y);
        const int active = static_cast<int>(scan.active.size());
        if (active == 0 || active < minActive) {
            // Nothing to call back before the next edge row: step straight there.
            const int rows = std::min(nextEdgeRow, yLast) - y;
            for (rpoly* p : scan.active)
                StepEdges(*p, rows);
            y += rows;
            continue;
        }
        result = rowCallback(scan.active, active, y);
        if (result < 0) return result;
        for (rpoly* p : scan.active)
            StepEdges(*p, 1);
        ++y;
    }
    return result;
}

}  // namespace vdl
