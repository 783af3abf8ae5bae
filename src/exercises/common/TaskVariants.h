#pragma once
#include <vector>

namespace exercise {
// One card arrangement per play position, for the programs that show two elements in four ways:
// 0 = elements 1, 2; 1 = 1, 1; 2 = 2, 2; 3 = 2, 1. Variants 1 and 2 form the class "same", 0 and 3
// "different"; no more than five positions in a row fall into one class (four at the start).
std::vector<int> DrawTaskVariants(int count);
inline bool IsSameVariant(int variant) { return variant == 1 || variant == 2; }
}
