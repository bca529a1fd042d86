#pragma once
// Widgets that lie over the chessboard's board: a foreground slot (one entry
// of the Image1 control array) and the selection frame Shape1.
#include "platform/picture.h"

#include <QColor>
#include <QWidget>

namespace ptt {

// Shows a picture at its natural size, never stretched, and reports the
// mouse in twips relative to its own top-left corner. It takes every press,
// so a press on a foreground never reaches the board beneath.
class ForegroundImage : public QWidget {
    Q_OBJECT
public:
    ForegroundImage(int index, QWidget *board);

    int index() const { return m_index; }
    void setPicture(const Picture &picture);
    const Picture &picture() const { return m_picture; }

signals:
    void pressed(int index, Qt::MouseButton button, QPointF twips);
    void moved(int index, Qt::MouseButtons buttons, QPointF twips);
    void released(int index, Qt::MouseButton button, QPointF twips);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int m_index;
    Picture m_picture;
};

// A rectangle outline of a given width drawn inside its bounds; the mouse
// passes through it.
class ShapeOutline : public QWidget {
    Q_OBJECT
public:
    explicit ShapeOutline(QWidget *parent);
    void setBorderWidth(int pixels);
    int borderWidth() const { return m_width; }
    void setBorderColor(const QColor &color);
    QColor borderColor() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_width = 1;
    QColor m_color = Qt::black;
};

} // namespace ptt
