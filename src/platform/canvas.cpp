#include "canvas.h"

#include "memorybudget.h"
#include "widgetstyle.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cstring>

namespace ptt {

Canvas::Canvas(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    m_image = QImage(1, 1, QImage::Format_RGB32);
    m_image.fill(m_backColor);
}

void Canvas::setBorderWidth(int pixels)
{
    m_border = qMax(0, pixels);
    syncImageSize();
    update();
}

void Canvas::setBackColor(const QColor &color)
{
    m_backColor = color;
    m_image.fill(color);
    update();
}

bool Canvas::reallocate(const QSize &inner)
{
    const QSize target(qMax(1, inner.width()), qMax(1, inner.height()));
    if (target == m_image.size())
        return true;
    // The old image is still held while the new one is filled from it.
    const qint64 newBytes = qint64(target.width()) * target.height() * 4;
    if (!MemoryBudget::fits(m_image.sizeInBytes() + newBytes))
        return false;
    QImage next(target, QImage::Format_RGB32);
    if (next.isNull())
        return false;
    next.fill(m_backColor);
    const int rows = qMin(target.height(), m_image.height());
    const qsizetype bytes = qsizetype(qMin(target.width(), m_image.width())) * 4;
    for (int y = 0; y < rows; ++y)
        std::memcpy(next.scanLine(y), m_image.constScanLine(y), size_t(bytes));
    m_image = std::move(next);
    return true;
}

void Canvas::syncImageSize()
{
    // If memory runs out the image keeps its old size and the rest of the
    // widget shows the window colour.
    reallocate(QSize(width() - 2 * m_border, height() - 2 * m_border));
}

bool Canvas::setOuterSize(const QSize &outer)
{
    return setOuterGeometry(QRect(pos(), outer));
}

bool Canvas::setOuterGeometry(const QRect &outer)
{
    if (!reallocate(QSize(outer.width() - 2 * m_border, outer.height() - 2 * m_border)))
        return false;
    setGeometry(outer);
    return true;
}

bool Canvas::setInnerSize(const QSize &inner)
{
    return setOuterSize(QSize(inner.width() + 2 * m_border, inner.height() + 2 * m_border));
}

bool Canvas::setPicture(const Picture &picture)
{
    if (m_autoSize && !picture.isNull() && !setInnerSize(picture.naturalSize))
        return false;
    m_picture = picture;
    m_image.fill(m_backColor);
    if (!picture.isNull()) {
        QPainter p(&m_image);
        p.drawImage(QRect(QPoint(0, 0), picture.naturalSize), picture.image);
    }
    update();
    return true;
}

void Canvas::clear()
{
    m_image.fill(m_backColor);
    update();
}

QPointF Canvas::innerPos(const QPointF &widgetPos) const
{
    return toScale(widgetPos - QPointF(m_border, m_border));
}

void Canvas::paintEvent(QPaintEvent *event)
{
    syncImageSize();
    QPainter p(this);
    const QRect inner(m_border, m_border, m_image.width(), m_image.height());
    // Only the exposed part: the image may be tens of millions of pixels.
    for (const QRect &r : event->region()) {
        const QRect part = r & inner;
        if (!part.isEmpty())
            p.drawImage(part.topLeft(), m_image, part.translated(-m_border, -m_border));
        const QRegion outside = QRegion(r) - inner;
        for (const QRect &o : outside)
            p.fillRect(o, palette().window());
    }
    drawSunkenBorder(p, rect(), m_border);
}

void Canvas::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    syncImageSize();
    emit resized();
}

void Canvas::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event->button(), innerPos(event->position()));
}

void Canvas::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseReleased(event->button(), innerPos(event->position()));
}

void Canvas::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event->buttons(), innerPos(event->position()));
}

void Canvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit mouseDoubleClicked(event->button(), innerPos(event->position()));
}

} // namespace ptt
