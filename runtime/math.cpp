#include "runtime/math.h"

#include <climits>
#include <cmath>

#include "runtime/trig.h"

namespace vdl {

namespace {
constexpr double kDegToRad = 0.017453292519943295;  // pi / 180
constexpr double kRadToDeg = 57.295779513082323;    // 180 / pi

// Beyond 2^26 degrees an angle is first reduced to a turn, exactly (fmod is exact), so that
// the radians stay inside what the sine and cosine reduce; no angle of play comes near it.
double Radians(double degrees) {
    if (std::fabs(degrees) >= 67108864.0) degrees = std::fmod(degrees, 360.0);
    return degrees * kDegToRad;
}
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
    return PortableSin(Radians(degrees));
}

double CosDeg(double degrees) {
    return PortableCos(Radians(degrees));
}

double ATan2Deg(double y, double x) {
    return PortableATan2(y, x) * kRadToDeg;
}

}  // namespace vdl
