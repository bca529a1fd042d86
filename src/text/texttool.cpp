#include "texttool.h"

#include "platform/widgetstyle.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace ptt {

namespace {
const QColor kToolBlue(0, 0, 255);
}

TextToolControls buildTextTool(QWidget *strip, const TextToolLayout &layout)
{
    TextToolControls c;
    c.text = new QComboBox(strip);
    c.text->setObjectName(QStringLiteral("Combo1"));
    c.text->setEditable(true);
    c.text->setInsertPolicy(QComboBox::NoInsert);
    styleTextField(c.text, kFieldColour, kToolBlue);
    const QRectF &t = layout.text;
    placeTwips(c.text, t.left(), t.top(), t.width(), t.height());

    if (!layout.angleBar.isEmpty()) {
        c.angleBar = new QScrollBar(Qt::Horizontal, strip);
        c.angleBar->setObjectName(QStringLiteral("HScroll1"));
        c.angleBar->setRange(0, 360);
        c.angleBar->setSingleStep(1);
        c.angleBar->setPageStep(1);
        const QRectF &b = layout.angleBar;
        placeTwips(c.angleBar, b.left(), b.top(), b.width(), b.height());

        // Transparent on the strip.
        c.angleLabel = new QLabel(QStringLiteral("文字角度"), strip);
        c.angleLabel->setObjectName(QLatin1String(layout.angleLabelName));
        QPalette lp = c.angleLabel->palette();
        lp.setColor(QPalette::WindowText, kToolBlue);
        c.angleLabel->setPalette(lp);
        const QRectF &l = layout.angleLabel;
        placeTwips(c.angleLabel, l.left(), l.top(), l.width(), l.height());
    }

    c.fontButton = makeStripButton(strip, layout.fontButtonName, QStringLiteral("字体"), layout.fontButtonLeft,
                                   layout.buttonWidth);
    c.colorButton = makeStripButton(strip, layout.colorButtonName, QStringLiteral("文字颜色"), layout.colorButtonLeft,
                                    layout.buttonWidth);
    return c;
}

void showStampPrompt(QComboBox *text)
{
    text->setEditText(QStringLiteral("双击设置文字"));
    if (text->count() > 0) // an empty list has nothing to widen
        widenPopup(text);
    text->lineEdit()->setCursorPosition(0);
}

} // namespace ptt
