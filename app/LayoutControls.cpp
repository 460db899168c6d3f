#include "app/LayoutControls.h"

namespace signseek {

namespace {
constexpr int kMargin = 8;
constexpr int kGroupInset = 15;
constexpr int kProgressInset = 8;
constexpr int kGroupTopLimit = 112;
constexpr int kComboGapMin = 15;
constexpr int kComboGapMax = 20;
constexpr int kCountGap = 4;
constexpr int kButtonGap = 6;
}  // namespace

DialogControls LayoutControls(int cx, int cy, const DialogControls& current, int m_nAdapterListWidth)
{
    DialogControls next = current;
    Rect g;
    if (current.group) {
        int h = current.group->Height();
        int top = static_cast<int>(0.3 * cy - h / 2);
        if (top > kGroupTopLimit) top = kGroupTopLimit;
        g = Rect::FromSize(kMargin, top, cx - 2 * kMargin, h);
        next.group = g;
    }
    const int middle = (g.top + g.bottom) / 2;

    Rect b;
    if (current.button) {
        int w = current.button->Width();
        int hb = current.button->Height();
        b = Rect::FromSize(g.right - kGroupInset - w, middle - hb / 2, w, hb);
        next.button = b;
    }
    if (current.addresses) {
        const Rect& a = *current.addresses;
        const int right = current.button ? b.left - kButtonGap : g.right - kGroupInset;
        b = Rect::FromSize(right - a.Width(), middle - a.Height() / 2, a.Width(), a.Height());
        next.addresses = b;
    }
    if (current.label) {
        const Rect& l = *current.label;
        next.label = Rect::FromSize(kGroupInset, middle - l.Height() / 2, l.Width(), l.Height());
    }
    if (current.combo) {
        const Rect& k = *current.combo;
        int t = middle - k.Height() / 2;
        int top = t > 0 ? t : k.top;
        int gap = b.left - k.right;
        int right;
        if (gap > kComboGapMax) {
            right = (b.left - kComboGapMax - k.left <= m_nAdapterListWidth) ? b.left - kComboGapMax : k.right;
        } else if (gap >= kComboGapMin) {
            right = k.right;
        } else {
            right = b.left - kComboGapMin;
        }
        if (right <= 0) right = k.right;
        next.combo = Rect{k.left, top, right, k.bottom};
    }
    if (current.progress) {
        int hp = current.progress->Height();
        next.progress = Rect::FromSize(g.left + kProgressInset, middle - hp / 2, g.Width() - 2 * kProgressInset, hp);
    }
    if (current.issueList) next.issueList = Rect::FromSize(kMargin, kMargin, cx - 2 * kMargin, g.top - 2 * kMargin);
    int listBottom = cy - kMargin;
    if (current.deviceCount) {
        const int h = current.deviceCount->Height();
        next.deviceCount = Rect::FromSize(kMargin, cy - kMargin - h, cx - 2 * kMargin, h);
        listBottom -= h + kCountGap;
    }
    if (current.displayList) next.displayList = Rect{kMargin, g.bottom + kMargin, cx - kMargin, listBottom};
    return next;
}

}  // namespace signseek
