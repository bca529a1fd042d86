// The main window driven the way a user drives it, on the offscreen platform.
#include "formats/bmpwriter.h"
#include "mainwindow/form30.h"
#include "pageops/samples.h"
#include "pageops/tilepage.h"
#include "platform/browser.h"
#include "platform/canvas.h"
#include "platform/picturebox.h"
#include "platform/windows.h"
#include "testsupport/fixedmemory.h"
#include "testsupport/recordingnavigator.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace ptt;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestForm30 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initFonts(); }

    void captionAndLoadState()
    {
        Form30 w;
        QCOMPARE(w.windowTitle(), QStringLiteral("澄岭拼贴通4.6版"));
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        // The start page: 43000 x 33000 twips outside, border taken off inside.
        QCOMPARE(w.page()->outerSize(), QSize(2867, 2200));
        QCOMPARE(w.page()->innerSize(), QSize(2863, 2196));
        QCOMPARE(w.page()->pos(), QPoint(0, 22));
        QCOMPARE(w.patternPicture().naturalSize, QSize(382, 383));
        QCOMPARE(tileGrid(w.page()->innerSize(), QSize(382, 383)), QSize(8, 6));
        // The page shows the pattern tiled from (0, 0).
        const QImage &page = w.page()->image();
        const QImage pattern = w.patternPicture().image.convertToFormat(QImage::Format_RGB32);
        for (const QPoint p :
             {QPoint(0, 0), QPoint(381, 382), QPoint(382, 383), QPoint(2862, 2195), QPoint(1000, 1500)})
            QCOMPARE(page.pixel(p), pattern.pixel(p.x() % 382, p.y() % 383));
        auto *combo = test::child<QComboBox>(&w, "Combo1");
        QCOMPARE(combo->count(), 12);
        QCOMPARE(combo->itemText(0), QStringLiteral("1：可单排、混排、有规则排、无规则排"));
        QCOMPARE(combo->itemText(5), QStringLiteral("6：可用用于证卡设计排版、标签排版"));
        QCOMPARE(combo->itemText(11), QStringLiteral("12：可任意剪裁缩放和重排"));
        QCOMPARE(combo->currentText(), QStringLiteral("双击设置文字"));
        QCOMPARE(w.page()->backColor(), QColor(0, 64, 0));
        QCOMPARE(w.page()->foreColor(), QColor(128, 255, 128));
        QCOMPARE(w.page()->canvasFont().name, QStringLiteral("宋体"));
        QCOMPARE(w.page()->canvasFont().size, 14.25);
        QCOMPARE(w.page()->canvasFont().weight, 700);
        QCOMPARE(w.page()->canvasFont().charset, 134);
        QCOMPARE(w.page()->cursor().shape(), Qt::SizeAllCursor);
    }

    void toolbarControls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("leftTwips");
        QTest::addColumn<int>("widthTwips");
        QTest::newRow("新建") << "Command3"
                              << "新建" << 0 << 525;
        QTest::newRow("打开") << "Command4"
                              << "打开" << 510 << 495;
        QTest::newRow("保存") << "Command5"
                              << "保存" << 990 << 495;
        QTest::newRow("打印") << "Command6"
                              << "打印" << 1470 << 495;
        QTest::newRow("缩放") << "Command7"
                              << "缩放" << 1950 << 495;
        QTest::newRow("剪裁") << "Command8"
                              << "剪裁" << 2430 << 495;
        QTest::newRow("高度") << "Command1"
                              << "高度" << 4020 << 495;
        QTest::newRow("宽度") << "Command2"
                              << "宽度" << 5610 << 495;
        QTest::newRow("自定义排版") << "Command9"
                                    << "自定义排版" << 6090 << 1155;
        QTest::newRow("地图式排版") << "Command10"
                                    << "地图式排版" << 7230 << 1155;
        QTest::newRow("棋盘式排版") << "Command11"
                                    << "棋盘式排版" << 8370 << 1155;
        QTest::newRow("字体") << "Command12"
                              << "字体" << 13080 << 885;
        QTest::newRow("文字颜色") << "Command13"
                                  << "文字颜色" << 13950 << 885;
    }
    void toolbarControls()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, leftTwips);
        QFETCH(int, widthTwips);
        Form30 w;
        auto *b = test::child<QPushButton>(&w, name);
        QVERIFY(b);
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->parentWidget()->objectName(), QStringLiteral("Picture3"));
        QCOMPARE(b->geometry(), QRect(qRound(leftTwips / 15.0), 0, qRound(widthTwips / 15.0), 21));
    }

    void buttonsAskForOtherWindows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("owned");
        QTest::newRow("缩放") << "Command7"
                              << "zoom" << true;
        QTest::newRow("剪裁") << "Command8"
                              << "crop" << true;
        QTest::newRow("自定义排版") << "Command9"
                                    << "freelayout" << false;
        QTest::newRow("地图式排版") << "Command10"
                                    << "map" << false;
        QTest::newRow("棋盘式排版") << "Command11"
                                    << "chessboard" << false;
    }
    void buttonsAskForOtherWindows()
    {
        QFETCH(QString, name);
        QFETCH(QString, window);
        QFETCH(bool, owned);
        test::RecordingNavigator navigator;
        Form30 w;
        QTest::mouseClick(test::child<QPushButton>(&w, name), Qt::LeftButton);
        QCOMPARE(navigator.requests().size(), 1);
        QCOMPARE(navigator.requests().at(0).window, window);
        QCOMPARE(navigator.requests().at(0).owner, owned ? static_cast<QWidget *>(&w) : nullptr);
    }

    void fieldsAndStrip()
    {
        Form30 w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *strip = test::child<QWidget>(&w, "Picture3");
        QCOMPARE(strip->geometry(), QRect(0, 0, w.width(), 21));
        QCOMPARE(strip->palette().color(QPalette::Window), QColor(215, 21, 123));
        auto *t1 = test::child<QLineEdit>(&w, "Text1");
        auto *t2 = test::child<QLineEdit>(&w, "Text2");
        QCOMPARE(t1->text(), QStringLiteral("33000"));
        QCOMPARE(t2->text(), QStringLiteral("43000"));
        QCOMPARE(t1->geometry(), QRect(194, 0, 75, 21));
        QCOMPARE(t2->geometry(), QRect(300, 0, 75, 21));
        QCOMPARE(t1->palette().color(QPalette::Base), QColor(192, 255, 192));
        QCOMPARE(t1->palette().color(QPalette::Text), QColor(0, 0, 192));
        auto *bar = test::child<QScrollBar>(&w, "HScroll1");
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 360);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(bar->geometry(), QRect(726, 0, 57, 21));
        auto *label = test::child<QLabel>(&w, "Label2");
        QCOMPARE(label->geometry(), QRect(782, 4, 91, 17));
        QCOMPARE(test::child<QComboBox>(&w, "Combo1")->geometry(), QRect(634, 0, 93, 20));
        // Invisible boxes holding the pattern and the samples.
        QVERIFY(!test::child<PictureBox>(&w, "Picture2")->isVisibleTo(&w));
        for (int k = 4; k <= 15; ++k)
            QVERIFY(test::child<PictureBox>(&w, QStringLiteral("Picture%1").arg(k)));
    }

    void menus()
    {
        Form30 w;
        const QStringList tops = {QStringLiteral("文件"), QStringLiteral("样图"), QStringLiteral("帮助")};
        QStringList titles;
        for (QAction *a : w.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, tops);
        for (const char16_t *name : {u"新建", u"打开", u"保存", u"打印", u"退出", u"关于澄岭"})
            QVERIFY2(test::child<QAction>(&w, QString::fromUtf16(name)), "menu entry missing");
        for (int k = 1; k <= 12; ++k)
            QCOMPARE(test::child<QAction>(&w, QStringLiteral("样图%1").arg(k))->text(),
                     QStringLiteral("样图%1").arg(k));
        QCOMPARE(test::child<QAction>(&w, QStringLiteral("操作指导"))->text(),
                 QStringLiteral("本软件操作有工具提示,一看就会。"));
        // The guidance entry does nothing: no dialog appears.
        ScriptedDialogs dialogs;
        test::child<QAction>(&w, QStringLiteral("操作指导"))->trigger();
        QCOMPARE(dialogs.log().size(), 0);
    }

    void heightWidthAndNewPage()
    {
        ScriptedDialogs dialogs;
        Form30 w;
        auto *t1 = test::child<QLineEdit>(&w, "Text1");
        auto *t2 = test::child<QLineEdit>(&w, "Text2");
        t1->setText(QStringLiteral("1500"));
        QTest::mouseClick(test::child<QPushButton>(&w, "Command1"), Qt::LeftButton);
        // Height alone changes; the width stays.
        QCOMPARE(w.page()->outerSize(), QSize(2867, 100));
        t2->setText(QStringLiteral("5730")); // exactly 382 px outer -> 378 inner
        QTest::mouseClick(test::child<QPushButton>(&w, "Command2"), Qt::LeftButton);
        QCOMPARE(w.page()->outerSize(), QSize(382, 100));
        QCOMPARE(w.page()->innerSize(), QSize(378, 96));

        w.page()->move(-500, -300);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command3"), Qt::LeftButton);
        QCOMPARE(w.page()->pos(), QPoint(0, 34));
        QCOMPARE(w.page()->outerSize(), QSize(1067, 733));
        // The fields are left alone; "高度" then applies Text1 to the new page.
        QCOMPARE(t1->text(), QStringLiteral("1500"));
        QTest::mouseClick(test::child<QPushButton>(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(w.page()->outerSize(), QSize(1067, 100));
        QCOMPARE(dialogs.log().size(), 0);
    }

    void exactMultipleHasNoCutColumn()
    {
        Form30 w;
        // 382 * 2 inner + 4 border = 768 px = 11520 twips.
        test::child<QLineEdit>(&w, "Text2")->setText(QStringLiteral("11520"));
        QTest::mouseClick(test::child<QPushButton>(&w, "Command2"), Qt::LeftButton);
        QCOMPARE(w.page()->innerSize().width(), 764);
        QCOMPARE(tileGrid(w.page()->innerSize(), QSize(382, 383)).width(), 2);
    }

    void badSizeIsRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "abc";
        QTest::newRow("zero") << "0";
        QTest::newRow("negative") << "-200";
        QTest::newRow("below a pixel") << "3";
        QTest::newRow("infinite") << "1e40";
        // Finite, but more pixels than an int holds: refused like the rest.
        QTest::newRow("beyond int pixels") << "1e20";
        QTest::newRow("just beyond int pixels") << "32300000000";
        QTest::newRow("trailing junk") << "300x";
    }
    void badSizeIsRefused()
    {
        QFETCH(QString, text);
        ScriptedDialogs dialogs;
        Form30 w;
        const QImage before = w.page()->image();
        test::child<QLineEdit>(&w, "Text1")->setText(text);
        dialogs.answerMessage(MsgResult::Ok);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(dialogs.log().size(), 1);
        QVERIFY(dialogs.log().at(0).message.text.contains(QStringLiteral("高度")));
        QCOMPARE(w.page()->outerSize(), QSize(2867, 2200));
        QVERIFY(w.page()->image() == before);
    }

    void pageTooLargeKeepsPreviousSize()
    {
        ScriptedDialogs dialogs;
        test::FixedMemory memory; // a gigabyte free: the page would take 6.9
        memory.bytes = qint64(1) << 30;
        Form30 w;
        test::child<QLineEdit>(&w, "Text2")->setText(QStringLiteral("9000000"));
        test::child<QLineEdit>(&w, "Text1")->setText(QStringLiteral("9000000"));
        dialogs.answerMessage(MsgResult::Ok);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(dialogs.log().size(), 1);
        QVERIFY(dialogs.log().at(0).message.text.contains(QStringLiteral("内存")));
        QCOMPARE(w.page()->outerSize(), QSize(2867, 2200));
        // Still usable afterwards.
        test::child<QLineEdit>(&w, "Text1")->setText(QStringLiteral("3000"));
        QTest::mouseClick(test::child<QPushButton>(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(w.page()->outerSize(), QSize(2867, 200));
    }

    void openPicture()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("photo.bmp"));
        QImage photo = test::patternImage(100, 50);
        QVERIFY(saveBmp24File(path, photo));
        ScriptedDialogs dialogs;
        Form30 w;
        dialogs.answerFile(path);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command4"), Qt::LeftButton);
        const auto &req = dialogs.log().at(0).file;
        QVERIFY(!req.save);
        QCOMPARE(req.filter, QStringLiteral("All Files (*.*)|*.*|JPG Files (*.jpg)|*.jpg|GIF Files (*.gif)|*.gif|"
                                            "BMP Files (*.bmp)|*.bmp"));
        QCOMPARE(w.page()->innerSize(), QSize(100, 50));
        QCOMPARE(w.page()->pos(), QPoint(0, 22));
        QCOMPARE(w.page()->image(), photo);
        QCOMPARE(w.patternPicture().naturalSize, QSize(100, 50));
        // No tiling follows; the next "新建" tiles with the opened picture.
        QTest::mouseClick(test::child<QPushButton>(&w, "Command3"), Qt::LeftButton);
        QCOMPARE(w.page()->image().pixel(150, 75), photo.pixel(50, 25));
        QCOMPARE(w.page()->picture().naturalSize, QSize(100, 50)); // print still has it
        // The save dialog offers the opened file's name.
        dialogs.cancelFile();
        QTest::mouseClick(test::child<QPushButton>(&w, "Command5"), Qt::LeftButton);
        QCOMPARE(dialogs.log().at(1).file.fileName, path);
        QCOMPARE(dialogs.unexpectedCount(), 0);
    }

    void openFailuresChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << QByteArray() << true;
        QTest::newRow("text file") << QByteArray("hello, not a picture") << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("truncated bmp") << QByteArray("BM\x36\x00\x00\x00", 6) << false;
    }
    void openFailuresChangeNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, cancel);
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("bad.jpg"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        ScriptedDialogs dialogs;
        Form30 w;
        const QImage before = w.page()->image();
        if (cancel)
            dialogs.cancelFile();
        else
            dialogs.answerFile(path);
        test::child<QAction>(&w, QStringLiteral("打开"))->trigger();
        QCOMPARE(dialogs.log().size(), 1); // the dialog only; no message
        QVERIFY(w.page()->image() == before);
        QCOMPARE(w.patternPicture().naturalSize, QSize(382, 383));
        QVERIFY(w.page()->picture().isNull());
    }

    void saveNewExistingNoYes()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        Form30 w;
        const QString path = dir.file(QStringLiteral("page")); // no extension typed
        dialogs.answerFile(path);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command5"), Qt::LeftButton);
        QCOMPARE(dialogs.log().size(), 1); // no question for a new name
        const auto &req = dialogs.log().at(0).file;
        QVERIFY(req.save);
        QCOMPARE(req.filter, QStringLiteral("位图文件 (*.Bmp)|*.Bmp"));
        QVERIFY(req.initDir.startsWith(dir.path()));
        QVERIFY(QFile::exists(path));
        QVERIFY(!QFile::exists(path + QStringLiteral(".bmp")));
        const QByteArray saved = readAll(path);
        QCOMPARE(qint64(saved.size()), bmp24FileSize(2863, 2196));
        QImage back;
        QVERIFY(back.loadFromData(saved, "BMP"));
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), w.page()->image());

        // Existing file: the question, No keeps it untouched.
        QFile::remove(path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
        f.close();
        dialogs.clear();
        dialogs.answerFile(path);
        dialogs.answerMessage(MsgResult::No);
        test::child<QAction>(&w, QStringLiteral("保存"))->trigger();
        QCOMPARE(dialogs.log().size(), 2);
        const MessageRequest &q = dialogs.log().at(1).message;
        QCOMPARE(q.text, QStringLiteral("文件已经存在，是否覆盖文件？"));
        QCOMPARE(q.title, QStringLiteral("询问"));
        QCOMPARE(q.buttons, MsgButtons::YesNo);
        QCOMPARE(q.icon, MsgIcon::Question);
        QCOMPARE(readAll(path), QByteArray("keep me"));

        // Yes replaces it with the bitmap.
        dialogs.answerFile(path);
        dialogs.answerMessage(MsgResult::Yes);
        test::child<QAction>(&w, QStringLiteral("保存"))->trigger();
        QCOMPARE(readAll(path), saved);
        QCOMPARE(dialogs.unexpectedCount(), 0);
    }

    void saveStartsInProgramFolderAndJpgNameGetsBmp()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        Form30 w;
        const QString path = dir.file(QStringLiteral("a.jpg"));
        dialogs.answerFile(path);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command5"), Qt::LeftButton);
        QVERIFY(dialogs.log().at(0).file.initDir.startsWith(dir.path()));
        QCOMPARE(readAll(path).left(2), QByteArray("BM"));
    }

    void failedSaveIsReported()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        Form30 w;
        dialogs.answerFile(dir.file(QStringLiteral("missing/folder/x.bmp")));
        dialogs.answerMessage(MsgResult::Ok);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command5"), Qt::LeftButton);
        QCOMPARE(dialogs.log().size(), 2);
        QVERIFY(dialogs.log().at(1).message.text.contains(QStringLiteral("无法保存")));
    }

    void cancelledOrEmptySaveWritesNothing()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        Form30 w;
        dialogs.cancelFile();
        dialogs.answerFile(QString());
        QTest::mouseClick(test::child<QPushButton>(&w, "Command5"), Qt::LeftButton);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command5"), Qt::LeftButton);
        QCOMPARE(dialogs.log().size(), 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0);
    }

    void samplesScaleToTile()
    {
        Form30 w;
        test::child<QAction>(&w, QStringLiteral("样图1"))->trigger();
        const Picture sample = samplePicture(1);
        QCOMPARE(sample.naturalSize, QSize(685, 685));
        QImage expected(w.page()->innerSize(), QImage::Format_RGB32);
        expected.fill(Qt::black);
        TilePageReference(expected, sample.image, QSize(382, 383));
        QCOMPARE(w.page()->image(), expected);
        // The pattern stays: "新建" tiles with the pattern again.
        QCOMPARE(w.patternPicture().naturalSize, QSize(382, 383));
    }

    void samplesAfterOpenUseOpenedSize()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("p.bmp"));
        QVERIFY(saveBmp24File(path, test::patternImage(100, 50)));
        ScriptedDialogs dialogs;
        Form30 w;
        dialogs.answerFile(path);
        test::child<QAction>(&w, QStringLiteral("打开"))->trigger();
        QTest::mouseClick(test::child<QPushButton>(&w, "Command3"), Qt::LeftButton);
        test::child<QAction>(&w, QStringLiteral("样图12"))->trigger();
        QImage expected(w.page()->innerSize(), QImage::Format_RGB32);
        TilePageReference(expected, samplePicture(12).image, QSize(100, 50));
        QCOMPARE(w.page()->image(), expected);
    }

    void storedSamples_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("side");
        for (int k = 1; k <= 12; ++k) {
            const bool large = (k == 7 || k >= 9);
            QTest::addRow("sample %d", k) << k << (large ? 857 : 685);
        }
    }
    void storedSamples()
    {
        QFETCH(int, k);
        QFETCH(int, side);
        const Picture p = samplePicture(k);
        QCOMPARE(p.naturalSize, QSize(side, side));
        if (k == 9 || k == 11) {
            QFile f(samplePicturePath(k));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.size(), 2204258);
        }
    }

    void dragMovesPageDoubleClickDoesNot()
    {
        Form30 w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Canvas *page = w.page();
        int released = 0;
        connect(page, &Canvas::mouseReleased, this, [&] { ++released; });
        const QPoint start = page->pos();
        // Moves carry the pointer's global position, as the real ones do;
        // the page follows it while it moves under the pointer.
        const QPoint at = page->mapToGlobal(QPoint(100, 100));
        auto moveTo = [page](QPoint global) {
            QMouseEvent e(QEvent::MouseMove, page->mapFromGlobal(QPointF(global)), QPointF(global), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(page, &e);
        };
        QTest::mousePress(page, Qt::LeftButton, {}, QPoint(100, 100));
        moveTo(at + QPoint(-40, -30));
        moveTo(at + QPoint(-60, -50));
        QTest::mouseRelease(page, Qt::LeftButton, {}, page->mapFromGlobal(at + QPoint(-60, -50)));
        QCOMPARE(page->pos(), start + QPoint(-60, -50));
        QCOMPARE(released, 0); // the drag takes its release
        // A click without moving leaves the page where it was.
        const QPoint here = page->pos();
        QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(200, 200));
        QCOMPARE(page->pos(), here);
        QCOMPARE(released, 0);
        // A double-click's second release reaches the page.
        QTest::mouseDClick(page, Qt::LeftButton, {}, QPoint(300, 300));
        QTest::mouseRelease(page, Qt::LeftButton, {}, QPoint(300, 300));
        QCOMPARE(released, 1);
        QCOMPARE(page->pos(), here);
    }

    void printWithoutPictureDoesNothing()
    {
        qputenv("CUPS_SERVER", "/nonexistent/socket");
        ScriptedDialogs dialogs;
        Form30 w;
        QTest::mouseClick(test::child<QPushButton>(&w, "Command6"), Qt::LeftButton);
        test::child<QAction>(&w, QStringLiteral("打印"))->trigger();
        QCOMPARE(dialogs.log().size(), 0);
    }

    void aboutOpensShippedHelpPage()
    {
        QList<QUrl> opened;
        setBrowserOpener([&](const QUrl &u) { opened << u; });
        Form30 w;
        test::child<QAction>(&w, QStringLiteral("关于澄岭"))->trigger();
        setBrowserOpener({});
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.at(0).isLocalFile());
        QVERIFY(QFile::exists(opened.at(0).toLocalFile()));
    }

    void eachWindowExistsOnce()
    {
        Form30 *a = showWindow<Form30>();
        Form30 *b = showWindow<Form30>();
        QCOMPARE(a, b);
        QVERIFY(a->testAttribute(Qt::WA_DeleteOnClose));
        QPointer<Form30> guard(a);
        test::child<QAction>(a, QStringLiteral("退出"))->trigger();
        QTRY_VERIFY(guard.isNull());
        QVERIFY(!loadedWindow<Form30>());
        Form30 *c = showWindow<Form30>();
        QVERIFY(c);
        c->close();
    }
};

QTEST_MAIN(TestForm30)
#include "test_form30.moc"
