#include "selection.h"

#include "platform/units.h"

#include <utility>

namespace ptt {

void NormalizeRect(ScreenRect &r)
{
    if (r.right < r.left)
        std::swap(r.left, r.right);
    if (r.bottom < r.top)
        std::swap(r.top, r.bottom);
}

QString selectionLabelText(const ScreenRect &r)
{
    return QString::number(r.width()) + QLatin1Char('x') + QString::number(r.height());
}

QPoint selectionLabelPlace(const ScreenRect &r, QSize extent)
{
    // 64-bit sums: the corners may be anywhere in the 32-bit range.
    const double x = (double(qint64(r.left) + r.right) - extent.width()) / 2.0;
    const double y = (double(qint64(r.top) + r.bottom) - extent.height()) / 2.0;
    return QPoint(roundHalfEvenInt(x), roundHalfEvenInt(y));
}

QPoint wholePixels(QPointF position)
{
    return QPoint(roundHalfEvenInt(position.x()), roundHalfEvenInt(position.y()));
}

void SelectionTracker::start(QPoint pressPoint)
{
    m_press = pressPoint;
    m_rect = ScreenRect{pressPoint.x(), pressPoint.y(), pressPoint.x(), pressPoint.y()};
    m_active = true;
}

void SelectionTracker::moveTo(QPoint pointer)
{
    m_rect = ScreenRect{m_press.x(), m_press.y(), pointer.x(), pointer.y()};
    NormalizeRect(m_rect);
}

} // namespace ptt
