#include "windowlauncher.h"

#include "form30.h"
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

void showCropCapture(QWidget *owner)
{
    showWindow<Form20>(owner);
}

// Windows not built yet have nothing to show.
void showFreeLayout() {}
void showMapWindow() {}
void showChessBoard() {}

} // namespace ptt
