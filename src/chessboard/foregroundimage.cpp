#include "foregroundimage.h"

#include "platform/units.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

namespace ptt {

ForegroundImage::ForegroundImage(int index, QWidget *board) : QWidget(board), m_index(index)
{
    setObjectName(QStringLiteral("Image1"));
    setProperty("Index", index);
    setMouseTracking(true);
    setToolTip(QStringLiteral("按住左键移动"));
}

void ForegroundImage::setPicture(const Picture &picture)
{
    m_picture = picture;
    update();
}

void ForegroundImage::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return; // an empty slot is transparent
    QPainter p(this);
    p.drawImage(QRect(QPoint(0, 0), m_picture.naturalSize), m_picture.image);
}

static QPointF twipsOf(const QMouseEvent *event)
{
    return event->position() * double(kTwipsPerPixel);
}

void ForegroundImage::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    emit pressed(m_index, event->button(), twipsOf(event));
}

void ForegroundImage::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click is a press like any other here.
    event->accept();
    emit pressed(m_index, event->button(), twipsOf(event));
}

void ForegroundImage::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    setToolTip(QStringLiteral("按住左键移动"));
    emit moved(m_index, event->buttons(), twipsOf(event));
}

void ForegroundImage::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    emit released(m_index, event->button(), twipsOf(event));
}

ShapeOutline::ShapeOutline(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeOutline::setBorderWidth(int pixels)
{
    m_width = qMax(1, pixels);
    update();
}

void ShapeOutline::setBorderColor(const QColor &color)
{
    m_color = color;
    update();
}

void ShapeOutline::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    const int w = qMin(m_width, qMin(r.width(), r.height()) / 2 + 1);
    p.fillRect(QRect(r.left(), r.top(), r.width(), w), m_color);
    p.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), m_color);
    p.fillRect(QRect(r.left(), r.top(), w, r.height()), m_color);
    p.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), m_color);
}

} // namespace ptt
