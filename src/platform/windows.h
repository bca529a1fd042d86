#pragma once
// Window lifecycle: every window exists at most once. Showing a window loads
// it (runs its constructor, which does the window's load steps) if it is not
// loaded, and otherwise brings the loaded one forward with its state. The
// close box unloads it (deletes it); hiding keeps it. A window shown with an
// owner stays in front of that owner.
#include <QPointer>
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
