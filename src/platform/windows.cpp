#include "windows.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>

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

QRect fitOnScreen(const QSize &client, const QRect &available, const QMargins &frame)
{
    const int roomW = available.width() - frame.left() - frame.right();
    const int roomH = available.height() - frame.top() - frame.bottom();
    const QSize size(std::clamp(client.width(), 1, std::max(1, roomW)),
                     std::clamp(client.height(), 1, std::max(1, roomH)));
    const int frameW = size.width() + frame.left() + frame.right();
    const int frameH = size.height() + frame.top() + frame.bottom();
    const QPoint frameAt(available.left() + std::max(0, (available.width() - frameW) / 2),
                         available.top() + std::max(0, (available.height() - frameH) / 2));
    return QRect(frameAt + QPoint(frame.left(), frame.top()), size);
}

void placeOnScreen(QWidget *window, const QSize &client)
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        window->resize(client);
        return;
    }
    // A maximized window may have no side borders; a normal one has some.
    QMargins frame(8, 32, 8, 8);
    for (const QWidget *shown : QApplication::topLevelWidgets()) {
        const QWindow *handle = shown->windowHandle();
        if (shown != window && shown->isVisible() && handle && handle->frameMargins().top() > 0) {
            const QMargins m = handle->frameMargins();
            frame =
                QMargins(std::max(m.left(), 4), std::max(m.top(), 24), std::max(m.right(), 4), std::max(m.bottom(), 4));
            break;
        }
    }
    const QRect placed = fitOnScreen(client, screen->availableGeometry(), frame);
    window->resize(placed.size());
    // Before it is shown, a window's position is that of its frame.
    window->move(placed.topLeft() - QPoint(frame.left(), frame.top()));
}

namespace {

bool framed(const QWidget *window)
{
    return window->frameGeometry() != window->geometry();
}

// Where the frame stands: its left edge at frameLeft unless that puts its
// right edge past the screen's, its top where it is, both kept on the screen.
QPoint framePlace(const QWidget *window, int frameLeft)
{
    const QRect frame = window->frameGeometry();
    const QScreen *screen = QGuiApplication::screenAt(QPoint(frameLeft, frame.top()));
    if (!screen)
        screen = window->screen();
    if (!screen)
        return QPoint(frameLeft, frame.top());
    const QRect area = screen->availableGeometry();
    const int x = std::max(area.left(), std::min(frameLeft, area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
    return QPoint(x, y);
}

// The frame's size is known only once the window manager has framed the
// window: then the window is placed again, with the frame counted.
class PlaceWhenFramed : public QObject {
public:
    PlaceWhenFramed(QWidget *window, int frameLeft) : QObject(window), m_window(window), m_frameLeft(frameLeft)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::Hide) {
            deleteLater();
        } else if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && framed(m_window)) {
            const QPoint place = framePlace(m_window, m_frameLeft);
            deleteLater();
            m_window->removeEventFilter(this);
            if (place != m_window->frameGeometry().topLeft())
                m_window->move(place);
        }
        return false;
    }

private:
    QWidget *m_window;
    int m_frameLeft;
};

} // namespace

void showAtLeft(QWidget *window, int frameLeft)
{
    // Placed before it is shown, the window manager puts the frame there; a
    // window moved after showing but before framing would be placed by its
    // client area, leaving the title bar above the screen.
    if (!window->isVisible())
        window->move(framePlace(window, frameLeft));
    bringForward(window);
    if (framed(window))
        window->move(framePlace(window, frameLeft));
    else
        new PlaceWhenFramed(window, frameLeft);
}

} // namespace ptt
