#include "widgethelpers.h"

#include "platform/canvas.h"

#include <QTest>
#include <QWindow>

namespace ptt::test {

QRect inkOf(const QImage &image, const QColor &colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

void doubleClickCanvas(Canvas *canvas, QPoint innerPixels)
{
    QWidget *top = canvas->window();
    const QPoint p = canvas->mapTo(top, innerPixels + QPoint(canvas->borderWidth(), canvas->borderWidth()));
    QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {}, p);
}

} // namespace ptt::test
