#pragma once
// Placement of the main dialog's controls for a client area size, as pixel
// arithmetic on rectangles so it can be checked without a window system.

#include <optional>

namespace signseek {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static Rect FromSize(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// The main dialog's controls in client coordinates; a control that does not
// exist (yet) is left out and stays out.
struct DialogControls {
    std::optional<Rect> group;        // IDC_SEARCH_GROUP
    std::optional<Rect> button;       // IDC_FIND_DISPLAYS
    std::optional<Rect> label;        // IDC_ADAPTER_LABEL
    std::optional<Rect> combo;        // IDC_ADAPTER_COMBO, closed size
    std::optional<Rect> progress;     // IDC_SEARCH_PROGRESS
    std::optional<Rect> issueList;    // IDC_ISSUE_LIST
    std::optional<Rect> displayList;  // IDC_DISPLAY_LIST
    std::optional<Rect> deviceCount;  // IDC_DEVICE_COUNT, a line below the device list

    bool operator==(const DialogControls&) const = default;
};

inline constexpr int kMinimumDialogWidth = 640;
inline constexpr int kMinimumDialogHeight = 480;

// The controls' new rectangles for a client area of cx by cy pixels: issue
// list on top, the search group centred at 0.3 of the height (its top at most
// 112), the device list filling the rest above the device count line. m_nAdapterListWidth is the adapter
// combo's preferred width; the combo grows towards the button up to it.
DialogControls LayoutControls(int cx, int cy, const DialogControls& current, int m_nAdapterListWidth);

}  // namespace signseek
