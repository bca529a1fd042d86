// The zoom viewer driven through its buttons on the offscreen platform.
#include "platform/units.h"
#include "platform/windows.h"
#include "testsupport/fixedmemory.h"
#include "testsupport/recordingnavigator.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"
#include "tools/form40.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>

using namespace ptt;

namespace {

// Four blocks of colour, so any misplacement or wrong scale shows.
QImage blocks(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         x < w / 2 ? (y < h / 2 ? 0xffff0000 : 0xff00ff00) : (y < h / 2 ? 0xff0000ff : 0xff202020));
    return img;
}

} // namespace

class TestForm40 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void opensMaximizedAndEmpty();
    void buttonsFollowWidth_data();
    void buttonsFollowWidth();
    void takePictureAtNaturalSize();
    void zoomSteps();
    void zoomWorksWithoutPicture();
    void reduceBelowLimitWarnsEachTime();
    void takeFailuresChangeNothing();
    void newPictureResetsSize();
    void hugeEnlargementStaysCheap();
    void cropButtonShowsToolWithoutOwner();
    void closingShowsMainWindow();

private:
    Form40 *openViewer();
    QPushButton *button(Form40 *v, int n) { return test::child<QPushButton>(v, QStringLiteral("Command%1").arg(n)); }
    QString writePicture(const QString &name, const QImage &image);
    test::TempAppDir *m_dir = nullptr;
};

void TestForm40::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    test::initFonts();
}

void TestForm40::cleanup()
{
    delete loadedWindow<Form40>();
    delete m_dir;
    m_dir = nullptr;
}

Form40 *TestForm40::openViewer()
{
    Form40 *v = showWindow<Form40>(nullptr);
    if (!QTest::qWaitForWindowExposed(v))
        return nullptr;
    return v;
}

QString TestForm40::writePicture(const QString &name, const QImage &image)
{
    if (!m_dir)
        m_dir = new test::TempAppDir;
    const QString path = m_dir->file(name);
    return test::writeImage(path, image, "BMP") ? path : QString();
}

void TestForm40::opensMaximizedAndEmpty()
{
    Form40 *v = openViewer();
    QVERIFY(v);
    QCOMPARE(v->windowTitle(), QStringLiteral("澄岭图像缩放剪裁"));
    QVERIFY(v->windowState() & Qt::WindowMaximized);
    QCOMPARE(v->palette().color(QPalette::Window), QColor(192, 255, 255));
    QCOMPARE(v->zoomSize().width(), 9195.0f);
    QCOMPARE(v->zoomSize().height(), 8505.0f);
    QCOMPARE(v->image1()->objectName(), QStringLiteral("Image1"));
    QCOMPARE(v->image1()->pos(), QPoint(2, 2));
    QCOMPARE(v->image1()->shownWidth(), 613.0);
    QVERIFY(v->image1()->picture().isNull());
    const char *captions[] = {nullptr, "放大", "缩小", "剪裁保存", "取图"};
    for (int n = 1; n <= 4; ++n) {
        QPushButton *b = button(v, n);
        QVERIFY(b);
        QCOMPARE(b->text(), QString::fromUtf8(captions[n]));
        QCOMPARE(b->size(), QSize(67, 19));
        QCOMPARE(b->y(), 0);
    }
    // Left to right, edge to edge: 取图, 放大, 缩小, 剪裁保存.
    QCOMPARE(button(v, 1)->x(), button(v, 4)->x() + 67);
    QCOMPARE(button(v, 2)->x(), button(v, 1)->x() + 67);
    QCOMPARE(button(v, 3)->x(), button(v, 2)->x() + 67);
    // In front of the image.
    QWidget *top = v->childAt(button(v, 3)->geometry().center());
    QCOMPARE(top, static_cast<QWidget *>(button(v, 3)));
}

void TestForm40::buttonsFollowWidth_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("1000") << 1000;
    QTest::newRow("700") << 700;
    QTest::newRow("1601") << 1601;
}

