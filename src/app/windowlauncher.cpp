#include "windowlauncher.h"

#include "form30.h"

#include "chessboard/frmchessboard.h"
#include "platform/windows.h"

namespace ptt {

void showMainWindow()
{
    showWindow<Form30>();
}

// Windows not built yet have nothing to show.
void showZoomViewer(QWidget *) {}
void showCropCapture(QWidget *) {}
void showFreeLayout() {}
void showMapWindow() {}

void showChessBoard()
{
    showWindow<frmChessBoard>();
}

} // namespace ptt
