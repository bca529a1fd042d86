#include "form20.h"

#include "pageops/navigator.h"
#include "pageops/saveasbitmap.h"
#include "platform/picturebox.h"
#include "platform/units.h"
#include "platform/windows.h"
#include "snapoverlay.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenuBar>
#include <QThread>
#include <QWindow>

namespace ptt {

namespace {
const QString kCaption = QStringLiteral("澄岭剪裁抓图");
const QColor kPictureBack(192, 192, 255);
} // namespace

Form20::Form20(QWidget *parent) : QMainWindow(parent), CommonDialog1(this)
{
    setObjectName(QStringLiteral("Form20"));
    setWindowTitle(kCaption);
    buildMenu();

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("Form20Client"));
    setCentralWidget(client);
    m_picture1 = new PictureBox(client);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setBorderWidth(2);
    m_picture1->setBackColor(kPictureBack);
    m_picture1->setAutoSize(true);

    resize(twipsToPixels(6645.0), twipsToPixels(4860.0) + menuBar()->sizeHint().height());
    m_picture1->setGeometry(0, 0, twipsToPixels(6645.0), twipsToPixels(4860.0));
    move(twipsToPixels(6000.0), y());
}

Form20::~Form20()
{
    closeOverlay();
    if (m_cursorSet)
        QGuiApplication::restoreOverrideCursor();
}

void Form20::buildMenu()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("文件"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction *snap = file->addAction(QStringLiteral("剪裁抓图"));
    snap->setObjectName(QStringLiteral("mnuFileSnap"));
    m_mnuFileSave = file->addAction(QStringLiteral("保存图像"));
    m_mnuFileSave->setObjectName(QStringLiteral("mnuFileSave"));
    m_mnuFileSave->setEnabled(false);
    QAction *sep = file->addSeparator();
    sep->setObjectName(QStringLiteral("mnuFileSep"));
    QAction *exit = file->addAction(QStringLiteral("退出"));
    exit->setObjectName(QStringLiteral("mnuFileExit"));
    // Queued: the menu closes before the tool hides itself and grabs the screen.
    connect(snap, &QAction::triggered, this, &Form20::ArmCapture, Qt::QueuedConnection);
    connect(m_mnuFileSave, &QAction::triggered, this, &Form20::SaveImage);
    connect(exit, &QAction::triggered, this, &Form20::ExitTool);
}

void Form20::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // Until the first capture the box covers the client area.
    if (m_picture1 && m_picture1->picture().isNull() && centralWidget())
        m_picture1->setGeometry(centralWidget()->rect());
}

void Form20::waitUntilHidden()
{
    // The grab must not see the tool or its menu: wait for the unmap, then let
    // the windows it uncovered repaint.
    QElapsedTimer timer;
    timer.start();
    QWindow *window = windowHandle();
    while (window && window->isExposed() && timer.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    timer.restart();
    while (timer.elapsed() < 200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

void Form20::ArmCapture()
{
    if (SnapArmed) {
        hide();
        return;
    }
    SnapArmed = true;
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    m_cursorSet = true;
    hide();
    // Events are handled while waiting for the screen and the grab (the
    // portal answers asynchronously): the tool may be shown and closed meanwhile.
    QPointer<Form20> alive(this);
    waitUntilHidden();
    if (!alive)
        return;
    DesktopGrab grab = ScreenGrabber::instance()->grabDesktop();
    if (!alive)
        return;
    m_grab = std::move(grab);
    if (m_grab.isNull()) {
        disarm();
        bringForward(this);
        messageBox(this, m_grab.error.isEmpty() ? QStringLiteral("无法读取屏幕图像，无法剪裁抓图。") : m_grab.error,
                   kCaption, MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    m_overlay = new SnapOverlay(m_grab, this);
    connect(m_overlay, &SnapOverlay::pressed, this, &Form20::overlayPressed);
    connect(m_overlay, &SnapOverlay::moved, this, &Form20::overlayMoved);
    connect(m_overlay, &SnapOverlay::released, this, &Form20::overlayReleased);
    m_overlay->present();
}

void Form20::disarm()
{
    SnapArmed = false;
    if (m_cursorSet) {
        QGuiApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
}

void Form20::overlayPressed(Qt::MouseButton button, QPoint screenPos)
{
    // Only a left press while armed starts the selection; others leave it
    // armed, or while selecting only move the rectangle.
    if (m_tracker.active()) {
        overlayMoved(screenPos);
        return;
    }
    if (button != Qt::LeftButton || !SnapArmed)
        return;
    SnapArmed = false;
    m_tracker.start(screenPos);
    m_overlay->setSelection(m_tracker.rect());
}

void Form20::overlayMoved(QPoint screenPos)
{
    if (!m_tracker.active())
        return;
    m_tracker.moveTo(screenPos);
    m_overlay->setSelection(m_tracker.rect());
}

void Form20::overlayReleased(Qt::MouseButton button, QPoint screenPos)
{
    if (!m_tracker.active())
        return;
    // Nothing but the left release ends the selection.
    if (button != Qt::LeftButton) {
        overlayMoved(screenPos);
        return;
    }
    m_tracker.moveTo(screenPos);
    m_tracker.finish();
    const ScreenRect rect = m_tracker.rect();
    closeOverlay();

    // Pixels come from the frozen grab, so no frame or label can be in them.
    const QImage pixels = copyScreenRect(m_grab, rect);
    m_grab = DesktopGrab();
    disarm();
    if (!pixels.isNull()) {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setImage(pixels);
        QImage shown = clipboard->image();
        if (shown.isNull())
            shown = pixels;
        shown = shown.convertToFormat(QImage::Format_RGB32);
        m_picture1->setPicture(Picture{shown, shown.size()});
        m_mnuFileSave->setEnabled(true);
    }
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    bringForward(this);
    emit captureFinished();
}

void Form20::closeOverlay()
{
    if (!m_overlay)
        return;
    m_overlay->releaseMouse();
    m_overlay->releaseKeyboard();
    m_overlay->hide();
    m_overlay->deleteLater();
    m_overlay = nullptr;
}

void Form20::SaveImage()
{
    if (m_picture1->picture().isNull())
        return;
    CommonDialog1.dialogTitle = QStringLiteral("保存");
    CommonDialog1.overwritePrompt = true;
    CommonDialog1.filter = QStringLiteral("位图文件(*.bmp)|*.bmp");
    CommonDialog1.cancelError = true;
    if (!CommonDialog1.showSave())
        return;
    const QString path = CommonDialog1.fileName;
    if (path.isEmpty())
        return;
    const FileResult saved = SaveBitmapFile(CommonDialog1, path, m_picture1->picture().image);
    if (saved.cancelled)
        messageBox(this, SaveCancelledText(path), kCaption, MsgButtons::Ok, MsgIcon::Information);
    else if (!saved)
        messageBox(this, SaveFailedText(path, saved.error), kCaption, MsgButtons::Ok, MsgIcon::Warning);
}

void Form20::ExitTool()
{
    hide();
    Navigator::instance().showMainWindow();
}

} // namespace ptt
