#include "media/skin/PraiseDue.h"

bool PraiseDue(int count, int frequency)
{
    switch (frequency) {
    case 0:
        return true;
    case 1:
        return count % 2 == 1;
    case 2:
        return count % 3 == 1;
    case 3: {
        // Often at the start, then every fourth answer.
        static const int early[] = {1, 2, 4, 7, 10, 14, 18, 22};
        for (int c : early)
            if (count == c)
                return true;
        return count > 22 && (count - 22) % 4 == 0;
    }
    default:
        return false;
    }
}
