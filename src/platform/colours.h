#pragma once
// The colours the windows share, without widgets, so the headless page
// renderers draw with the same ones.
#include <QColor>

namespace ptt {

// The dark green window background, the magenta toolbar strip, the light
// blue graphical buttons and the light green text fields.
inline const QColor kWindowGreen(0, 64, 0);
inline const QColor kStripColour(215, 21, 123);
inline const QColor kButtonColour(192, 192, 255);
inline const QColor kFieldColour(192, 255, 192);
// The light green of the layout pages (the chessboard's board, the free
// layout page) and the map's grid lines.
inline const QColor kPageGreen(162, 200, 89);
// The pink of the free layout's regions and the map's load buttons.
inline const QColor kPink(255, 192, 255);

} // namespace ptt
