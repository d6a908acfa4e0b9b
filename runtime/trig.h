// Sine, cosine and arctangent in radians, the same to the last bit on every platform
// (see trig.cpp). The degree functions of math.h are built on them.
#pragma once

namespace vdl {

// Sine and cosine of x for |x| < 1 647 099 (2^20 * pi/2, rounded down); beyond it, and for
// infinities and NaN, they give NaN, so callers reduce huge angles first.
double PortableSin(double x);
double PortableCos(double x);

// Angle of (x, y) in -pi..pi, with C's atan2 answers for zeros, infinities and NaN.
double PortableATan2(double y, double x);

}  // namespace vdl
