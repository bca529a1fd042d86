#pragma once
// Small helpers the windows share: control placement in twips, the look of
// the graphical buttons and text fields, the sunken border of picture boxes.
#include <QColor>
#include <QRect>
#include <QString>

class QComboBox;
class QPainter;
class QWidget;

namespace ptt {

// The colours the windows share: the dark green window background, the
// magenta toolbar strip, the light blue graphical buttons and the light green
// text fields.
inline const QColor kWindowGreen(0, 64, 0);
inline const QColor kStripColour(215, 21, 123);
inline const QColor kButtonColour(192, 192, 255);
inline const QColor kFieldColour(192, 255, 192);

// Places a control at a rectangle given in twips of its parent.
void placeTwips(QWidget *widget, double left, double top, double width, double height);

// Background and text colours of a button, text box or combo box.
void styleButton(QWidget *button, const QColor &background);
void styleTextField(QWidget *field, const QColor &background, const QColor &text);
void setBackground(QWidget *widget, const QColor &color);

// Lets a narrow combo box's list open wide enough to show its longest item.
void widenPopup(QComboBox *combo);

// The fixed single border: a sunken frame of the given width (1 or 2 px).
void drawSunkenBorder(QPainter &painter, const QRect &outer, int width);

} // namespace ptt
