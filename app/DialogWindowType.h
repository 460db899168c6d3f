#pragma once
// Declares a dialog's window to the window manager as a dialog and nothing
// else. Qt's X11 platform lists "normal" after "dialog" as a fallback type,
// and a window manager that takes the list as it stands frames the dialog as
// a main window. Where windows are no X11 windows (offscreen, Wayland)
// nothing changes.

class QWidget;

namespace signseek {

// From the dialog's next showing on: set before its window is mapped, the
// only moment window managers read the type.
void KeepDialogWindowType(QWidget& dialog);

}  // namespace signseek
