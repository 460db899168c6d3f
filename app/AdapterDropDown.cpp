#include "app/AdapterDropDown.h"

#include <algorithm>

namespace signseek {

AdapterDropDownWidths SizeAdapterDropDownWidths(const std::vector<int>& textWidths, int scrollBar, int edge,
                                                int itemHeight, int droppedHeight)
{
    int width = 0;
    for (int w : textWidths) width = std::max(width, w + scrollBar);
    width += 2 * edge + 4;
    AdapterDropDownWidths result;
    result.m_nAdapterListWidth = width + 15;
    if (itemHeight * static_cast<int>(textWidths.size()) >= droppedHeight) width += scrollBar;
    result.dropDown = width;
    return result;
}

}  // namespace signseek
