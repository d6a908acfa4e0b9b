// The one global pseudo-random generator.
//
// A multiplicative congruential generator (multiplier 48271, modulus 2^31 - 1) stepped with
// Schrage's method. The whole state is one 32-bit integer, 0x1234 before any seeding, so a
// seed reproduces the game's whole sequence of random choices. Main thread only.
#pragma once

namespace vdl {

// Sets the state to seed AND 0x7FFFFFFF; 0 and 0x7FFFFFFF (which would lock the generator)
// become 0x1234.
void SeedRandom(int seed);

// The generator's state.
int CurrentSeed();

// A single-precision value in [0, 1) from one step.
float RandomUnitFloat();

// A double-precision value in [0, 1) from two steps.
double RandomUnit();

// A value between a and b, lower bound included, upper excluded; the bounds in either order.
double RandomReal(double a, double b);

// An integer between a and b inclusive, the bounds in either order. NOTE: the real value is
// truncated toward zero, so a range reaching below zero yields 0 twice as often as the rest.
int RandomInt(int a, int b);

}  // namespace vdl
