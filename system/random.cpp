#include "system/random.h"

#include "runtime/math.h"

namespace vdl {

namespace {
constexpr int kUnseeded = 0x1234;
int randomState = kUnseeded;

// One step of the generator; the new state is also the step's output.
int Step() {
    const int s = randomState;
    int t = (s % 44488) * 48271 - (s / 44488) * 3399;
    if (t < 0) t += 2147483647;
    randomState = t;
    return t;
}
}  // namespace

void SeedRandom(int seed) {
    randomState = seed & 0x7FFFFFFF;
    if (randomState == 0 || randomState == 0x7FFFFFFF) randomState = kUnseeded;
}

int CurrentSeed() {
    return randomState;
}

float RandomUnitFloat() {
    const int t = Step();
    return static_cast<float>(t & 0x0FFFFFF0) / 268435456.0f;
}

double RandomUnit() {
    const int t1 = Step();
    const int t2 = Step();
    return ((t1 & 0x1FFFFFFC) + (t2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
}

double RandomReal(double a, double b) {
    const double r = RandomUnit();
    if (b > a) return a + r * (b - a);
    return b + r * (a - b);
}

int RandomInt(int a, int b) {
    const double d = static_cast<double>(b) - static_cast<double>(a);
    const double r = RandomUnit();
    if (d > 0) return TruncToInt(a + r * (d + 1));
    return TruncToInt(b + r * (1 - d));
}

}  // namespace vdl
