#pragma once
// The frameless full-screen window that shows the frozen desktop while a
// capture is armed and selecting, with the rubber band and its size label
// drawn over it. It reports the mouse; the crop-capture tool decides.
#include "platform/screengrabber.h"
#include "selection.h"

#include <QWidget>

namespace ptt {

class SnapOverlay : public QWidget {
    Q_OBJECT
public:
    explicit SnapOverlay(const DesktopGrab &grab, QWidget *parent = nullptr);

    void present();
    // The rectangle (screen pixels) to draw; an empty one draws nothing.
    void setSelection(const ScreenRect &rect);
    const ScreenRect &selection() const { return m_rect; }

signals:
    void pressed(Qt::MouseButton button, QPoint screenPos);
    void moved(QPoint screenPos);
    void released(Qt::MouseButton button, QPoint screenPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QRegion selectionRegion(const ScreenRect &rect) const;
    QRect labelRect(const ScreenRect &rect) const;
    QPoint toScreen(QPointF local) const;

    DesktopGrab m_grab;
    ScreenRect m_rect;
};

} // namespace ptt
