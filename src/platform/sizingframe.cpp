#include "sizingframe.h"

#include "canvas.h"

#include <QMouseEvent>
#include <QWidget>

#include <utility>

namespace ptt {

SizingFrame::SizingFrame(QWidget *control) : QObject(control), m_control(control)
{
    control->setMouseTracking(true);
    control->installEventFilter(this);
}

SizingFrame *SizingFrame::attach(QWidget *control)
{
    return new SizingFrame(control);
}

Qt::Edges SizingFrame::edgesAt(const QRect &r, const QPoint &p)
{
    Qt::Edges edges;
    if (!r.contains(p))
        return edges;
    if (p.x() < r.left() + kWidth)
        edges |= Qt::LeftEdge;
    if (p.x() > r.right() - kWidth)
        edges |= Qt::RightEdge;
    if (p.y() < r.top() + kWidth)
        edges |= Qt::TopEdge;
    if (p.y() > r.bottom() - kWidth)
        edges |= Qt::BottomEdge;
    return edges;
}

void SizingFrame::updateCursor(const QPoint &pos)
{
    const Qt::Edges e = edgesAt(m_control->rect(), pos);
    Qt::CursorShape shape = Qt::ArrowCursor;
    if ((e & Qt::LeftEdge && e & Qt::TopEdge) || (e & Qt::RightEdge && e & Qt::BottomEdge))
        shape = Qt::SizeFDiagCursor;
    else if ((e & Qt::RightEdge && e & Qt::TopEdge) || (e & Qt::LeftEdge && e & Qt::BottomEdge))
        shape = Qt::SizeBDiagCursor;
    else if (e & (Qt::LeftEdge | Qt::RightEdge))
        shape = Qt::SizeHorCursor;
    else if (e & (Qt::TopEdge | Qt::BottomEdge))
        shape = Qt::SizeVerCursor;
    if (e) {
        if (!m_cursorSet || m_control->cursor().shape() != shape)
            m_control->setCursor(shape);
        m_cursorSet = true;
    } else if (m_cursorSet) {
        m_control->unsetCursor();
        m_cursorSet = false;
    }
}

bool SizingFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_control)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        const Qt::Edges edges = edgesAt(m_control->rect(), e->position().toPoint());
        if (!edges)
            return false;
        if (e->button() == Qt::LeftButton) {
            m_edges = edges;
            m_resizing = true;
            m_refused = false;
            m_startGlobal = e->globalPosition().toPoint();
            m_startGeometry = m_control->geometry();
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (!m_resizing) {
            if (e->buttons() == Qt::NoButton)
                updateCursor(e->position().toPoint());
            return false;
        }
        const QPoint d = e->globalPosition().toPoint() - m_startGlobal;
        QRect g = m_startGeometry;
        const int minimum = 2 * kWidth + 8;
        if (m_edges & Qt::LeftEdge)
            g.setLeft(qMin(g.left() + d.x(), g.right() - minimum));
        if (m_edges & Qt::RightEdge)
            g.setRight(qMax(g.right() + d.x(), g.left() + minimum));
        if (m_edges & Qt::TopEdge)
            g.setTop(qMin(g.top() + d.y(), g.bottom() - minimum));
        if (m_edges & Qt::BottomEdge)
            g.setBottom(qMax(g.bottom() + d.y(), g.top() + minimum));
        if (g == m_control->geometry())
            return true;
        // A Canvas refuses a size whose image the memory cannot hold: the
        // control stays at the last size it took.
        auto *canvas = qobject_cast<Canvas *>(m_control);
        if (canvas && !canvas->setOuterGeometry(g)) {
            m_refused = true;
            return true;
        }
        if (!canvas)
            m_control->setGeometry(g);
        emit resized();
        return true;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (m_resizing) {
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
                m_resizing = false;
                // Told once the button is up, not in the middle of the drag.
                if (std::exchange(m_refused, false))
                    emit refused();
            }
            return true;
        }
        return bool(edgesAt(m_control->rect(), static_cast<QMouseEvent *>(event)->position().toPoint()));
    case QEvent::Leave:
        if (m_cursorSet && !m_resizing) {
            m_control->unsetCursor();
            m_cursorSet = false;
        }
        return false;
    default:
        return false;
    }
}

} // namespace ptt
