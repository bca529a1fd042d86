#pragma once
// Form20: the crop-capture tool. "剪裁抓图" hides it and freezes the desktop
// in a full-screen overlay; a left drag there selects a rectangle whose
// pixels go to the clipboard and into Picture1 when the button is released.
// "保存图像" writes the last capture as a 24-bit BMP file.
#include "platform/dialogs.h"
#include "platform/screengrabber.h"
#include "selection.h"
#include "snapoverlay.h"

#include <QMainWindow>
#include <QPointer>

class QAction;

namespace ptt {

class PictureBox;

class Form20 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form20(QWidget *parent = nullptr);
    ~Form20() override;

    // The menu operations.
    void ArmCapture();
    void SaveImage();
    void ExitTool();

    bool snapArmed() const { return SnapArmed; }
    bool selecting() const { return m_tracker.active(); }
    SnapOverlay *overlay() const { return m_overlay; }
    PictureBox *picture1() const { return m_picture1; }
    CommonDialog &dialog() { return CommonDialog1; }

signals:
    // After a capture ends (also an empty one), once the tool is back.
    void captureFinished();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenu();
    void waitUntilHidden();
    void disarm();
    void overlayPressed(Qt::MouseButton button, QPoint screenPos);
    void overlayMoved(QPoint screenPos);
    void overlayReleased(Qt::MouseButton button, QPoint screenPos);
    void closeOverlay();

    bool SnapArmed = false;
    bool m_cursorSet = false;
    SelectionTracker m_tracker;
    DesktopGrab m_grab;
    QPointer<SnapOverlay> m_overlay;
    PictureBox *m_picture1 = nullptr;
    QAction *m_mnuFileSave = nullptr;
    CommonDialog CommonDialog1;
};

} // namespace ptt
