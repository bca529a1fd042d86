#include "foregroundlayer.h"

#include <QPaintEvent>
#include <QPainter>

namespace ptt {

ForegroundLayer::ForegroundLayer(const BoardModel &model, QWidget *board) : QWidget(board), m_model(model)
{
    setObjectName(QStringLiteral("Image1"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    refreshAll();
}

QRect ForegroundLayer::computeRect(int index) const
{
    if (index >= m_model.ForegroundCount() || index >= m_model.slotCount())
        return QRect();
    return slotPixelRect(m_model.slot(index));
}

int ForegroundLayer::slotAt(QPoint boardPixel) const
{
    for (int i = int(m_rects.size()) - 1; i >= 0; --i)
        if (m_rects[i].contains(boardPixel))
            return i;
    return -1;
}

void ForegroundLayer::slotAdded(int index)
{
    while (m_rects.size() <= index)
        m_rects.append(QRect());
    slotChanged(index);
}

void ForegroundLayer::slotChanged(int index)
{
    if (index < 0 || index >= m_rects.size())
        return;
    const QRect old = m_rects[index];
    const QRect now = computeRect(index);
    m_rects[index] = now;
    if (m_batch == 0 && old != now)
        update(QRegion(old) + QRegion(now));
    else if (m_batch == 0)
        update(now);
}

void ForegroundLayer::slotRemoved(int index)
{
    if (index < 0 || index >= m_rects.size())
        return;
    if (m_batch == 0)
        update(m_rects[index]);
    m_rects.remove(index);
}

void ForegroundLayer::refreshAll()
{
    const int n = qMax(1, m_model.slotCount());
    m_rects.resize(n);
    for (int i = 0; i < n; ++i)
        m_rects[i] = computeRect(i);
    update();
}

void ForegroundLayer::endBatch()
{
    if (m_batch > 0 && --m_batch == 0)
        update();
}

void ForegroundLayer::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const int n = qMin(int(m_rects.size()), m_model.slotCount());
    drawForegrounds(
        p, event->rect(), n, [this](int i) { return m_rects[i]; }, [this](int i) { return &m_model.slot(i).picture; });
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
