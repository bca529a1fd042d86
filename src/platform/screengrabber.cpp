#include "screengrabber.h"

#include <cmath>

namespace ptt {

ScreenGrabber *createPlatformScreenGrabber(); // screengrabber_qt.cpp

namespace {
ScreenGrabber *&current()
{
    static ScreenGrabber *grabber = nullptr;
    return grabber;
}
} // namespace

ScreenGrabber *ScreenGrabber::instance()
{
    static ScreenGrabber *real = createPlatformScreenGrabber();
    return current() ? current() : real;
}

void ScreenGrabber::setInstance(ScreenGrabber *grabber)
{
    current() = grabber;
}

QImage copyScreenRect(const DesktopGrab &grab, const ScreenRect &rect)
{
    if (rect.isEmpty() || grab.isNull())
        return QImage();
    const QRect logical = rect.toQRect().intersected(grab.geometry);
    if (logical.isEmpty())
        return QImage();
    const qreal r = grab.devicePixelRatio;
    const QPoint o = grab.geometry.topLeft();
    const int x0 = int(std::floor((logical.left() - o.x()) * r));
    const int y0 = int(std::floor((logical.top() - o.y()) * r));
    const int x1 = int(std::ceil((logical.left() + logical.width() - o.x()) * r));
    const int y1 = int(std::ceil((logical.top() + logical.height() - o.y()) * r));
    QImage pixels = grab.image.copy(QRect(x0, y0, x1 - x0, y1 - y0).intersected(grab.image.rect()));
    pixels.setDevicePixelRatio(1.0);
    return pixels;
}

} // namespace ptt
