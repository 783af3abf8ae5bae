#include "core/Random.h"

#include <chrono>

namespace rnd {
std::mt19937_64& engine()
{
    static std::mt19937_64 e(std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    return e;
}
void seed(std::uint64_t s) { engine().seed(s); }
void seedFromClock() { seed(std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count())); }
int below(int n)
{
    if (n <= 0)
        return 0;
    return int(std::uniform_int_distribution<int>(0, n - 1)(engine()));
}
}
