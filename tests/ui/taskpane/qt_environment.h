// The application object the widget tests need, on Qt's offscreen platform,
// and small helpers shared by the tests.
#pragma once

#include <QImage>
#include <QRgb>

class QWidget;

namespace taskpane_test {

// The widget as the screen would show it, children included.
QImage Snapshot(QWidget* widget);
// A pixel without its alpha byte.
inline QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
inline QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b) & 0xFFFFFF; }

}  // namespace taskpane_test
