#pragma once
// How a window asks for another window without knowing it. The shell installs
// the real navigator at start; tests install one that records the requests.
// With none installed every request does nothing.
class QWidget;

namespace ptt {

class Navigator {
public:
    virtual ~Navigator() = default;

    virtual void showMainWindow() = 0;
    // owner: the window the viewer stays in front of, or nullptr.
    virtual void showZoomViewer(QWidget *owner) = 0;
    // Returns the tool window, or nullptr when it cannot be shown.
    virtual QWidget *showCropCapture(QWidget *owner) = 0;
    // The same without owner, its frame's left edge at frameLeft (screen
    // pixels), moved left as far as needed to stand whole on the screen.
    virtual QWidget *showCropCaptureAt(int frameLeft) = 0;
    virtual void showFreeLayout() = 0;
    virtual void showMapWindow() = 0;
    virtual void showChessBoard() = 0;

    static Navigator &instance();
    // Installs a navigator (not owned); nullptr restores the one that does nothing.
    static void setInstance(Navigator *navigator);
};

} // namespace ptt
