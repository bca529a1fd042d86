#include "picturebox.h"

#include "widgetstyle.h"
#include <QMouseEvent>

#include <QPaintEvent>
#include <QPainter>

namespace ptt {

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPicture(const Picture &picture)
{
    m_picture = picture;
    fitToPicture();
    update();
}

void PictureBox::setAutoSize(bool on)
{
    m_autoSize = on;
    fitToPicture();
}

void PictureBox::setBorderWidth(int pixels)
{
    m_border = qMax(0, pixels);
    fitToPicture();
    update();
}

void PictureBox::setBackColor(const QColor &color)
{
    m_backColor = color;
    update();
}

void PictureBox::setStretch(bool on)
{
    m_stretch = on;
    update();
}

void PictureBox::fitToPicture()
{
    if (m_autoSize && !m_picture.isNull())
        resize(m_picture.naturalSize + QSize(2 * m_border, 2 * m_border));
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect inner = rect().adjusted(m_border, m_border, -m_border, -m_border);
    p.fillRect(event->rect(), m_backColor);
    if (!m_picture.isNull()) {
        p.setClipRect(inner & event->rect());
        if (m_stretch) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(inner, m_picture.image);
        } else {
            p.drawImage(QRect(inner.topLeft(), m_picture.naturalSize), m_picture.image);
        }
        p.setClipping(false);
    }
    drawSunkenBorder(p, rect(), m_border);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_pressed && rect().contains(event->position().toPoint()))
        emit clicked(event->button());
    m_pressed = false;
}

} // namespace ptt
