#pragma once
// Screen grabbing behind a small interface: the real one reads the screens,
// tests install one that returns a known image. The choice is made here only.
#include <QImage>
#include <QRect>
#include <QString>

namespace ptt {

// A frozen picture of the whole virtual desktop. geometry is in logical
// screen pixels; image holds device pixels (geometry size x ratio).
struct DesktopGrab {
    QImage image;
    QRect geometry;
    qreal devicePixelRatio = 1.0;
    QString error; // why there is no image, for the user

    bool isNull() const { return image.isNull(); }
};

class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    virtual DesktopGrab grabDesktop() = 0;

    static ScreenGrabber *instance();
    // Installs a grabber (not owned); nullptr restores the real one.
    static void setInstance(ScreenGrabber *grabber);
};

} // namespace ptt
