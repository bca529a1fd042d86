#include "windows.h"

namespace ptt {

void setWindowOwner(QWidget *window, QWidget *owner)
{
    if (window->parentWidget() == owner)
        return;
    const bool wasVisible = window->isVisible();
    const Qt::WindowStates state = window->windowState();
    const QRect geometry = window->geometry();
    // setParent hides the window; the caller shows it again.
    window->setParent(owner, window->windowFlags() | Qt::Window);
    window->setWindowState(state);
    if (wasVisible && !(state & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        window->setGeometry(geometry);
}

void bringForward(QWidget *window)
{
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace ptt
