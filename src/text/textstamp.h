#pragma once
// TextStamp: the text tool a layout window owns. It wires the window's text
// field, font and colour buttons and (optional) angle bar and label to the
// window's Canvas and stamps the current text where a button is released on
// the Canvas. The Canvas's drag swallows every release except the one of a
// double-click's second press, so in use a double-click stamps.
#include "clogfont.h"
#include "texttool.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>

class QAbstractButton;
class QComboBox;
class QLabel;
class QScrollBar;

namespace ptt {

class Canvas;
class CommonDialog;

class TextStamp : public QObject {
    Q_OBJECT
public:
    // angleBar and angleLabel may be null (no angle: every stamp is
    // horizontal). The tool is a child of the canvas and lives as long as it.
    TextStamp(Canvas *canvas, QComboBox *text, QAbstractButton *fontButton, QAbstractButton *colorButton,
              QScrollBar *angleBar, QLabel *angleLabel, CommonDialog &dialog);
    // Over the controls buildTextTool made.
    TextStamp(Canvas *canvas, const TextToolControls &controls, CommonDialog &dialog);

    CLogFont &TextFont() { return m_textFont; }
    const CLogFont &TextFont() const { return m_textFont; }

    // The label caption for an angle: "&" marks the access key.
    static QString angleCaption(int degrees);

public slots:
    // pos in the Canvas's scale units (pixels or twips).
    void Stamp(QPointF pos);
    void ChooseFont();
    void ChooseColor();

private:
    void angleChanged(int value);
    void showAngle(int value);

    Canvas *m_canvas;
    QPointer<QComboBox> m_text;
    QPointer<QScrollBar> m_angleBar;
    QPointer<QLabel> m_angleLabel;
    CommonDialog &m_dialog;
    CLogFont m_textFont;
};

// Draws text into an image with its reference point, the top-left corner of
// the first character cell, at origin (pixels), turned counterclockwise by
// the handle's angle. Handle 0 draws unturned in fallback.
void drawStampText(QImage &image, const QPointF &origin, const QString &text, FontHandle handle,
                   const FontDesc &fallback, const QColor &color);

} // namespace ptt