void TestForm40::buttonsFollowWidth()
{
    QFETCH(int, width);
    Form40 *v = openViewer();
    QVERIFY(v);
    v->setWindowState(Qt::WindowNoState);
    v->resize(width, 500);
    QVERIFY(QTest::qWaitFor([&] { return v->width() == width; }));
    const double outer = pixelsToTwips(v->frameGeometry().width());
    QCOMPARE(button(v, 4)->x(), twipsToPixels(outer - 4 * 1005 - 200));
    QCOMPARE(button(v, 1)->x(), twipsToPixels(outer - 3 * 1005 - 200));
    QCOMPARE(button(v, 2)->x(), twipsToPixels(outer - 2 * 1005 - 200));
    QCOMPARE(button(v, 3)->x(), twipsToPixels(outer - 1005 - 200));
    // The image does not move.
    QCOMPARE(v->image1()->pos(), QPoint(2, 2));
}

void TestForm40::takePictureAtNaturalSize()
{
    Form40 *v = openViewer();
    QVERIFY(v);
    const QImage picture = blocks(40, 30);
    const QString path = writePicture(QStringLiteral("p.bmp"), picture);
    ScriptedDialogs dialogs;
    dialogs.answerFile(path);
    QTest::mouseClick(button(v, 4), Qt::LeftButton);
    QCOMPARE(dialogs.unexpectedCount(), 0);
    QCOMPARE(dialogs.log().size(), 1);
    const FileDialogRequest &req = dialogs.log().at(0).file;
    QVERIFY(!req.save);
    QCOMPARE(req.filter, QStringLiteral("All Files (*.*)|*.*|JPG Files (*.jpg)|*.jpg|GIF Files (*.gif)|*.gif|"
                                        "BMP Files (*.bmp)|*.bmp"));
    QCOMPARE(v->zoomSize().width(), 600.0f);
    QCOMPARE(v->zoomSize().height(), 450.0f);
    QCOMPARE(v->image1()->size(), QSize(40, 30));
    QCOMPARE(v->image1()->grab().toImage().convertToFormat(QImage::Format_RGB32), picture);
}

void TestForm40::zoomSteps()
{
    Form40 *v = openViewer();
    QVERIFY(v);
    ScriptedDialogs dialogs;
    dialogs.answerFile(writePicture(QStringLiteral("p.bmp"), blocks(40, 30)));
    QTest::mouseClick(button(v, 4), Qt::LeftButton);
    QTest::mouseClick(button(v, 1), Qt::LeftButton);
    QCOMPARE(v->zoomSize().width(), 750.0f);
    QCOMPARE(v->zoomSize().height(), 562.5f);
    QCOMPARE(v->image1()->size(), QSize(50, 38)); // 37.5 pixels to the even neighbour
    QImage shown = v->image1()->grab().toImage();
    QCOMPARE(shown.pixel(0, 0), 0xffff0000u);
    QCOMPARE(shown.pixel(24, 18), 0xffff0000u);
    QCOMPARE(shown.pixel(25, 18), 0xff0000ffu);
    QCOMPARE(shown.pixel(24, 19), 0xff00ff00u);
    QCOMPARE(shown.pixel(49, 37), 0xff202020u);
    QTest::mouseClick(button(v, 2), Qt::LeftButton);
    QCOMPARE(v->zoomSize().width(), 562.5f);
    QCOMPARE(v->zoomSize().height(), 421.875f);
    QCOMPARE(v->image1()->size(), QSize(38, 28)); // 37.5 -> 38, 28.125 -> 28
    shown = v->image1()->grab().toImage();
    QCOMPARE(shown.pixel(18, 13), 0xffff0000u);
    QCOMPARE(shown.pixel(19, 14), 0xff202020u);
    QCOMPARE(dialogs.unexpectedCount(), 0);
}

void TestForm40::zoomWorksWithoutPicture()
{
    Form40 *v = openViewer();
    QVERIFY(v);
    QTest::mouseClick(button(v, 1), Qt::LeftButton);
    QCOMPARE(v->zoomSize().width(), 9195.0f * 1.25f);
    QCOMPARE(v->zoomSize().height(), 8505.0f * 1.25f);
    QTest::mouseClick(button(v, 2), Qt::LeftButton);
    QCOMPARE(v->zoomSize().width(), 9195.0f * 0.9375f);
    QCOMPARE(v->zoomSize().height(), 8505.0f * 0.9375f);
}

