#pragma once
// The device pictures and the application icon, drawn rather than loaded so
// the program needs no image files.

#include "present/DisplayRows.h"

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace signseek {

inline constexpr QSize kLargeImageSize{48, 30};
inline constexpr QSize kSmallImageSize{24, 15};

// A dark display panel on a transparent ground; Marked adds a red cross in
// the lower right corner.
QPixmap DrawDeviceImage(QSize size, DeviceImage image);

// Both sizes of one picture, so every view picks the one it shows.
QIcon DeviceIcon(DeviceImage image);

// The window icon: a display panel on its stand (as res/signseek.svg).
QIcon ApplicationIcon();

}  // namespace signseek
