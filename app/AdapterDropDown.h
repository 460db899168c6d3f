#pragma once
// Width of the adapter combo's drop-down part and the combo's preferred
// width, from the measured item texts.

#include <vector>

namespace signseek {

struct AdapterDropDownWidths {
    int dropDown = 0;             // width of the dropped-down list
    int m_nAdapterListWidth = 0;  // preferred width of the closed combo
};

// textWidths: each item text's width in the combo's font; scrollBar and edge:
// the style's scroll bar width and the width of the list's frame; the list
// gets room for its own scroll bar when itemHeight x count does not fit
// droppedHeight.
AdapterDropDownWidths SizeAdapterDropDownWidths(const std::vector<int>& textWidths, int scrollBar, int edge,
                                                int itemHeight, int droppedHeight);

}  // namespace signseek
