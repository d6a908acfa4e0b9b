// Numeric helpers of the runtime: real-to-integer truncation and trigonometry in degrees,
// all in double precision.
#pragma once

namespace vdl {

// Real to integer, truncating toward zero. NOTE: like the processor's own conversion, a
// value that does not fit in 32 bits (or NaN) gives INT_MIN instead of being undefined.
int TruncToInt(double v);

// The square root in double precision (std::sqrt is exact on every platform, unlike the
// trigonometry, so the game may use it as it is).
double SquareRoot(double v);

// Sine, cosine of an angle in degrees.
double SinDeg(double degrees);
double CosDeg(double degrees);

// Angle in degrees of the vector (x, y), in -180..180; 0 points right, 90 down (y grows down).
double ATan2Deg(double y, double x);

// a + b and a - b in 32-bit two's complement: millisecond times wrap like the clock's count
// instead of overflowing.
inline int WrapAdd(int a, int b) {
    return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b));
}
inline int WrapSub(int a, int b) {
    return static_cast<int>(static_cast<unsigned>(a) - static_cast<unsigned>(b));
}

}  // namespace vdl
