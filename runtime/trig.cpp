// Sine, cosine and arctangent computed by our own code, in IEEE double operations only, so
// that every platform gives the same bits. The C libraries do not: mingw-w64's sin is the
// x87 fsin instruction, whose reduction by a 66-bit pi is wrong in the last bits near
// multiples of pi, and the game hashes its state bit for bit.
//
// The algorithms and constants are fdlibm's (through FreeBSD's msun and musl), the same ones
// the web build's C library uses; on the angles the game computes they give the results
// glibc gives. Reduction covers |x| < 2^20 * pi/2 exactly enough (three-part Cody-Waite);
// larger arguments are reduced in degrees by the callers in math.cpp.
//
// The file is compiled with floating-point contraction off: a fused multiply-add would keep
// bits that the reduction's error terms expect to be rounded away.
//
// ====================================================
// Copyright (C) 1993 by Sun Microsystems, Inc. All rights reserved.
//
// Developed at SunSoft, a Sun Microsystems, Inc. business.
// Permission to use, copy, modify, and distribute this
// software is freely granted, provided that this notice
// is preserved.
// ====================================================
#include "runtime/trig.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace vdl {

namespace {

std::uint64_t Bits(double x) {
    std::uint64_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}

// The high word of x without its sign.
std::uint32_t HighMagnitude(double x) {
    return static_cast<std::uint32_t>(Bits(x) >> 32) & 0x7fffffffu;
}

// Sine on [-pi/4, pi/4] of x + y, y being the tail of a reduced argument.
double KernelSin(double x, double y, bool hasTail) {
    constexpr double S1 = -1.66666666666666324348e-01;
    constexpr double S2 = 8.33333333332248946124e-03;
    constexpr double S3 = -1.98412698298579493134e-04;
    constexpr double S4 = 2.75573137070700676789e-06;
    constexpr double S5 = -2.50507602534068634195e-08;
    constexpr double S6 = 1.58969099521155010221e-10;
    const double z = x * x;
    const double w = z * z;
    const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
    const double v = z * x;
    if (!hasTail) return x + v * (S1 + z * r);
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// Cosine on [-pi/4, pi/4] of x + y.
double KernelCos(double x, double y) {
    constexpr double C1 = 4.16666666666666019037e-02;
    constexpr double C2 = -1.38888888888741095749e-03;
    constexpr double C3 = 2.48015872894767294178e-05;
    constexpr double C4 = -2.75573143513906633035e-07;
    constexpr double C5 = 2.08757232129817482790e-09;
    constexpr double C6 = -1.13596475577881948265e-11;
    const double z = x * x;
    const double w = z * z;
    const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    const double hz = 0.5 * z;
    const double one = 1.0 - hz;
    return one + (((1.0 - one) - hz) + (z * r - x * y));
}

// x - n * pi/2 as y[0] + y[1] in [-pi/4, pi/4]; returns n. For |x| < 2^20 * pi/2; the
// quadrant's sign and two low bits are all the callers use.
int ReduceHalfPi(double x, double y[2]) {
    constexpr double kToInt = 1.5 / 2.220446049250313080847e-16;  // 1.5 / DBL_EPSILON
    constexpr double kQuarterPi = 7.85398163397448278999e-01;
    constexpr double kInvHalfPi = 6.36619772367581382433e-01;
    // pi/2 in three 33-bit parts, each with the tail that follows it.
    constexpr double kPio2_1 = 1.57079632673412561417e+00;
    constexpr double kPio2_1t = 6.07710050650619224932e-11;
    constexpr double kPio2_2 = 6.07710050630396597660e-11;
    constexpr double kPio2_2t = 2.02226624879595063154e-21;
    constexpr double kPio2_3 = 2.02226624871116645580e-21;
    constexpr double kPio2_3t = 8.47842766036889956997e-32;

    // Round x / (pi/2) to the nearest integer by the add-and-subtract trick.
    double fn = x * kInvHalfPi + kToInt - kToInt;
    int n = static_cast<int>(fn);
    double r = x - fn * kPio2_1;
    double w = fn * kPio2_1t;
    if (r - w < -kQuarterPi) {
        --n;
        fn -= 1.0;
        r = x - fn * kPio2_1;
        w = fn * kPio2_1t;
    } else if (r - w > kQuarterPi) {
        ++n;
        fn += 1.0;
        r = x - fn * kPio2_1;
        w = fn * kPio2_1t;
    }
    y[0] = r - w;
    // Cancellation took bits: subtract the next parts of pi/2 while it keeps happening.
    const int ex = static_cast<int>(HighMagnitude(x) >> 20);
    int ey = static_cast<int>(Bits(y[0]) >> 52 & 0x7ff);
    if (ex - ey > 16) {
        double t = r;
        w = fn * kPio2_2;
        r = t - w;
        w = fn * kPio2_2t - ((t - r) - w);
        y[0] = r - w;
        ey = static_cast<int>(Bits(y[0]) >> 52 & 0x7ff);
        if (ex - ey > 49) {
            t = r;
            w = fn * kPio2_3;
            r = t - w;
            w = fn * kPio2_3t - ((t - r) - w);
            y[0] = r - w;
        }
    }
    y[1] = (r - y[0]) - w;
    return n;
}

constexpr std::uint32_t kQuarterPiHigh = 0x3fe921fb;  // |x| ~<= pi/4
constexpr std::uint32_t kReducibleHigh = 0x413921fb;  // |x| ~< 2^20 * pi/2
constexpr std::uint32_t kNotFiniteHigh = 0x7ff00000;

}  // namespace

double PortableSin(double x) {
    const std::uint32_t ix = HighMagnitude(x);
    if (ix <= kQuarterPiHigh) {
        if (ix < 0x3e500000) return x;  // |x| < 2^-26: sin x is x to the last bit
        return KernelSin(x, 0.0, false);
    }
    if (ix >= kNotFiniteHigh || ix >= kReducibleHigh) return std::nan("");
    double y[2];
    switch (ReduceHalfPi(x, y) & 3) {
        case 0:
            return KernelSin(y[0], y[1], true);
        case 1:
            return KernelCos(y[0], y[1]);
        case 2:
            return -KernelSin(y[0], y[1], true);
        default:
            return -KernelCos(y[0], y[1]);
    }
}

double PortableCos(double x) {
    const std::uint32_t ix = HighMagnitude(x);
    if (ix <= kQuarterPiHigh) {
        if (ix < 0x3e46a09e) return 1.0;  // |x| < 2^-27 * sqrt(2)
        return KernelCos(x, 0.0);
    }
    if (ix >= kNotFiniteHigh || ix >= kReducibleHigh) return std::nan("");
    double y[2];
    switch (ReduceHalfPi(x, y) & 3) {
        case 0:
            return KernelCos(y[0], y[1]);
        case 1:
            return -KernelSin(y[0], y[1], true);
        case 2:
            return -KernelCos(y[0], y[1]);
        default:
            return KernelSin(y[0], y[1], true);
    }
}

namespace {

// Arctangent of x, for any double.
double ATan(double x) {
    static constexpr double kAtanHi[] = {
        4.63647609000806093515e-01,  // atan(0.5)
        7.85398163397448278999e-01,  // atan(1)
        9.82793723247329054082e-01,  // atan(1.5)
        1.57079632679489655800e+00,  // atan(inf)
    };
    static constexpr double kAtanLo[] = {
        2.26987774529616870924e-17,
        3.06161699786838301793e-17,
        1.39033110312309984516e-17,
        6.12323399573676603587e-17,
    };
    static constexpr double kAT[] = {
        3.33333333333329318027e-01,  -1.99999999998764832476e-01, 1.42857142725034663711e-01,
        -1.11111104054623557880e-01, 9.09088713343650656196e-02,  -7.69187620504482999495e-02,
        6.66107313738753120669e-02,  -5.83357013379057348645e-02, 4.97687799461593236017e-02,
        -3.65315727442169155270e-02, 1.62858201153657823623e-02,
    };
    const bool negative = (Bits(x) >> 63) != 0;
    const std::uint32_t ix = HighMagnitude(x);
    if (ix >= 0x44100000) {  // |x| >= 2^66
        if (std::isnan(x)) return x;
        return negative ? -kAtanHi[3] : kAtanHi[3];
    }
    int id;
    if (ix < 0x3fdc0000) {              // |x| < 0.4375
        if (ix < 0x3e400000) return x;  // |x| < 2^-27
        id = -1;
    } else {
        x = std::fabs(x);
        if (ix < 0x3ff30000) {      // |x| < 1.1875
            if (ix < 0x3fe60000) {  // 7/16 <= |x| < 11/16
                id = 0;
                x = (2.0 * x - 1.0) / (2.0 + x);
            } else {  // 11/16 <= |x| < 19/16
                id = 1;
                x = (x - 1.0) / (x + 1.0);
            }
        } else if (ix < 0x40038000) {  // |x| < 2.4375
            id = 2;
            x = (x - 1.5) / (1.0 + 1.5 * x);
        } else {  // 2.4375 <= |x| < 2^66
            id = 3;
            x = -1.0 / x;
        }
    }
    const double z = x * x;
    const double w = z * z;
    // The series split into its odd and even terms.
    const double s1 =
        z * (kAT[0] + w * (kAT[2] + w * (kAT[4] + w * (kAT[6] + w * (kAT[8] + w * kAT[10])))));
    const double s2 = w * (kAT[1] + w * (kAT[3] + w * (kAT[5] + w * (kAT[7] + w * kAT[9]))));
    if (id < 0) return x - x * (s1 + s2);
    const double result = kAtanHi[id] - (x * (s1 + s2) - kAtanLo[id] - x);
    return negative ? -result : result;
}

}  // namespace

double PortableATan2(double y, double x) {
    constexpr double kPi = 3.1415926535897931160e+00;
    constexpr double kPiLo = 1.2246467991473531772e-16;
    if (std::isnan(x) || std::isnan(y)) return x + y;
    const std::uint64_t bx = Bits(x), by = Bits(y);
    if (bx == 0x3ff0000000000000u) return ATan(y);  // x = 1
    // Quadrant: bit 0 the sign of y, bit 1 the sign of x.
    const unsigned m = static_cast<unsigned>(by >> 63) | static_cast<unsigned>(bx >> 62 & 2);
    const std::uint32_t ix = HighMagnitude(x), iy = HighMagnitude(y);
    const bool xZero = (bx << 1) == 0, yZero = (by << 1) == 0;

    if (yZero) {
        switch (m) {
            case 0:
            case 1:
                return y;  // atan2(+-0, +anything) = +-0
            case 2:
                return kPi;
            default:
                return -kPi;
        }
    }
    if (xZero) return (m & 1) ? -kPi / 2 : kPi / 2;
    if (ix == kNotFiniteHigh && (bx << 12) == 0) {  // x infinite
        if (iy == kNotFiniteHigh && (by << 12) == 0) {
            switch (m) {
                case 0:
                    return kPi / 4;
                case 1:
                    return -kPi / 4;
                case 2:
                    return 3 * kPi / 4;
                default:
                    return -3 * kPi / 4;
            }
        }
        switch (m) {
            case 0:
                return 0.0;
            case 1:
                return -0.0;
            case 2:
                return kPi;
            default:
                return -kPi;
        }
    }
    // |y / x| > 2^64, or y infinite.
    if (ix + (64u << 20) < iy || iy == kNotFiniteHigh) return (m & 1) ? -kPi / 2 : kPi / 2;

    double z;
    if ((m & 2) && iy + (64u << 20) < ix) {
        z = 0.0;  // |y / x| < 2^-64 with x < 0: the angle is pi to the last bit
    } else {
        z = ATan(std::fabs(y / x));
    }
    switch (m) {
        case 0:
            return z;
        case 1:
            return -z;
        case 2:
            return kPi - (z - kPiLo);
        default:
            return (z - kPiLo) - kPi;
    }
}

}  // namespace vdl
