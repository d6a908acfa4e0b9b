#include "runtime/math.h"

#include <climits>
#include <cmath>

namespace vdl {

namespace {
constexpr double kDegToRad = 0.017453292519943295;  // pi / 180
constexpr double kRadToDeg = 57.295779513082323;    // 180 / pi
}  // namespace

int TruncToInt(double v) {
    // The range test is written so that NaN fails it too.
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
    return static_cast<int>(v);
}

double SquareRoot(double v) {
    return std::sqrt(v);
}

double SinDeg(double degrees) {
    return std::sin(degrees * kDegToRad);
}

double CosDeg(double degrees) {
    return std::cos(degrees * kDegToRad);
}

double ATan2Deg(double y, double x) {
    return std::atan2(y, x) * kRadToDeg;
}

}  // namespace vdl
