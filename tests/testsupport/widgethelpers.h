#pragma once
// Helpers of the widget tests: driving a Canvas as a user does and finding
// what was drawn on it.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>

namespace ptt {
class Canvas;
}

namespace ptt::test {

// Bounding box of the pixels of one colour in an image.
QRect inkOf(const QImage &image, const QColor &colour);

// A double-click at a point of the canvas's inner image, through the window so
// Qt produces press, release, double-click, release.
void doubleClickCanvas(Canvas *canvas, QPoint innerPixels);

} // namespace ptt::test
