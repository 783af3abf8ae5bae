#include "exercises/common/TaskVariants.h"

#include "core/Random.h"

namespace exercise {

std::vector<int> DrawTaskVariants(int count)
{
    std::vector<int> variants;
    int same = 0, different = 0;
    for (int k = 0; k < count; ++k) {
        int a = rnd::below(4);
        const bool sameClass = IsSameVariant(a);
        if (k == 0) {
            (sameClass ? same : different) = 1;
        } else if (sameClass == IsSameVariant(variants.back())) {
            ++(sameClass ? same : different);
        } else {
            same = different = 0;
        }
        if (same >= 5) {
            a = 0;
            different = 1;
            same = 0;
        } else if (different >= 5) {
            a = 1;
            same = 1;
            different = 0;
        }
        variants.push_back(a);
    }
    return variants;
}

} // namespace exercise
