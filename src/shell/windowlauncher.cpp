#include "windowlauncher.h"

#include "chessboard/frmchessboard.h"
#include "freelayout/form31.h"
#include "mainwindow/form30.h"
#include "map/frmmap.h"
#include "platform/windows.h"
#include "tools/form20.h"
#include "tools/form40.h"

namespace ptt {

void WindowLauncher::showMainWindow()
{
    showWindow<Form30>();
}

void WindowLauncher::showZoomViewer(QWidget *owner)
{
    showWindow<Form40>(owner);
}

QWidget *WindowLauncher::showCropCapture(QWidget *owner)
{
    return showWindow<Form20>(owner);
}

QWidget *WindowLauncher::showCropCaptureAt(int frameLeft)
{
    return showWindowAt<Form20>(frameLeft);
}

void WindowLauncher::showFreeLayout()
{
    showWindow<Form31>();
}

void WindowLauncher::showMapWindow()
{
    showWindow<frmMap>();
}

void WindowLauncher::showChessBoard()
{
    showWindow<frmChessBoard>();
}

} // namespace ptt
