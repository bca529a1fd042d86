#include "textstamp.h"

#include "platform/canvas.h"
#include "platform/dialogs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

namespace ptt {

TextStamp::TextStamp(Canvas *canvas, QComboBox *text, QAbstractButton *fontButton, QAbstractButton *colorButton,
                     QScrollBar *angleBar, QLabel *angleLabel, CommonDialog &dialog)
    : QObject(canvas), m_canvas(canvas), m_text(text), m_angleBar(angleBar), m_angleLabel(angleLabel), m_dialog(dialog)
{
    setObjectName(QStringLiteral("TextStamp"));
    const FontDesc &start = canvas->canvasFont();
    m_textFont.setLogFont(&start);

    if (text) {
        connect(text, qOverload<int>(&QComboBox::activated), this, [this](int index) {
            if (m_text && index >= 0)
                m_text->setEditText(m_text->itemText(index));
        });
    }
    if (fontButton)
        connect(fontButton, &QAbstractButton::clicked, this, &TextStamp::ChooseFont);
    if (colorButton)
        connect(colorButton, &QAbstractButton::clicked, this, &TextStamp::ChooseColor);
    if (angleBar) {
        // The label shows its "&" as an access key only with a buddy; the key
        // takes the focus to the bar.
        if (angleLabel)
            angleLabel->setBuddy(angleBar);
        connect(angleBar, &QScrollBar::valueChanged, this, &TextStamp::angleChanged);
        connect(angleBar, &QScrollBar::sliderMoved, this, &TextStamp::showAngle);
        connect(angleBar, &QScrollBar::sliderReleased, this, [this] { angleChanged(m_angleBar->value()); });
    }
    connect(canvas, &Canvas::mouseReleased, this, [this](Qt::MouseButton, QPointF pos) { Stamp(pos); });
}

TextStamp::TextStamp(Canvas *canvas, const TextToolControls &controls, CommonDialog &dialog)
    : TextStamp(canvas, controls.text, controls.fontButton, controls.colorButton, controls.angleBar,
                controls.angleLabel, dialog)
{
}

QString TextStamp::angleCaption(int degrees)
{
    return QStringLiteral("&文字角度 (%1)").arg(degrees);
}

void TextStamp::showAngle(int value)
{
    if (m_angleLabel)
        m_angleLabel->setText(angleCaption(value));
}

void TextStamp::angleChanged(int value)
{
    showAngle(value);
    // While the thumb is dragged only the label follows; the turned font is
    // rebuilt once, at the release.
    if (m_angleBar && m_angleBar->isSliderDown())
        return;
    m_textFont.setRotation(float(value));
}

void TextStamp::ChooseFont()
{
    if (!m_dialog.showFont())
        return;
    const FontDesc &chosen = m_dialog.font;
    FontDesc font = m_canvas->canvasFont();
    font.bold = chosen.bold;
    font.weight = chosen.bold ? 700 : 400;
    font.italic = chosen.italic;
    font.name = chosen.name;
    font.size = FontDesc::roundSize(chosen.size);
    font.strikethrough = chosen.strikethrough;
    font.underline = chosen.underline;
    m_canvas->setCanvasFont(font);
}

void TextStamp::ChooseColor()
{
    if (!m_dialog.showColor())
        return;
    m_canvas->setForeColor(m_dialog.color);
}

void TextStamp::Stamp(QPointF pos)
{
    // Rebuilt on every stamp so a font chosen since the last one is used.
    const FontDesc &font = m_canvas->canvasFont();
    m_textFont.setLogFont(&font);
    const QString text = m_text ? m_text->currentText() : QString();
    if (text.isEmpty())
        return;
    drawStampText(m_canvas->image(), m_canvas->toPixels(pos), text, m_textFont.Handle(), font, m_canvas->foreColor());
    m_canvas->update();
}

void drawStampText(QImage &image, const QPointF &origin, const QString &text, FontHandle handle,
                   const FontDesc &fallback, const QColor &color)
{
    if (image.isNull() || text.isEmpty())
        return;
    QFont font;
    double angle = 0;
    if (const RotatedFont *turned = FontHandles::find(handle)) {
        font = turned->font;
        angle = turned->angle;
    } else {
        font = fontFromRecord(makeLogFontRecord(fallback, 0, screenDpiY()), fallback.name);
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setBackgroundMode(Qt::TransparentMode);
    p.setPen(color);
    p.setFont(font);
    p.translate(origin);
    // The painter turns clockwise on the screen; the angle is counterclockwise.
    p.rotate(-angle);
    const QFontMetricsF metrics(p.font(), &image);
    p.drawText(QPointF(0, metrics.ascent()), text);
}

} // namespace ptt
