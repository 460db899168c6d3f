#include "app/DialogUnits.h"

#include <cstdint>

namespace signseek {

int MulDiv(int a, int b, int c)
{
    if (c == 0) return 0;
    std::int64_t product = static_cast<std::int64_t>(a) * b;
    bool negative = (product < 0) != (c < 0);
    std::int64_t p = product < 0 ? -product : product;
    std::int64_t d = c < 0 ? -static_cast<std::int64_t>(c) : c;
    std::int64_t q = (p + d / 2) / d;
    return static_cast<int>(negative ? -q : q);
}

int AverageCharWidth(int widthOfAlphabets) { return (widthOfAlphabets / 26 + 1) / 2; }

int DluToPixelsX(int x, const DialogBaseUnits& units) { return MulDiv(x, units.x, 4); }

int DluToPixelsY(int y, const DialogBaseUnits& units) { return MulDiv(y, units.y, 8); }

Rect DialogRect(int x, int y, int cx, int cy, const DialogBaseUnits& units)
{
    return {DluToPixelsX(x, units), DluToPixelsY(y, units), DluToPixelsX(x + cx, units), DluToPixelsY(y + cy, units)};
}

}  // namespace signseek
