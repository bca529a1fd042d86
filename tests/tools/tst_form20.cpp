// The crop-capture tool driven as a user drives it, on the offscreen platform
// with a grabber that returns a known desktop picture.
#include "formats/bmpwriter.h"
#include "platform/picturebox.h"
#include "platform/windows.h"
#include "testsupport/fixedgrabber.h"
#include "testsupport/recordingnavigator.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"
#include "tools/form20.h"
#include "tools/snapoverlay.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QtTest>

#include <functional>

using namespace ptt;

namespace {

QByteArray bmpBytes(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!writeBmp24(&buffer, image))
        return QByteArray();
    return buffer.data();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestForm20 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadsWithItsLayout();
    void captureUpAndLeft();
    void otherButtonsAndKeysIgnored();
    void rearmOnlyHidesAgain();
    void zeroSizeCopiesNothing();
    void eachCaptureReplacesClipboard();
    void saveWritesTheCapture();
    void saveKeepsNameAsChosen();
    void saveCancelled();
    void failedSaveReportedAndOldFileKept();
    void noScreenGrabIsReported();
    void closedWhileGrabbing();
    void exitShowsMainWindow();
    void closeBoxUnloads();

private:
    Form20 *openTool();
    void capture(Form20 *tool, QPoint press, const QList<QPoint> &moves, QPoint release);
    test::FixedGrabber m_grabber;
};

void TestForm20::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    test::initFonts();
}

void TestForm20::init()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    m_grabber.grab = DesktopGrab();
    m_grabber.grab.image = test::patternImage(screen.width(), screen.height());
    m_grabber.grab.geometry = screen;
    m_grabber.calls = 0;
    ScreenGrabber::setInstance(&m_grabber);
}

void TestForm20::cleanup()
{
    ScreenGrabber::setInstance(nullptr);
    delete loadedWindow<Form20>();
    QVERIFY(!QGuiApplication::overrideCursor());
}

Form20 *TestForm20::openTool()
{
    Form20 *tool = showWindow<Form20>(nullptr);
    if (!QTest::qWaitForWindowExposed(tool))
        return nullptr;
    return tool;
}

// QTest takes a null point (0, 0) for the widget's centre: never pass it.
void TestForm20::capture(Form20 *tool, QPoint press, const QList<QPoint> &moves, QPoint release)
{
    tool->ArmCapture();
    QVERIFY(tool->overlay());
    SnapOverlay *overlay = tool->overlay();
    QTest::mousePress(overlay, Qt::LeftButton, {}, press);
    for (const QPoint &p : moves)
        QTest::mouseMove(overlay, p);
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, release);
}

void TestForm20::loadsWithItsLayout()
{
    Form20 *tool = openTool();
    QVERIFY(tool);
    QCOMPARE(tool->windowTitle(), QStringLiteral("澄岭剪裁抓图"));
    QCOMPARE(tool->pos().x(), 400); // the outer left edge
    QCOMPARE(tool->centralWidget()->size(), QSize(443, 324));
    QMenu *file = test::child<QMenu>(tool, QStringLiteral("mnuFile"));
    QVERIFY(file);
    QCOMPARE(file->title(), QStringLiteral("文件"));
    const QList<QAction *> items = file->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[0]->objectName(), QStringLiteral("mnuFileSnap"));
    QCOMPARE(items[0]->text(), QStringLiteral("剪裁抓图"));
    QCOMPARE(items[1]->text(), QStringLiteral("保存图像"));
    QVERIFY(!items[1]->isEnabled());
    QVERIFY(items[2]->isSeparator());
    QCOMPARE(items[3]->text(), QStringLiteral("退出"));
    PictureBox *box = test::child<PictureBox>(tool, QStringLiteral("Picture1"));
    QCOMPARE(box, tool->picture1());
    QCOMPARE(box->geometry(), QRect(QPoint(0, 0), QSize(443, 324)));
    QCOMPARE(box->grab().toImage().pixelColor(200, 150), QColor(192, 192, 255));
    QVERIFY(!tool->snapArmed());
}

