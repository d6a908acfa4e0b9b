// Where the OpenGL renderers put the vertices of the 2D layer's shapes.
//
// Both GL renderers transform on the CPU, with the same single-precision arithmetic, so a
// shape lands on the same pixels whichever draws it: a local point (x, y) drawn with the
// translation (tx, ty) goes to (tx + x ix + y iy, ty + x jx + y jy). Points and lines are
// given half a pixel more by their callers so that they land on pixel centres.
#pragma once

#include <algorithm>
#include <cmath>

#include "runtime/math.h"

namespace vdl {

// The renderer's copy of the drawing layer's 2 x 2 matrix.
struct ShapeTransform {
    float ix = 1.0f, iy = 0.0f, jx = 0.0f, jy = 1.0f;

    float X(float x, float y, float tx) const { return tx + x * ix + y * iy; }
    float Y(float x, float y, float ty) const { return ty + x * jx + y * jy; }
};

// The vertex count of an oval with radii xr and yr.
// NOTE: |xr| + |yr| truncated, clamped below at 12, then rounded down to a multiple of 4.
inline int OvalVertexCount(float xr, float yr) {
    const int segs = TruncToInt(std::fabs(xr) + std::fabs(yr));
    return std::max(segs, 12) & ~3;
}

// Calls vertex(x, y) with each local corner of the oval filling the box (x0, y0)-(x1, y1),
// counter-clockwise on screen from the rightmost point.
template <typename VertexFn>
void ForEachOvalVertex(float x0, float y0, float x1, float y1, VertexFn&& vertex) {
    const float xr = (x1 - x0) * 0.5f, yr = (y1 - y0) * 0.5f;
    const float cx = x0 + xr, cy = y0 + yr;
    const int segs = OvalVertexCount(xr, yr);
    for (int i = 0; i < segs; ++i) {
        const double theta = static_cast<double>(i) * 360.0 / segs;
        vertex(static_cast<float>(cx + xr * CosDeg(theta)),
               static_cast<float>(cy - yr * SinDeg(theta)));
    }
}

}  // namespace vdl
