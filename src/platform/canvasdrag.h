#pragma once
// CanvasDrag: moves a control inside its window with the mouse, the way a
// window is moved by its title bar. A press starts the move; the control's
// top-left corner follows the pointer until the left button is released; that
// release is taken by the move and never reaches the control. The second press
// of a double-click starts no move, so its release reaches the control: that
// is how a double-click acts on a Canvas while a drag moves it.
#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

namespace ptt {

class CanvasDrag : public QObject {
    Q_OBJECT
public:
    // Installs the drag on a control; the object lives as long as the control.
    static CanvasDrag *attach(QWidget *control);

    bool isDragging() const { return m_dragging; }

signals:
    // A press on the control, before the move starts (any button).
    void pressed(Qt::MouseButton button);
    void moved(QPoint topLeft);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit CanvasDrag(QWidget *control);
    QWidget *m_control;
    bool m_dragging = false;
    bool m_swallowRelease = false;
    QPoint m_startGlobal;
    QPoint m_startPos;
};

} // namespace ptt
