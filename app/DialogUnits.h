#pragma once
// Dialog units: the control positions are given in units of the dialog font,
// a quarter of its average character width across and an eighth of its
// character height down, so the dialog scales with the font.

#include "app/LayoutControls.h"

namespace signseek {

// a * b / c, rounded half away from zero (the platform's MulDiv); 0 when c is 0.
int MulDiv(int a, int b, int c);

// The base units of a font.
struct DialogBaseUnits {
    int x = 0;  // average character width
    int y = 0;  // character height
};

// The average character width from the width of "A".."Z" followed by
// "a".."z": half the average of those 52, rounded.
int AverageCharWidth(int widthOfAlphabets);

int DluToPixelsX(int x, const DialogBaseUnits& units);
int DluToPixelsY(int y, const DialogBaseUnits& units);

// A control placed at (x, y) with size (cx, cy) in dialog units: each edge is
// converted on its own, as the platform maps dialog rectangles.
Rect DialogRect(int x, int y, int cx, int cy, const DialogBaseUnits& units);

}  // namespace signseek
