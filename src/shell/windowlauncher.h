#pragma once
// Showing the program's windows from the buttons of other windows. Each
// window exists once; see platform/windows.h.
class QWidget;

namespace ptt {

void showMainWindow();
void showZoomViewer(QWidget *owner);
// Returns the tool window, or nullptr when it cannot be shown.
QWidget *showCropCapture(QWidget *owner);
void showFreeLayout();
void showMapWindow();
void showChessBoard();

} // namespace ptt
