#include "windowlauncher.h"

#include "form30.h"
#include "freelayout/form31.h"
#include "map/frmmap.h"
#include "platform/windows.h"

namespace ptt {

void showMainWindow()
{
    showWindow<Form30>();
}

void showFreeLayout()
{
    showWindow<Form31>();
}

void showMapWindow()
{
    showWindow<frmMap>();
}

// Windows not built yet have nothing to show.
void showZoomViewer(QWidget *) {}
QWidget *showCropCapture(QWidget *) { return nullptr; }
void showChessBoard() {}

} // namespace ptt
