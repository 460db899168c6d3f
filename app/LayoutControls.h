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
    std::optional<Rect> group;     // the search group box
    std::optional<Rect> button;    // "Find Displays..."
    std::optional<Rect> label;     // the adapter label
    std::optional<Rect> combo;     // the adapter drop-down, closed size
    std::optional<Rect> progress;  // the search progress bar
    std::optional<Rect> issueList;
    std::optional<Rect> displayList;  // the device list
    std::optional<Rect> deviceCount;  // a line below the device list
    std::optional<Rect> addresses;    // "Addresses...", left of the button

    bool operator==(const DialogControls&) const = default;
};

inline constexpr int kMinimumDialogWidth = 640;
inline constexpr int kMinimumDialogHeight = 480;

// The controls' new rectangles for a client area of cx by cy pixels: issue
// list on top, the search group centred at 0.3 of the height (its top at most
// 112), the device list filling the rest above the device count line.
// "Addresses..." stands just left of "Find Displays...", and the adapter
// combo grows towards whichever of them is nearer, up to its preferred
// width m_nAdapterListWidth.
DialogControls LayoutControls(int cx, int cy, const DialogControls& current, int m_nAdapterListWidth);

}  // namespace signseek