void TestForm20::captureUpAndLeft()
{
    Form20 *tool = openTool();
    QVERIFY(tool);
    tool->ArmCapture();
    QVERIFY(!tool->isVisible());
    QVERIFY(tool->snapArmed());
    QCOMPARE(m_grabber.calls, 1);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    SnapOverlay *overlay = tool->overlay();
    QVERIFY(overlay && overlay->isVisible());
    QVERIFY(overlay->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(overlay->windowFlags() & Qt::FramelessWindowHint);

    // Press, then drag up and to the left; the rectangle follows, normalized.
    QTest::mousePress(overlay, Qt::LeftButton, {}, QPoint(420, 330));
    QVERIFY(!tool->snapArmed());
    QVERIFY(tool->selecting());
    QTest::mouseMove(overlay, QPoint(400, 300));
    QCOMPARE(overlay->selection(), (ScreenRect{400, 300, 420, 330}));
    QTest::mouseMove(overlay, QPoint(500, 340));
    QCOMPARE(overlay->selection(), (ScreenRect{420, 330, 500, 340}));
    QTest::mouseMove(overlay, QPoint(100, 130));
    QCOMPARE(overlay->selection(), (ScreenRect{100, 130, 420, 330}));
    QCOMPARE(selectionLabelText(overlay->selection()), QStringLiteral("320x200"));
    // The label shows on the overlay: its pixels differ from the frozen desktop there.
    const QImage drawn = overlay->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(drawn.copy(230, 220, 60, 10) != m_grabber.grab.image.copy(230, 220, 60, 10));
    QCOMPARE(drawn.copy(600, 500, 50, 50), m_grabber.grab.image.copy(600, 500, 50, 50));
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, QPoint(100, 130));

    QVERIFY(QTest::qWaitFor([&] { return tool->overlay() == nullptr; }));
    QVERIFY(tool->isVisible());
    QVERIFY(!tool->selecting());
    QVERIFY(!QGuiApplication::overrideCursor());
    const QImage expected = m_grabber.grab.image.copy(100, 130, 320, 200);
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), expected);
    QCOMPARE(tool->picture1()->picture().image, expected);
    QCOMPARE(tool->picture1()->size(), QSize(324, 204)); // natural size plus the border
    QVERIFY(test::child<QAction>(tool, "mnuFileSave")->isEnabled());
    // Larger than the client area: the top left part shows, all of it is kept.
    capture(tool, QPoint(1, 2), {QPoint(300, 300)}, QPoint(701, 502));
    QCOMPARE(tool->picture1()->picture().image.size(), QSize(700, 500));
    QVERIFY(test::child<QAction>(tool, "mnuFileSave")->isEnabled());
}

void TestForm20::otherButtonsAndKeysIgnored()
{
    Form20 *tool = openTool();
    QVERIFY(tool);
    tool->ArmCapture();
    SnapOverlay *overlay = tool->overlay();
    QVERIFY(overlay);
    QTest::mousePress(overlay, Qt::RightButton, {}, QPoint(50, 50));
    QTest::mouseRelease(overlay, Qt::RightButton, {}, QPoint(50, 50));
    QTest::mousePress(overlay, Qt::MiddleButton, {}, QPoint(60, 60));
    QTest::mouseRelease(overlay, Qt::MiddleButton, {}, QPoint(60, 60));
    QVERIFY(tool->snapArmed());
    QVERIFY(!tool->selecting());
    QVERIFY(!tool->isVisible());
    QCOMPARE(tool->overlay(), overlay);

    QTest::mousePress(overlay, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(overlay, QPoint(30, 60));
    QTest::keyClick(overlay, Qt::Key_Escape);
    QTest::keyClick(overlay, Qt::Key_Return);
    QTest::mousePress(overlay, Qt::RightButton, {}, QPoint(40, 70));
    QTest::mouseRelease(overlay, Qt::RightButton, {}, QPoint(40, 70));
    QVERIFY(tool->selecting());
    QCOMPARE(overlay->selection(), (ScreenRect{10, 20, 40, 70})); // other buttons still move it
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, QPoint(50, 80));
    QCOMPARE(tool->picture1()->picture().image, m_grabber.grab.image.copy(10, 20, 40, 60));
}

void TestForm20::rearmOnlyHidesAgain()
{
    Form20 *tool = openTool();
    QVERIFY(tool);
    tool->ArmCapture();
    SnapOverlay *overlay = tool->overlay();
    tool->ArmCapture();
    QCOMPARE(tool->overlay(), overlay);
    QCOMPARE(m_grabber.calls, 1);
    QVERIFY(tool->snapArmed());
    QTest::mousePress(overlay, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, QPoint(15, 25));
    QVERIFY(!QGuiApplication::overrideCursor()); // set once, restored once
}

