#include "widgetstyle.h"

#include "units.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPainter>
#include <QPushButton>
#include <QWidget>

namespace ptt {

void placeTwips(QWidget *widget, double left, double top, double width, double height)
{
    widget->setGeometry(twipsToPixels(left, top, width, height));
}

QWidget *makeStrip(QWidget *parent, const char *name)
{
    auto *strip = new QWidget(parent);
    strip->setObjectName(QLatin1String(name));
    setBackground(strip, kStripColour);
    return strip;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                        const QColor &colour)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    styleButton(b, colour);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QPushButton *makeStripButton(QWidget *parent, const char *name, const QString &caption, double leftTwips,
                             double widthTwips, const QString &tip)
{
    QPushButton *b = makeButton(parent, name, caption, twipsToPixels(leftTwips, 0, widthTwips, 315));
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

static QString rgb(const QColor &c)
{
    return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

void styleButton(QWidget *button, const QColor &background)
{
    const QColor pressed = background.darker(115);
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: black;"
                                         " border: 1px solid rgb(96,96,160); border-radius: 2px; padding: 0px; }"
                                         " QPushButton:hover { border-color: rgb(40,40,120); }"
                                         " QPushButton:pressed { background-color: %2; }"
                                         " QPushButton:disabled { color: rgb(128,128,128); }")
                              .arg(rgb(background), rgb(pressed)));
}

void styleTextField(QWidget *field, const QColor &background, const QColor &text)
{
    QPalette p = field->palette();
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, background);
    p.setColor(QPalette::ButtonText, text);
    field->setPalette(p);
}

void setBackground(QWidget *widget, const QColor &color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, color);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

void widenPopup(QComboBox *combo)
{
    const QFontMetrics metrics(combo->view()->font());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = qMax(widest, metrics.horizontalAdvance(combo->itemText(i)));
    // Room for the frame and a scroll bar.
    combo->view()->setMinimumWidth(widest + 40);
}

void drawSunkenBorder(QPainter &painter, const QRect &outer, int width)
{
    const QColor shades[4] = {QColor(128, 128, 128), QColor(64, 64, 64), QColor(255, 255, 255), QColor(212, 208, 200)};
    for (int i = 0; i < qMin(width, 2); ++i) {
        const QRect r = outer.adjusted(i, i, -i, -i); // QRect::right() is already the last column
        painter.setPen(shades[i]);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(shades[i + 2]);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }
}

} // namespace ptt
