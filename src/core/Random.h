#pragma once
#include <cstdint>
#include <random>

// The program's one random generator: seeded from the clock at start, seedable by tests.
namespace rnd {
void seed(std::uint64_t s);
void seedFromClock();
// A whole number in 0 .. n-1 (0 when n <= 0), like Random(n).
int below(int n);
std::mt19937_64& engine();
}
