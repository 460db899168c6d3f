#pragma once
// Dialog units for a Qt font, and rectangles in Qt's form.

#include "app/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QRect>

namespace signseek {

inline DialogBaseUnits BaseUnitsOf(const QFont& font)
{
    QFontMetrics metrics(font);
    int alphabets = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {AverageCharWidth(alphabets), metrics.height()};
}

inline QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

inline Rect FromQRect(const QRect& r) { return Rect::FromSize(r.x(), r.y(), r.width(), r.height()); }

}  // namespace signseek