void TestForm20::zeroSizeCopiesNothing()
{
    Form20 *tool = openTool();
    QVERIFY(tool);
    QImage before(7, 7, QImage::Format_RGB32);
    before.fill(QColor(1, 2, 3));
    QGuiApplication::clipboard()->setImage(before);
    capture(tool, QPoint(100, 100), {QPoint(100, 180)}, QPoint(100, 200));
    QVERIFY(tool->isVisible());
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), before);
    QVERIFY(tool->picture1()->picture().isNull());
    QVERIFY(!test::child<QAction>(tool, "mnuFileSave")->isEnabled());
    capture(tool, QPoint(100, 100), {}, QPoint(300, 100));
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), before);
    QVERIFY(!tool->snapArmed());
    QVERIFY(!tool->overlay());
}

void TestForm20::eachCaptureReplacesClipboard()
{
    Form20 *tool = openTool();
    QVERIFY(tool);
    capture(tool, QPoint(1, 1), {}, QPoint(11, 11));
    QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(10, 10));
    // The desktop has changed by the next capture: a fresh grab is taken.
    m_grabber.grab.image.fill(QColor(9, 99, 199));
    capture(tool, QPoint(20, 20), {}, QPoint(5, 8));
    const QImage clip = QGuiApplication::clipboard()->image();
    QCOMPARE(clip.size(), QSize(15, 12));
    QCOMPARE(clip.pixelColor(3, 3), QColor(9, 99, 199));
    QCOMPARE(m_grabber.calls, 2);
}

void TestForm20::saveWritesTheCapture()
{
    test::TempAppDir dir;
    Form20 *tool = openTool();
    QVERIFY(tool);
    capture(tool, QPoint(33, 44), {}, QPoint(130, 90));
    const QImage expected = m_grabber.grab.image.copy(33, 44, 97, 46);
    ScriptedDialogs dialogs;
    const QString path = dir.file(QStringLiteral("cut.bmp"));
    dialogs.answerFile(path);
    test::child<QAction>(tool, "mnuFileSave")->trigger();
    QCOMPARE(dialogs.unexpectedCount(), 0);
    QCOMPARE(dialogs.log().size(), 1);
    const FileDialogRequest &req = dialogs.log().at(0).file;
    QVERIFY(req.save);
    QCOMPARE(req.title, QStringLiteral("保存"));
    QCOMPARE(req.filter, QStringLiteral("位图文件(*.bmp)|*.bmp"));
    QVERIFY(req.overwritePrompt);
    QVERIFY(req.initDir.isEmpty());
    QCOMPARE(fileBytes(path), bmpBytes(expected));
    QCOMPARE(fileBytes(path).size(), 54 + 292 * 46); // rows of 97 pixels padded to 292 bytes

    // The next dialog offers the name chosen last; saving again replaces the file.
    capture(tool, QPoint(2, 2), {}, QPoint(6, 5));
    dialogs.answerFile(path);
    test::child<QAction>(tool, "mnuFileSave")->trigger();
    QCOMPARE(dialogs.log().at(1).file.fileName, path);
    QCOMPARE(fileBytes(path), bmpBytes(m_grabber.grab.image.copy(2, 2, 4, 3)));
}

void TestForm20::saveKeepsNameAsChosen()
{
    test::TempAppDir dir;
    Form20 *tool = openTool();
    QVERIFY(tool);
    capture(tool, QPoint(1, 1), {}, QPoint(9, 6));
    ScriptedDialogs dialogs;
    const QString path = dir.file(QStringLiteral("noext"));
    dialogs.answerFile(path);
    tool->SaveImage();
    QVERIFY(QFile::exists(path));
    QVERIFY(!QFile::exists(path + QStringLiteral(".bmp")));
    QCOMPARE(fileBytes(path), bmpBytes(m_grabber.grab.image.copy(1, 1, 8, 5)));
}

