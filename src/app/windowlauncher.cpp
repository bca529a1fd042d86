#include "windowlauncher.h"

#include "form30.h"
#include "map/frmmap.h"
#include "platform/windows.h"

namespace ptt {

void showMainWindow()
{
    showWindow<Form30>();
}

void showMapWindow()
{
    showWindow<frmMap>();
}

// Windows not built yet have nothing to show.
void showZoomViewer(QWidget *) {}
void showCropCapture(QWidget *) {}
void showFreeLayout() {}
void showChessBoard() {}

} // namespace ptt
