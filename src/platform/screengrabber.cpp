#include "screengrabber.h"

#include <QGuiApplication>

namespace ptt {

ScreenGrabber *createQtScreenGrabber();     // screengrabber_qt.cpp
ScreenGrabber *createPortalScreenGrabber(); // screengrabber_portal.cpp

namespace {
ScreenGrabber *&current()
{
    static ScreenGrabber *grabber = nullptr;
    return grabber;
}
} // namespace

ScreenGrabber *ScreenGrabber::instance()
{
    // A Wayland desktop lets no program read the screen: only its portal can.
    static ScreenGrabber *real = QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
                                     ? createPortalScreenGrabber()
                                     : createQtScreenGrabber();
    return current() ? current() : real;
}

void ScreenGrabber::setInstance(ScreenGrabber *grabber)
{
    current() = grabber;
}

} // namespace ptt