void TestForm20::saveCancelled()
{
    test::TempAppDir dir;
    Form20 *tool = openTool();
    QVERIFY(tool);
    capture(tool, QPoint(1, 1), {}, QPoint(9, 6));
    ScriptedDialogs dialogs;
    dialogs.cancelFile();
    tool->SaveImage();
    QCOMPARE(dialogs.log().size(), 1);
    QCOMPARE(dialogs.unexpectedCount(), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
    // An empty name chosen writes nothing either.
    dialogs.answerFile(QString());
    tool->SaveImage();
    QCOMPARE(dialogs.unexpectedCount(), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
}

void TestForm20::failedSaveReportedAndOldFileKept()
{
    test::TempAppDir dir;
    Form20 *tool = openTool();
    QVERIFY(tool);
    capture(tool, QPoint(1, 1), {}, QPoint(9, 6));
    ScriptedDialogs dialogs;
    // A folder where the file should go: it cannot be replaced by a file.
    const QString folder = dir.file(QStringLiteral("taken.bmp"));
    QVERIFY(QDir().mkpath(folder));
    QFile keep(folder + QStringLiteral("/inside.txt"));
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.write("keep");
    keep.close();
    dialogs.answerFile(folder);
    dialogs.answerMessage(MsgResult::Ok);
    tool->SaveImage();
    QCOMPARE(dialogs.unexpectedCount(), 0);
    QCOMPARE(dialogs.log().size(), 2);
    QCOMPARE(dialogs.log().at(1).kind, ScriptedDialogs::Kind::Message);
    QCOMPARE(dialogs.log().at(1).message.title, QStringLiteral("澄岭剪裁抓图"));
    QVERIFY(dialogs.log().at(1).message.text.contains(folder));
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(fileBytes(folder + QStringLiteral("/inside.txt")), QByteArray("keep"));
    // A folder that does not exist.
    dialogs.answerFile(dir.file(QStringLiteral("missing/x.bmp")));
    dialogs.answerMessage(MsgResult::Ok);
    tool->SaveImage();
    QCOMPARE(dialogs.unexpectedCount(), 0);
    QCOMPARE(dialogs.log().size(), 4);
    QVERIFY(!QFile::exists(dir.file(QStringLiteral("missing/x.bmp"))));
}

void TestForm20::noScreenGrabIsReported()
{
    Form20 *tool = openTool();
    QVERIFY(tool);
    m_grabber.grab = DesktopGrab();
    m_grabber.grab.error = QStringLiteral("这个桌面不允许读取屏幕。");
    ScriptedDialogs dialogs;
    dialogs.answerMessage(MsgResult::Ok);
    tool->ArmCapture();
    QCOMPARE(dialogs.unexpectedCount(), 0);
    QCOMPARE(dialogs.log().size(), 1);
    QCOMPARE(dialogs.log().at(0).message.text, QStringLiteral("这个桌面不允许读取屏幕。"));
    QCOMPARE(dialogs.log().at(0).message.title, QStringLiteral("澄岭剪裁抓图"));
    QVERIFY(tool->isVisible());
    QVERIFY(!tool->snapArmed());
    QVERIFY(!tool->overlay());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestForm20::closedWhileGrabbing()
{
    // The main window's "剪裁" shows the tool again and its close box unloads it,
    // all before the desktop's picture arrives.
    QPointer<Form20> tool = openTool();
    QVERIFY(tool);
    m_grabber.whileGrabbing = [&] {
        QCOMPARE(showWindow<Form20>(nullptr), tool.data());
        tool->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    ScriptedDialogs dialogs;
    tool->ArmCapture();
    m_grabber.whileGrabbing = nullptr;
    QVERIFY(tool.isNull());
    QVERIFY(!loadedWindow<Form20>());
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<SnapOverlay *>(w));
    QCOMPARE(dialogs.log().size(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestForm20::exitShowsMainWindow()
{
    test::RecordingNavigator navigator;
    Form20 *tool = openTool();
    QVERIFY(tool);
    capture(tool, QPoint(1, 1), {}, QPoint(9, 6));
    QVERIFY(navigator.requests().isEmpty());
    test::child<QAction>(tool, "mnuFileExit")->trigger();
    QVERIFY(!tool->isVisible());
    QCOMPARE(loadedWindow<Form20>(), tool); // still loaded, with its picture
    QCOMPARE(navigator.requests().size(), 1);
    QCOMPARE(navigator.requests().at(0).window, QStringLiteral("main"));
    QCOMPARE(showWindow<Form20>(nullptr), tool);
    QVERIFY(!tool->picture1()->picture().isNull());
    QVERIFY(test::child<QAction>(tool, "mnuFileSave")->isEnabled());
}

void TestForm20::closeBoxUnloads()
{
    Form20 *tool = openTool();
    QVERIFY(tool);
    capture(tool, QPoint(1, 1), {}, QPoint(9, 6));
    QPointer<Form20> gone = tool;
    tool->close();
    QVERIFY(QTest::qWaitFor([&] { return gone.isNull(); }));
    QVERIFY(!loadedWindow<Form20>());
    Form20 *fresh = openTool();
    QVERIFY(fresh);
    QVERIFY(fresh->picture1()->picture().isNull());
    QVERIFY(!test::child<QAction>(fresh, "mnuFileSave")->isEnabled());
    QVERIFY(fresh->dialog().fileName.isEmpty());
}

QTEST_MAIN(TestForm20)
#include "tst_form20.moc"
