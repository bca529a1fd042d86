#include "snapoverlay.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

namespace ptt {

SnapOverlay::SnapOverlay(const DesktopGrab &grab, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_grab(grab)
{
    setObjectName(QStringLiteral("SnapOverlay"));
    // Not shown (no frame), but names the window for the window list and for scripts.
    setWindowTitle(QStringLiteral("剪裁抓图选择"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void SnapOverlay::present()
{
    setGeometry(m_grab.geometry);
    if (QGuiApplication::screens().size() <= 1) {
        showFullScreen();
    } else {
        // One window over every screen: the window manager must not fit it to one.
        setWindowFlag(Qt::X11BypassWindowManagerHint);
        show();
    }
    raise();
    activateWindow();
}

void SnapOverlay::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    grabMouse(Qt::CrossCursor);
    grabKeyboard();
}

QPoint SnapOverlay::toScreen(QPointF local) const
{
    // The overlay stands where the grabbed desktop does.
    return wholePixels(local + QPointF(m_grab.geometry.topLeft()));
}

QRect SnapOverlay::labelRect(const ScreenRect &rect) const
{
    const QFontMetrics fm(font());
    const QString text = selectionLabelText(rect);
    const QSize extent(fm.horizontalAdvance(text), fm.height());
    return QRect(selectionLabelPlace(rect, extent), extent);
}

QRegion SnapOverlay::selectionRegion(const ScreenRect &rect) const
{
    if (rect.isEmpty())
        return QRegion();
    const QRect r = rect.toQRect().translated(-m_grab.geometry.topLeft());
    QRegion region;
    region += QRect(r.left() - 1, r.top() - 1, r.width() + 2, 3);
    region += QRect(r.left() - 1, r.bottom() - 1, r.width() + 2, 3);
    region += QRect(r.left() - 1, r.top() - 1, 3, r.height() + 2);
    region += QRect(r.right() - 1, r.top() - 1, 3, r.height() + 2);
    region += labelRect(rect).translated(-m_grab.geometry.topLeft()).adjusted(-3, -3, 3, 3);
    return region;
}

void SnapOverlay::setSelection(const ScreenRect &rect)
{
    if (rect == m_rect)
        return;
    const QRegion dirty = selectionRegion(m_rect) + selectionRegion(rect);
    m_rect = rect;
    update(dirty);
}

void SnapOverlay::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const qreal ratio = m_grab.devicePixelRatio;
    for (const QRect &area : event->region()) {
        const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio);
        p.drawImage(QRectF(area), m_grab.image, source);
    }
    if (m_rect.isEmpty())
        return;

    const QRect r = m_rect.toQRect().translated(-m_grab.geometry.topLeft());
    // A two-tone dashed line shows on any background.
    const QRect outline(r.left(), r.top(), r.width() - 1, r.height() - 1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 0));
    p.drawRect(outline);
    QPen dashes(Qt::white, 0);
    dashes.setDashPattern({4, 4});
    p.setPen(dashes);
    p.drawRect(outline);

    // White text on a dark box reads on dark and light pictures alike.
    const QRect label = labelRect(m_rect).translated(-m_grab.geometry.topLeft());
    p.fillRect(label.adjusted(-2, -1, 2, 1), QColor(0, 0, 0, 170));
    p.setPen(Qt::white);
    p.drawText(label, Qt::AlignCenter, selectionLabelText(m_rect));
}

void SnapOverlay::mousePressEvent(QMouseEvent *event)
{
    emit pressed(event->button(), toScreen(event->position()));
}

void SnapOverlay::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A quick second click is a press like any other here.
    emit pressed(event->button(), toScreen(event->position()));
}

void SnapOverlay::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(toScreen(event->position()));
}

void SnapOverlay::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(event->button(), toScreen(event->position()));
}

void SnapOverlay::keyPressEvent(QKeyEvent *event)
{
    // No key ends or cancels a capture.
    event->accept();
}

} // namespace ptt
