#include "screengrabber.h"

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

} // namespace ptt
