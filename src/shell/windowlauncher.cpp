#include "windowlauncher.h"

#include "mainwindow/form30.h"
#include "chessboard/frmchessboard.h"
#include "freelayout/form31.h"
#include "map/frmmap.h"
#include "platform/windows.h"
#include "tools/form20.h"
#include "tools/form40.h"

namespace ptt {

void showMainWindow()
{
    showWindow<Form30>();
}

void showZoomViewer(QWidget *owner)
{
    showWindow<Form40>(owner);
}

QWidget *showCropCapture(QWidget *owner)
{
    return showWindow<Form20>(owner);
}

void showFreeLayout()
{
    showWindow<Form31>();
}

void showMapWindow()
{
    showWindow<frmMap>();
}

void showChessBoard()
{
    showWindow<frmChessBoard>();
}

} // namespace ptt
