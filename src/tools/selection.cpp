#include "selection.h"

#include "platform/units.h"

#include <cmath>
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

QImage copyScreenRect(const DesktopGrab &grab, const ScreenRect &rect)
{
    if (rect.isEmpty() || grab.isNull())
        return QImage();
    const QRect logical = rect.toQRect().intersected(grab.geometry);
    if (logical.isEmpty())
        return QImage();
    const qreal r = grab.devicePixelRatio;
    const QPoint o = grab.geometry.topLeft();
    const int x0 = int(std::floor((logical.left() - o.x()) * r));
    const int y0 = int(std::floor((logical.top() - o.y()) * r));
    const int x1 = int(std::ceil((logical.left() + logical.width() - o.x()) * r));
    const int y1 = int(std::ceil((logical.top() + logical.height() - o.y()) * r));
    QImage pixels = grab.image.copy(QRect(x0, y0, x1 - x0, y1 - y0).intersected(grab.image.rect()));
    pixels.setDevicePixelRatio(1.0);
    return pixels;
}

} // namespace ptt
