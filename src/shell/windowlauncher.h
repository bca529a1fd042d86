#pragma once
// The real navigator: the only code that knows every window. Each window
// exists once; see platform/windows.h.
#include "pageops/navigator.h"

namespace ptt {

class WindowLauncher : public Navigator {
public:
    void showMainWindow() override;
    void showZoomViewer(QWidget *owner) override;
    QWidget *showCropCapture(QWidget *owner) override;
    QWidget *showCropCaptureAt(int frameLeft) override;
    void showFreeLayout() override;
    void showMapWindow() override;
    void showChessBoard() override;
};

} // namespace ptt
