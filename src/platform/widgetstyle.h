#pragma once
// Small helpers the windows share: control placement in twips, the toolbar
// strips and their buttons, the look of the graphical buttons and text fields,
// the sunken border of picture boxes.
#include "colours.h"

#include <QColor>
#include <QRect>
#include <QString>

class QComboBox;
class QPainter;
class QPushButton;
class QWidget;

namespace ptt {

// Places a control at a rectangle given in twips of its parent.
void placeTwips(QWidget *widget, double left, double top, double width, double height);

// A toolbar strip: an empty control in kStripColour that the window places.
QWidget *makeStrip(QWidget *parent, const char *name);

// A graphical button of a toolbar, at a place in pixels of its parent: Tab
// reaches it, a click leaves the focus where it was.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                        const QColor &colour = kButtonColour);
// The same on a strip in twips: at its top, 315 twips high, with a tooltip if given.
QPushButton *makeStripButton(QWidget *parent, const char *name, const QString &caption, double leftTwips,
                             double widthTwips, const QString &tip = QString());

// Background and text colours of a button, text box or combo box.
void styleButton(QWidget *button, const QColor &background);
void styleTextField(QWidget *field, const QColor &background, const QColor &text);
void setBackground(QWidget *widget, const QColor &color);

// Lets a narrow combo box's list open wide enough to show its longest item.
void widenPopup(QComboBox *combo);

// The fixed single border: a sunken frame of the given width (1 or 2 px).
void drawSunkenBorder(QPainter &painter, const QRect &outer, int width);

} // namespace ptt
