#pragma once
// Helpers of the widget tests: finding a window's controls by name, driving a
// Canvas as a user does and finding what was drawn on it.
#include <QColor>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

namespace ptt {
class Canvas;
}

namespace ptt::test {

// A window's control (or action, menu...) by its object name; warns when there is none.
template <class T> T *child(const QObject *parent, const QString &name)
{
    T *c = parent->findChild<T *>(name);
    if (!c)
        qWarning("no child %s", qPrintable(name));
    return c;
}

template <class T> T *child(const QObject *parent, const char *name)
{
    return child<T>(parent, QString::fromLatin1(name));
}

// Bounding box of the pixels of one colour in an image.
QRect inkOf(const QImage &image, const QColor &colour);

// A double-click at a point of the canvas's inner image, through the window so
// Qt produces press, release, double-click, release.
void doubleClickCanvas(Canvas *canvas, QPoint innerPixels);

} // namespace ptt::test