void TestForm40::reduceBelowLimitWarnsEachTime()
{
    Form40 *v = openViewer();
    QVERIFY(v);
    v->setImageSizeTwips(60.0f, 600.0f);
    ScriptedDialogs dialogs;
    dialogs.answerMessage(MsgResult::Ok);
    dialogs.answerMessage(MsgResult::Ok);
    QTest::mouseClick(button(v, 2), Qt::LeftButton);
    QCOMPARE(v->zoomSize().width(), 45.0f);
    QCOMPARE(dialogs.log().size(), 1);
    const MessageRequest &m = dialogs.log().at(0).message;
    QCOMPARE(m.text, QStringLiteral("不能再缩小了"));
    QCOMPARE(m.title, QStringLiteral("澄岭提示"));
    QCOMPARE(m.buttons, MsgButtons::Ok);
    QCOMPARE(m.icon, MsgIcon::None);
    QTest::mouseClick(button(v, 2), Qt::LeftButton);
    QCOMPARE(v->zoomSize().width(), 33.75f);
    QCOMPARE(dialogs.log().size(), 2);
    QCOMPARE(dialogs.unexpectedCount(), 0);
    // Enlarging gives no message.
    QTest::mouseClick(button(v, 1), Qt::LeftButton);
    QCOMPARE(dialogs.log().size(), 2);
}

