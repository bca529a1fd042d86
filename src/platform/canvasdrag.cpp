#include "canvasdrag.h"

#include <QMouseEvent>
#include <QWidget>

namespace ptt {

CanvasDrag::CanvasDrag(QWidget *control) : QObject(control), m_control(control)
{
    control->installEventFilter(this);
}

CanvasDrag *CanvasDrag::attach(QWidget *control)
{
    return new CanvasDrag(control);
}

bool CanvasDrag::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_control)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        // Every press belongs to the move; only the left button moves.
        m_swallowRelease = true;
        emit pressed(e->button());
        if (e->button() == Qt::LeftButton) {
            m_dragging = true;
            m_startGlobal = e->globalPosition().toPoint();
            m_startPos = m_control->pos();
        }
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_dragging)
            return false;
        auto *e = static_cast<QMouseEvent *>(event);
        if (!(e->buttons() & Qt::LeftButton))
            return true;
        const QPoint to = m_startPos + (e->globalPosition().toPoint() - m_startGlobal);
        if (to != m_control->pos()) {
            m_control->move(to);
            emit moved(to);
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (!m_swallowRelease)
            return false; // the release of a double-click's second press
        if (m_dragging && e->button() != Qt::LeftButton)
            return true; // the move follows the left button only
        if (e->buttons() == Qt::NoButton || e->button() == Qt::LeftButton) {
            m_dragging = false;
            m_swallowRelease = false;
        }
        return true;
    }
    case QEvent::MouseButtonDblClick:
        // No move for the second press; its release goes to the control.
        m_dragging = false;
        m_swallowRelease = false;
        return false;
    default:
        return false;
    }
}

} // namespace ptt
