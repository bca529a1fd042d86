#pragma once
// A sizing border for a child control: a frame around the control that the
// user drags to resize it, as a window is resized by its edges. Presses on the
// frame never reach the control or its other event filters.
#include <QObject>
#include <QPoint>
#include <QRect>

class QWidget;

namespace ptt {

class SizingFrame : public QObject {
    Q_OBJECT
public:
    static constexpr int kWidth = 4; // pixels of grip along each edge

    // Install after any other event filter of the control (filters installed
    // later see events first).
    static SizingFrame *attach(QWidget *control);

    // Which edges a point of the control lies on (Qt::Edges), none inside.
    static Qt::Edges edgesAt(const QRect &rect, const QPoint &pos);

signals:
    void resized();
    // After a drag in which the control refused a size (a Canvas whose image
    // would not fit in memory); emitted when the button is released.
    void refused();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit SizingFrame(QWidget *control);
    void updateCursor(const QPoint &pos);

    QWidget *m_control;
    Qt::Edges m_edges;
    bool m_resizing = false;
    bool m_refused = false;
    QPoint m_startGlobal;
    QRect m_startGeometry;
    bool m_cursorSet = false;
};

} // namespace ptt
