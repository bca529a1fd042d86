#pragma once
// The rubber-band selection of the crop-capture tool, without any window:
// the press point, the rectangle kept normalized after every move, its size
// label and where the label stands. All coordinates are screen pixels
// (logical pixels of the virtual desktop).
#include "platform/screengrabber.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace ptt {

// left, top, right, bottom; covers columns left..right-1 and rows top..bottom-1.
struct ScreenRect {
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    QRect toQRect() const { return QRect(left, top, width(), height()); }
    bool operator==(const ScreenRect &o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// Swaps left/right when right < left, then top/bottom when bottom < top.
void NormalizeRect(ScreenRect &r);

// "WxH" with no spaces, e.g. "320x200".
QString selectionLabelText(const ScreenRect &r);

// Top-left of a label of the given extent centred on the rectangle's centre,
// halves rounded to even; it may stand out of a small rectangle.
QPoint selectionLabelPlace(const ScreenRect &r, QSize extent);

// Position of a pointer event as whole pixels (nearest, halves to even).
QPoint wholePixels(QPointF position);

class SelectionTracker {
public:
    void start(QPoint pressPoint);
    // Rectangle from the press point to the pointer, normalized.
    void moveTo(QPoint pointer);

    bool active() const { return m_active; }
    void finish() { m_active = false; }
    QPoint pressPoint() const { return m_press; }
    const ScreenRect &rect() const { return m_rect; }

private:
    QPoint m_press;
    ScreenRect m_rect;
    bool m_active = false;
};

// The grabbed pixels under a rectangle of screen pixels; a null image for an
// empty rectangle. Parts outside the desktop are left out.
QImage copyScreenRect(const DesktopGrab &grab, const ScreenRect &rect);

} // namespace ptt
