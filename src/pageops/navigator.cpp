#include "navigator.h"

namespace ptt {

namespace {

class NullNavigator : public Navigator {
public:
    void showMainWindow() override {}
    void showZoomViewer(QWidget *) override {}
    QWidget *showCropCapture(QWidget *) override { return nullptr; }
    QWidget *showCropCaptureAt(int) override { return nullptr; }
    void showFreeLayout() override {}
    void showMapWindow() override {}
    void showChessBoard() override {}
};

Navigator *&current()
{
    static Navigator *navigator = nullptr;
    return navigator;
}

} // namespace

Navigator &Navigator::instance()
{
    static NullNavigator none;
    return current() ? *current() : none;
}

void Navigator::setInstance(Navigator *navigator)
{
    current() = navigator;
}

} // namespace ptt
