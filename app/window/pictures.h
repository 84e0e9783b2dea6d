// The window's pictures, drawn here: the button images of the three image
// lists and the window icon.
#pragma once

#include <QPixmap>

namespace pictures {
QPixmap Download();    // 48 x 48
QPixmap Stop();        // 16 x 16
QPixmap Browse();      // 16 x 16
QPixmap FirstSite();   // 86 x 32
QPixmap SecondSite();  // 86 x 32
QPixmap Icon();        // 64 x 64
}  // namespace pictures
