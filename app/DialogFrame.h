#pragma once
// The frame of the program's dialogs and message boxes: a title bar with a
// close box only (no minimise or maximise), titled exactly as given, and a
// fixed size, declared to the window manager as a dialog.

#include "app/DialogWindowType.h"

#include <QMessageBox>
#include <QString>
#include <QWidget>

namespace signseek {

inline constexpr Qt::WindowFlags kDialogFrame =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// A modal message box with the exclamation icon and an OK button.
inline void ShowWarning(QWidget* parent, const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent, kDialogFrame);
    KeepDialogWindowType(box);
    box.exec();
}

}  // namespace signseek
