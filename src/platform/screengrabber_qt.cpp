// The screen grab of a desktop that lets programs read the screen (X11).
#include "screengrabber.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace ptt {

namespace {

class QtScreenGrabber : public ScreenGrabber {
public:
    DesktopGrab grabDesktop() override
    {
        DesktopGrab grab;
        const QList<QScreen *> screens = QGuiApplication::screens();
        if (screens.isEmpty()) {
            grab.error = QStringLiteral("找不到屏幕，无法剪裁抓图。");
            return grab;
        }
        QRect virtualGeometry;
        qreal ratio = 1.0;
        for (QScreen *s : screens) {
            virtualGeometry |= s->geometry();
            ratio = qMax(ratio, s->devicePixelRatio());
        }
        QImage desktop(virtualGeometry.size() * ratio, QImage::Format_RGB32);
        if (desktop.isNull()) {
            grab.error = QStringLiteral("内存不足，无法剪裁抓图。");
            return grab;
        }
        desktop.fill(Qt::black);
        QPainter painter(&desktop);
        for (QScreen *s : screens) {
            const QPixmap shot = s->grabWindow(0);
            if (shot.isNull()) {
                grab.error = QStringLiteral("无法读取屏幕图像，无法剪裁抓图。");
                return grab;
            }
            const QRect g = s->geometry();
            const QRect target(((g.topLeft() - virtualGeometry.topLeft()) * ratio), g.size() * ratio);
            QImage pixels = shot.toImage();
            pixels.setDevicePixelRatio(1.0);
            painter.drawImage(target, pixels);
        }
        painter.end();
        grab.image = desktop;
        grab.geometry = virtualGeometry;
        grab.devicePixelRatio = ratio;
        return grab;
    }
};

} // namespace

ScreenGrabber *createQtScreenGrabber()
{
    static QtScreenGrabber grabber;
    return &grabber;
}

} // namespace ptt
