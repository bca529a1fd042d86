#pragma once
// The text tool's controls on a window's toolbar strip, built alike in every
// window that stamps text: the text box, the angle bar and its label (where
// the window has them), the font and colour buttons. TextStamp wires them up.
#include <QRectF>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QWidget;

namespace ptt {

// Places in twips of the strip.
struct TextToolLayout {
    QRectF text;
    QRectF angleBar; // empty: the window has no angle bar and no label
    QRectF angleLabel;
    const char *angleLabelName = nullptr;
    const char *fontButtonName = nullptr;
    const char *colorButtonName = nullptr;
    double fontButtonLeft = 0;
    double colorButtonLeft = 0;
    double buttonWidth = 0;
};

struct TextToolControls {
    QComboBox *text = nullptr;      // Combo1
    QScrollBar *angleBar = nullptr; // HScroll1, or none
    QLabel *angleLabel = nullptr;   // or none
    QPushButton *fontButton = nullptr;
    QPushButton *colorButton = nullptr;
};

// Created in this order, which is also their Tab order.
TextToolControls buildTextTool(QWidget *strip, const TextToolLayout &layout);

// Shows the prompt "双击设置文字" in the text box, with its start in view, and
// lets the list open as wide as its longest item; call it once the items are in.
void showStampPrompt(QComboBox *text);

} // namespace ptt