void TestForm40::takeFailuresChangeNothing()
{
    Form40 *v = openViewer();
    QVERIFY(v);
    const QImage picture = blocks(20, 10);
    ScriptedDialogs dialogs;
    dialogs.answerFile(writePicture(QStringLiteral("good.bmp"), picture));
    QTest::mouseClick(button(v, 4), Qt::LeftButton);
    QTest::mouseClick(button(v, 1), Qt::LeftButton);
    const float w = v->zoomSize().width();
    const float h = v->zoomSize().height();
    const QImage before = v->image1()->grab().toImage();

    QFile junk(m_dir->file(QStringLiteral("junk.jpg")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture at all, just text");
    junk.close();
    QFile truncated(m_dir->file(QStringLiteral("cut.bmp")));
    QVERIFY(truncated.open(QIODevice::WriteOnly));
    QFile whole(m_dir->file(QStringLiteral("good.bmp")));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    truncated.write(whole.read(40));
    truncated.close();

    dialogs.cancelFile();
    dialogs.answerFile(m_dir->file(QStringLiteral("junk.jpg")));
    dialogs.answerFile(m_dir->file(QStringLiteral("cut.bmp")));
    dialogs.answerFile(m_dir->file(QStringLiteral("missing.bmp")));
    dialogs.answerFile(m_dir->path());
    for (int i = 0; i < 5; ++i) {
        QTest::mouseClick(button(v, 4), Qt::LeftButton);
        QCOMPARE(v->zoomSize().width(), w);
        QCOMPARE(v->zoomSize().height(), h);
        QCOMPARE(v->image1()->picture().image, picture);
        QCOMPARE(v->image1()->grab().toImage(), before);
    }
    // Nor one whose copy for drawing, with the one it replaces, does not fit in memory.
    test::FixedMemory memory;
    memory.bytes = qint64(20 * 10 + 30 * 20) * 4 - 1;
    dialogs.answerFile(writePicture(QStringLiteral("other.bmp"), blocks(30, 20)));
    QTest::mouseClick(button(v, 4), Qt::LeftButton);
    QCOMPARE(v->zoomSize().width(), w);
    QCOMPARE(v->image1()->picture().image, picture);
    QCOMPARE(v->image1()->grab().toImage(), before);
    // No message for any of them.
    QCOMPARE(dialogs.log().size(), 7);
    QCOMPARE(dialogs.unexpectedCount(), 0);
    QCOMPARE(dialogs.pending(), 0);
    // With just enough memory it is taken.
    memory.bytes += 1;
    dialogs.answerFile(m_dir->file(QStringLiteral("other.bmp")));
    QTest::mouseClick(button(v, 4), Qt::LeftButton);
    QCOMPARE(v->image1()->picture().image.size(), QSize(30, 20));
}

void TestForm40::newPictureResetsSize()
{
    Form40 *v = openViewer();
    QVERIFY(v);
    ScriptedDialogs dialogs;
    dialogs.answerFile(writePicture(QStringLiteral("a.bmp"), blocks(40, 30)));
    QTest::mouseClick(button(v, 4), Qt::LeftButton);
    QTest::mouseClick(button(v, 1), Qt::LeftButton);
    QTest::mouseClick(button(v, 1), Qt::LeftButton);
    const QImage second = blocks(16, 24);
    dialogs.answerFile(writePicture(QStringLiteral("b.bmp"), second));
    QTest::mouseClick(button(v, 4), Qt::LeftButton);
    QCOMPARE(v->zoomSize().width(), 240.0f);
    QCOMPARE(v->zoomSize().height(), 360.0f);
    QCOMPARE(v->image1()->grab().toImage().convertToFormat(QImage::Format_RGB32), second);
}

void TestForm40::hugeEnlargementStaysCheap()
{
    Form40 *v = openViewer();
    QVERIFY(v);
    ScriptedDialogs dialogs;
    dialogs.answerFile(writePicture(QStringLiteral("p.bmp"), blocks(40, 30)));
    QTest::mouseClick(button(v, 4), Qt::LeftButton);
    for (int i = 0; i < 120; ++i)
        QTest::mouseClick(button(v, 1), Qt::LeftButton);
    QVERIFY(v->zoomSize().width() > 1e13f);
    // Only the part inside the window is a widget, and it draws.
    QVERIFY(v->image1()->width() <= v->width());
    QVERIFY(v->image1()->height() <= v->height());
    const QImage shown = v->grab().toImage();
    QCOMPARE(shown.pixel(v->width() / 2, v->height() / 2), 0xffff0000u);
    for (int i = 0; i < 90; ++i)
        QTest::mouseClick(button(v, 2), Qt::LeftButton);
    QVERIFY(qAbs(v->zoomSize().width() / v->zoomSize().height() - 600.0f / 450.0f) < 1e-5f);
    QVERIFY(v->zoomSize().width() > 50.0f);
    QCOMPARE(dialogs.unexpectedCount(), 0);
}

void TestForm40::cropButtonShowsToolWithoutOwner()
{
    test::RecordingNavigator navigator;
    QWidget main;
    main.show();
    Form40 *v = showWindow<Form40>(&main);
    QVERIFY(QTest::qWaitForWindowExposed(v));
    QCOMPARE(v->parentWidget(), &main);
    QTest::mouseClick(button(v, 3), Qt::LeftButton);
    QCOMPARE(navigator.requests().size(), 1);
    QCOMPARE(navigator.requests().at(0).window, QStringLiteral("crop"));
    QCOMPARE(navigator.requests().at(0).owner, nullptr);
    QCOMPARE(v->zoomSize().width(), 9195.0f); // the viewer does not change
    delete v;                                 // before its owner
}

void TestForm40::closingShowsMainWindow()
{
    test::RecordingNavigator navigator;
    QWidget main;
    Form40 *v = showWindow<Form40>(&main);
    QVERIFY(QTest::qWaitForWindowExposed(v));
    QTest::mouseClick(button(v, 1), Qt::LeftButton);
    QPointer<Form40> gone = v;
    QVERIFY(navigator.requests().isEmpty());
    v->close();
    QCOMPARE(navigator.requests().size(), 1);
    QCOMPARE(navigator.requests().at(0).window, QStringLiteral("main"));
    QVERIFY(QTest::qWaitFor([&] { return gone.isNull(); }));
    Form40 *fresh = openViewer();
    QVERIFY(fresh);
    QCOMPARE(fresh->zoomSize().width(), 9195.0f);
    QVERIFY(fresh->image1()->picture().isNull());
}

QTEST_MAIN(TestForm40)
#include "tst_form40.moc"
