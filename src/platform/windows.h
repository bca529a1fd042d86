#pragma once
// Window lifecycle: every window exists at most once. Showing a window loads
// it (runs its constructor, which does the window's load steps) if it is not
// loaded, and otherwise brings the loaded one forward with its state. The
// close box unloads it (deletes it); hiding keeps it. A window shown with an
// owner stays in front of that owner.
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace ptt {

template <class W> QPointer<W> &windowInstance()
{
    static QPointer<W> instance;
    return instance;
}

// The loaded window of type W, or nullptr.
template <class W> W *loadedWindow()
{
    return windowInstance<W>().data();
}

void setWindowOwner(QWidget *window, QWidget *owner);
void bringForward(QWidget *window);

// The client geometry of a window of the given client size on a screen's
// available area: centred, and shrunk where it is larger, so that its whole
// frame (the margins around the client, title bar included) is on the area.
QRect fitOnScreen(const QSize &client, const QRect &available, const QMargins &frame);
// Sizes and places a window not yet shown by fitOnScreen, on the screen under
// the pointer. The frame is taken from a window already shown, or guessed
// generously, since the window manager adds it only once the window is shown.
void placeOnScreen(QWidget *window, const QSize &client);

template <class W> W *loadWindow()
{
    QPointer<W> &instance = windowInstance<W>();
    if (!instance) {
        instance = new W();
        instance->setAttribute(Qt::WA_DeleteOnClose);
    }
    return instance;
}

template <class W> W *showWindow(QWidget *owner = nullptr)
{
    W *window = loadWindow<W>();
    setWindowOwner(window, owner);
    bringForward(window);
    return window;
}

// Shows a window without owner, its frame's left edge at frameLeft (screen
// pixels), moved left as far as needed to stand whole on its screen; its top
// stays, kept on the screen as well.
void showAtLeft(QWidget *window, int frameLeft);

template <class W> W *showWindowAt(int frameLeft)
{
    W *window = loadWindow<W>();
    setWindowOwner(window, nullptr);
    showAtLeft(window, frameLeft);
    return window;
}

} // namespace ptt
