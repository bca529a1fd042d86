#pragma once
// Screen grabbing through the desktop's screenshot portal
// (org.freedesktop.portal.Screenshot over D-Bus), for desktops where a program
// cannot read the screen itself (Wayland).
#include "screengrabber.h"

#include <QDBusConnection>

namespace ptt {

class PortalScreenGrabber : public ScreenGrabber {
public:
    // timeoutMs: how long to wait for the portal's answer before giving up.
    explicit PortalScreenGrabber(const QDBusConnection &bus, int timeoutMs = 60000);

    // Asks for a non-interactive picture of the whole desktop and waits for it,
    // handling events meanwhile. A null grab carries the reason in its error.
    DesktopGrab grabDesktop() override;

private:
    QDBusConnection m_bus;
    int m_timeoutMs;
};

// The portal's picture (device pixels) laid over the virtual desktop (logical
// pixels): the ratio is the picture's width over the desktop's, and the height
// must agree with it to a pixel. A picture smaller than the desktop or of
// another shape is refused with a message.
DesktopGrab desktopGrabFromPicture(const QImage &picture, const QRect &desktop);

} // namespace ptt
