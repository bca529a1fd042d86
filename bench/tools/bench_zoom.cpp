// Prints how long the zoom viewer takes to draw a full 1600 x 1000 window of
// a picture at growing zoom sizes, and what a capture's copy costs.
#include "tools/selection.h"
#include "tools/zoommodel.h"

#include <QElapsedTimer>
#include <QImage>

#include <cstdio>

int main()
{
    QImage picture(1200, 900, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x & 0xff, y & 0xff, (x ^ y) & 0xff));

    std::printf("%-16s %-28s %s\n", "zoom steps", "shown size (px)", "ms per full-window paint");
    ptt::ZoomSize size;
    size.setNatural(picture.size());
    for (int step = 0; step <= 160; step += 20) {
        QElapsedTimer timer;
        timer.start();
        const int rounds = 10;
        int drawn = 0;
        for (int i = 0; i < rounds; ++i)
            drawn +=
                ptt::renderStretched(picture, size.pixelWidth(), size.pixelHeight(), QRect(0, 0, 1600, 1000)).isNull()
                    ? 0
                    : 1;
        const QString shown =
            QStringLiteral("%1 x %2").arg(size.pixelWidth(), 0, 'g', 4).arg(size.pixelHeight(), 0, 'g', 4);
        std::printf("%-16d %-28s %.2f (%d drawn)\n", step, qPrintable(shown),
                    double(timer.nsecsElapsed()) / 1e6 / rounds, drawn);
        for (int k = 0; k < 20; ++k)
            size.enlarge();
    }

    ptt::DesktopGrab grab;
    grab.image = QImage(3840, 2160, QImage::Format_RGB32);
    grab.image.fill(Qt::gray);
    grab.geometry = QRect(0, 0, 3840, 2160);
    QElapsedTimer timer;
    timer.start();
    const QImage cut = ptt::copyScreenRect(grab, ptt::ScreenRect{0, 0, 3840, 2160});
    std::printf("copy of a whole 3840 x 2160 desktop: %.2f ms (%d x %d)\n", double(timer.nsecsElapsed()) / 1e6,
                cut.width(), cut.height());
    return 0;
}
