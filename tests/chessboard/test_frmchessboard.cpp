#include "chessboard/foregroundlayer.h"
#include "chessboard/frmchessboard.h"
#include "platform/appdir.h"
#include "platform/canvas.h"
#include "platform/units.h"
#include "platform/windows.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

using namespace ptt;

class TestFrmChessBoard : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempAppDir> m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    QPointer<frmChessBoard> m_win;

    QString app(const QString &rel) const { return AppDir() + rel; }
    frmChessBoard &win() { return *m_win; }
    QPushButton *button(int n) { return test::child<QPushButton>(&win(), QStringLiteral("Command%1").arg(n)); }
    QAction *action(const char *name) { return test::child<QAction>(&win(), name); }
    QWindow *handle() { return win().windowHandle(); }
    // A point of a widget in the window's coordinates, as the pointer sees it.
    QPoint at(QWidget *w, QPoint local) { return w->mapTo(&win(), local); }
    QRect fg(int i) { return win().foregroundRect(i); }
    // A point inside foreground i, in the window's coordinates.
    QPoint atFg(int i, QPoint local) { return at(win().board(), fg(i).topLeft() + local); }

    void click(int n) { QTest::mouseClick(button(n), Qt::LeftButton); }
    void newDocument(const QString &picture = QStringLiteral("flower.jpg"))
    {
        m_dialogs->answerFile(app(picture));
        click(2);
    }
    void loadBackground(const QString &picture)
    {
        m_dialogs->answerFile(app(picture));
        click(1);
    }

private slots:
    void initTestCase() { test::initFonts(); }

    void init()
    {
        m_dir = std::make_unique<test::TempAppDir>();
        QVERIFY(QDir(AppDir()).mkpath(QStringLiteral("pics")));
        QVERIFY(test::writeImage(app(QStringLiteral("flower.jpg")), test::patternImage(80, 60), "JPG"));
        QVERIFY(test::writeImage(app(QStringLiteral("pics/cat.bmp")), test::patternImage(100, 100), "BMP"));
        QVERIFY(test::writeImage(app(QStringLiteral("back800.bmp")), test::patternImage(800, 600), "BMP"));
        QVERIFY(test::writeImage(app(QStringLiteral("back400.bmp")), test::patternImage(400, 300), "BMP"));
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_win = new frmChessBoard();
        m_win->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_win));
    }
    void cleanup()
    {
        QCOMPARE(m_dialogs->unexpectedCount(), 0);
        QCOMPARE(m_dialogs->pending(), 0);
        delete m_win;
        m_dialogs.reset();
        m_dir.reset();
    }

    void layoutAtLoad()
    {
        QCOMPARE(win().windowTitle(), QStringLiteral("澄岭棋盘式图片排版器"));
        QCOMPARE(win().clientArea()->size(), QSize(914, 543));
        const struct {
            int n;
            const char *caption;
            QRect rect;
        } buttons[] = {
            {1, "打开背景图", {0, 0, 73, 21}},   {2, "新建图案", {72, 0, 57, 21}},
            {3, "打开图案", {128, 0, 57, 21}},   {4, "保存图案", {184, 0, 57, 21}},
            {5, "插入前景图", {240, 0, 69, 21}}, {6, "变更前景图", {308, 0, 71, 21}},
            {7, "删除前景图", {378, 0, 71, 21}}, {8, "剪裁保存", {448, 0, 57, 21}},
            {9, "整版保存", {504, 0, 57, 21}},   {10, "字体", {796, 0, 57, 21}},
            {11, "文字颜色", {852, 0, 57, 21}},
        };
        for (const auto &b : buttons) {
            QPushButton *pb = button(b.n);
            QVERIFY(pb);
            QCOMPARE(pb->text(), QString::fromUtf8(b.caption));
            QCOMPARE(pb->geometry(), b.rect);
            QCOMPARE(pb->isEnabled(), b.n < 5 || b.n > 7);
        }
        QCOMPARE(button(2)->toolTip(), QStringLiteral("选择前景图"));
        auto *combo = test::child<QComboBox>(&win(), QStringLiteral("Combo1"));
        QCOMPARE(combo->geometry(), QRect(560, 0, 81, 20));
        QCOMPARE(combo->currentText(), QStringLiteral("双击设置文字"));
        QCOMPARE(combo->count(), 26);
        QCOMPARE(combo->itemText(0), QStringLiteral("1：图文设计排版方便灵活"));
        QCOMPARE(combo->itemText(8), QStringLiteral("9：可设计照片墙"));
        QCOMPARE(combo->itemText(9), QStringLiteral("A"));
        QCOMPARE(combo->itemText(25), QStringLiteral("Q"));
        auto *scroll = test::child<QScrollBar>(&win(), QStringLiteral("HScroll1"));
        QCOMPARE(scroll->geometry(), QRect(640, 0, 67, 21));
        QCOMPARE(scroll->maximum(), 360);
        auto *label = test::child<QLabel>(&win(), QStringLiteral("Label1"));
        QCOMPARE(label->text(), QStringLiteral("文字角度"));
        QCOMPARE(label->geometry(), QRect(706, 4, 89, 19));

        Canvas *board = win().board();
        QCOMPARE(board->objectName(), QStringLiteral("Picture1"));
        QCOMPARE(board->geometry(), QRect(0, 26, 913, 535));
        QCOMPARE(board->scaleMode(), Canvas::ScaleMode::Twips);
        QVERIFY(board->autoSize());
        QCOMPARE(board->image().pixelColor(5, 5), QColor(162, 200, 89));
        QCOMPARE(board->foreColor(), QColor(215, 21, 123));
        QCOMPARE(board->canvasFont().name, QStringLiteral("楷体_GB2312"));
        QCOMPARE(board->canvasFont().size, 15.0);
        QCOMPARE(board->canvasFont().weight, 700);
        QCOMPARE(board->canvasFont().charset, 134);
        QCOMPARE(board->toolTip(), QStringLiteral("按住左键移动大图版"));
        QCOMPARE(test::child<QWidget>(&win(), QStringLiteral("Picture2"))->width(), win().frameGeometry().width());
        QVERIFY(!win().frame()->isVisible());
        QCOMPARE(win().frame()->borderWidth(), 2);
        QCOMPARE(win().frame()->borderColor(), QColor(128, 128, 255));
        QVERIFY(fg(0).isEmpty()); // the unused slot 0 takes no clicks
        QCOMPARE(win().toolTipAt(QPoint(20, 20)), QStringLiteral("按住左键移动大图版"));
        QCOMPARE(win().dialog().initDir, AppDir());
    }

    void menus()
    {
        const QList<QAction *> top = win().menuBar()->actions();
        QCOMPARE(top.size(), 2);
        QCOMPARE(top[0]->text(), QStringLiteral("文件(&G)"));
        QCOMPARE(top[1]->text(), QStringLiteral("编辑前景图(&I)"));
        QVERIFY(top[0]->isVisible());
        QVERIFY(!top[1]->isVisible());
        QStringList file;
        for (QAction *a : top[0]->menu()->actions())
            file << (a->isSeparator() ? QStringLiteral("-") : a->text()) + QLatin1Char('/') + a->objectName();
        QCOMPARE(file, QStringList(
                           {QStringLiteral("打开背景图(&E)/mnuEditPos"), QStringLiteral("-/mnuSep2"),
                            QStringLiteral("新建位置档案(&N)/mnuNewPos"), QStringLiteral("载入位置档案(&O)/munOpenPos"),
                            QStringLiteral("储存位置档案(&S)/mnuSavePos"), QStringLiteral("退出(&Q)/mnuQuit")}));
        QStringList edit;
        for (QAction *a : top[1]->menu()->actions())
            edit << (a->isSeparator() ? QStringLiteral("-") : a->text()) + QLatin1Char('/') + a->objectName();
        QCOMPARE(edit, QStringList({QStringLiteral("-/mnuSep1"), QStringLiteral("插入前景图(&P)/mnuInsertFront"),
                                    QStringLiteral("变更前景图(&F)/mnuLoadFront"),
                                    QStringLiteral("删除前景图(&D)/mnuDelFront")}));
        QCOMPARE(action("mnuQuit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        for (const char *name : {"mnuSavePos", "mnuInsertFront", "mnuLoadFront", "mnuDelFront"})
            QVERIFY2(!action(name)->isEnabled(), name);
    }

    void buttonAndMenuVariants()
    {
        m_dialogs->answerFile(app(QStringLiteral("flower.jpg")));
        action("mnuNewPos")->trigger();
        QVERIFY(action("mnuInsertFront")->isEnabled());
        QVERIFY(action("mnuSavePos")->isEnabled());
        QVERIFY(!button(5)->isEnabled());
        // The question, answered No, then the button variant.
        m_dialogs->answerMessage(MsgResult::No);
        newDocument();
        QCOMPARE(m_dialogs->log()[1].message.text, QStringLiteral("结束原位置档前是否先存档？"));
        QCOMPARE(m_dialogs->log()[1].message.buttons, MsgButtons::YesNoCancel);
        for (int n : {5, 6, 7})
            QVERIFY(button(n)->isEnabled());
        loadBackground(QStringLiteral("back400.bmp"));
        QVERIFY(win().menuBar()->actions()[1]->isVisible());
        // Saving turns the modified flag off.
        m_dialogs->answerFile(app(QStringLiteral("a.pos")));
        click(4);
        QVERIFY(!action("mnuSavePos")->isEnabled());
        QVERIFY(QFile::exists(app(QStringLiteral("a.pos"))));
        // Every chooser starts in the program's folder with no name offered.
        for (const ScriptedDialogs::Logged &entry : m_dialogs->log()) {
            if (entry.kind != ScriptedDialogs::Kind::File)
                continue;
            QVERIFY(entry.file.fileName.isEmpty());
            QCOMPARE(entry.file.initDir, AppDir());
        }
        QCOMPARE(m_dialogs->log().last().file.filter, BoardModel::PositionFilter());
        QVERIFY(m_dialogs->log().last().file.save);
        QVERIFY(!m_dialogs->log().last().file.overwritePrompt);
    }

    void newDocumentShowsForegroundFramed()
    {
        newDocument();
        QCOMPARE(fg(0), QRect(0, 0, 80, 60));
        QCOMPARE(win().toolTipAt(QPoint(5, 5)), QStringLiteral("按住左键移动"));
        QCOMPARE(win().toolTipAt(QPoint(500, 400)), QStringLiteral("按住左键移动大图版"));
        QVERIFY(win().frame()->isVisible());
        QCOMPARE(win().frame()->geometry(), twipsToPixels(-2, -2, 1204, 904));
        click(5);
        QCOMPARE(fg(1), QRect(0, 0, 80, 60));
        // Dragged aside, both show their picture over the board; the frame
        // lies above them.
        QTest::mousePress(handle(), Qt::LeftButton, {}, atFg(1, QPoint(1, 1)));
        QTest::mouseMove(handle(), atFg(1, QPoint(1, 1)) + QPoint(100, 80));
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, atFg(1, QPoint(1, 1)));
        QCOMPARE(fg(1), QRect(100, 80, 80, 60));
        const QImage shown = win().board()->grab().toImage();
        const QImage &picture = win().model().slot(0).picture.image;
        for (QPoint p : {QPoint(10, 10), QPoint(40, 30), QPoint(77, 57)}) {
            QCOMPARE(shown.pixel(p), picture.pixel(p));
            QCOMPARE(shown.pixel(p + QPoint(100, 80)), picture.pixel(p));
        }
        QCOMPARE(shown.pixelColor(100, 80), QColor(128, 128, 255));
        QCOMPARE(shown.pixelColor(101, 139), QColor(128, 128, 255));
        QCOMPARE(shown.pixelColor(300, 300), QColor(162, 200, 89));
        const QList<QObject *> children = win().board()->children();
        QVERIFY(children.indexOf(win().frame()) > children.indexOf(win().foregrounds()));
    }

    void dragWithLeftButton()
    {
        newDocument();
        click(5);
        const QPoint grab = atFg(1, QPoint(20, 10));
        QTest::mousePress(handle(), Qt::LeftButton, {}, grab);
        QCOMPARE(win().model().CurrentIndex(), 1);
        QTest::mouseMove(handle(), grab + QPoint(30, 20));
        QTest::mouseMove(handle(), grab + QPoint(160, 70));
        QCOMPARE(fg(1).topLeft(), QPoint(160, 70));
        // The grab point stays under the pointer.
        QCOMPARE(atFg(1, QPoint(20, 10)), grab + QPoint(160, 70));
        QCOMPARE(win().model().Records()[1].Left, 0.0f); // not until the release
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, grab + QPoint(160, 70));
        QCOMPARE(win().model().Records()[1], (PositionRecord{QStringLiteral("flower.jpg"), 2400, 1050, 1200, 900}));
        QCOMPARE(win().frame()->geometry(), twipsToPixels(2398, 1048, 1204, 904));
        QCOMPARE(win().board()->pos(), QPoint(0, 26)); // the board did not move
        // Past the top-left edge: negative, no bound.
        const QPoint grab2 = atFg(1, QPoint(5, 5));
        QTest::mousePress(handle(), Qt::LeftButton, {}, grab2);
        QTest::mouseMove(handle(), grab2 - QPoint(200, 100));
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, grab2 - QPoint(200, 100));
        QCOMPARE(fg(1).topLeft(), QPoint(-40, -30));
        QCOMPARE(win().model().Records()[1].Left, -600.0f);
        QCOMPARE(win().model().Records()[1].Top, -450.0f);
    }

    void dragFromFractionalPositionFollowsPointerExactly()
    {
        QFile f(app(QStringLiteral("frac.pos")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"flower.jpg\",7.5,22.5,1,1\r\n");
        f.close();
        m_dialogs->answerFile(app(QStringLiteral("frac.pos")));
        click(3);
        const QPoint start = at(win().board(), QPoint(10, 10));
        QTest::mousePress(handle(), Qt::LeftButton, {}, start);
        for (int step = 1; step <= 3; ++step)
            QTest::mouseMove(handle(), start + QPoint(step, 2 * step));
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, start + QPoint(3, 6));
        QCOMPARE(win().model().Records()[0].Left, 52.5f);
        QCOMPARE(win().model().Records()[0].Top, 112.5f);
    }

    void dragWithOtherButtonsDoesNotMove()
    {
        newDocument();
        click(5);
        // Move foreground 1 away so foreground 0 can be reached.
        const QPoint from = atFg(1, QPoint(1, 1));
        QTest::mousePress(handle(), Qt::LeftButton, {}, from);
        QTest::mouseMove(handle(), from + QPoint(200, 0));
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, from + QPoint(200, 0));
        QCOMPARE(fg(1).topLeft(), QPoint(200, 0));
        m_dialogs->answerFile(app(QStringLiteral("s.pos")));
        click(4);

        const QPoint p = atFg(0, QPoint(10, 10));
        QTest::mousePress(handle(), Qt::RightButton, {}, p);
        QTest::mouseMove(handle(), p + QPoint(50, 50));
        QTest::mouseRelease(handle(), Qt::RightButton, {}, p + QPoint(50, 50));
        QCOMPARE(fg(0).topLeft(), QPoint(0, 0));
        QCOMPARE(win().model().CurrentIndex(), 1);
        QVERIFY(!action("mnuSavePos")->isEnabled());
        QCOMPARE(win().board()->pos(), QPoint(0, 26));

        // Left and right together: no move; left alone again: it moves.
        QTest::mousePress(handle(), Qt::LeftButton, {}, p);
        QTest::mousePress(handle(), Qt::RightButton, {}, p);
        QTest::mouseMove(handle(), p + QPoint(40, 40));
        QCOMPARE(fg(0).topLeft(), QPoint(0, 0));
        QTest::mouseRelease(handle(), Qt::RightButton, {}, p + QPoint(40, 40));
        QTest::mouseMove(handle(), p + QPoint(45, 30));
        QCOMPARE(fg(0).topLeft(), QPoint(45, 30));
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, p + QPoint(45, 30));
        QCOMPARE(win().model().CurrentIndex(), 0);
        QCOMPARE(win().model().Records()[0].Left, 675.0f);
    }

    void boardIsMovedByCanvasDrag()
    {
        newDocument();
        const QPoint p = at(win().board(), QPoint(400, 300));
        QTest::mousePress(handle(), Qt::LeftButton, {}, p);
        QTest::mouseMove(handle(), p + QPoint(-100, -50));
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, p + QPoint(-100, -50));
        QCOMPARE(win().board()->pos(), QPoint(-100, -24));
        // The foregrounds ride with the board; the record is unchanged.
        QCOMPARE(fg(0).topLeft(), QPoint(0, 0));
        QCOMPARE(win().foregrounds()->parentWidget(), win().board());
        QCOMPARE(win().model().Records()[0].Left, 0.0f);
    }

    void fitsClientAreaToBoard()
    {
        const QRect screen = win().screen()->geometry();
        loadBackground(QStringLiteral("back400.bmp"));
        QCOMPARE(win().board()->size(), QSize(400, 300));
        QTRY_COMPARE(win().clientArea()->size(), QSize(400, 300));
        QCOMPARE(win().frameGeometry().center().x(), screen.center().x());
        QVERIFY(qAbs(win().frameGeometry().center().y() - screen.center().y()) <= 1);
        QCOMPARE(test::child<QWidget>(&win(), QStringLiteral("Picture2"))->width(), win().frameGeometry().width());

        loadBackground(QStringLiteral("back800.bmp"));
        QTRY_COMPARE(win().clientArea()->size(), QSize(800, 600));
        QCOMPARE(pixelsToTwips(win().clientArea()->width()), 12000.0);
        QCOMPARE(pixelsToTwips(win().clientArea()->height()), 9000.0);
        QCOMPARE(win().frameGeometry().center().x(), screen.center().x());
        QVERIFY(qAbs(win().frameGeometry().center().y() - screen.center().y()) <= 1);
        // The board's lowest 390 twips lie below the client area.
        QCOMPARE(win().board()->geometry().bottom(), win().clientArea()->height() - 1 + 26);
    }

    void windowLargerThanScreenKeepsTitleBarOnScreen()
    {
        QVERIFY(test::writeImage(app(QStringLiteral("huge.bmp")), test::patternImage(2000, 1400), "BMP"));
        const QRect screen = win().screen()->geometry();
        loadBackground(QStringLiteral("huge.bmp"));
        QTRY_COMPARE(win().clientArea()->size(), QSize(2000, 1400));
        QCOMPARE(win().frameGeometry().topLeft(), screen.topLeft());
    }

    void saveBoardHasNoForegrounds()
    {
        loadBackground(QStringLiteral("back400.bmp"));
        newDocument();
        click(5);
        const QString out = app(QStringLiteral("board.bmp"));
        m_dialogs->answerFile(out);
        click(9);
        const FileDialogRequest &request = m_dialogs->log().last().file;
        QVERIFY(request.save);
        QCOMPARE(request.filter, QStringLiteral("位图文件 (*.Bmp)|*.Bmp"));
        QImage saved(out, "BMP");
        QCOMPARE(saved.size(), QSize(400, 300));
        const QImage expected = test::patternImage(400, 300);
        for (int y = 0; y < 300; y += 7)
            for (int x = 0; x < 400; x += 5)
                QCOMPARE(saved.pixel(x, y), expected.pixel(x, y));
    }

    void saveBoardBeforeAnyBackground()
    {
        const QString out = app(QStringLiteral("empty.bmp"));
        m_dialogs->answerFile(out);
        click(9);
        QImage saved(out, "BMP");
        QCOMPARE(saved.size(), QSize(913, 535));
        QCOMPARE(saved.pixelColor(0, 0), QColor(162, 200, 89));
        QCOMPARE(saved.pixelColor(912, 534), QColor(162, 200, 89));
    }

    void closingAsksNothingAndReopeningStartsAfresh()
    {
        delete m_win;
        showWindow<frmChessBoard>();
        m_win = loadedWindow<frmChessBoard>();
        QVERIFY(m_win);
        QVERIFY(QTest::qWaitForWindowExposed(m_win));
        newDocument();
        click(5);
        QVERIFY(action("mnuSavePos")->isEnabled());
        const int logged = int(m_dialogs->log().size());
        QTest::keyClick(&win(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!loadedWindow<frmChessBoard>());
        QCOMPARE(int(m_dialogs->log().size()), logged);
        showWindow<frmChessBoard>();
        m_win = loadedWindow<frmChessBoard>();
        QVERIFY(m_win);
        QCOMPARE(win().model().ForegroundCount(), 0);
        for (int n : {5, 6, 7})
            QVERIFY(!button(n)->isEnabled());
        QVERIFY(!action("mnuSavePos")->isEnabled());
        QVERIFY(!win().menuBar()->actions()[1]->isVisible());
        QVERIFY(fg(0).isEmpty());
    }

    void deleteRemovesWidgets()
    {
        newDocument();
        click(5);
        click(5);
        QCOMPARE(fg(2), QRect(0, 0, 80, 60));
        click(7);
        QVERIFY(fg(2).isEmpty());
        QCOMPARE(fg(1), QRect(0, 0, 80, 60));
        QCOMPARE(win().model().CurrentIndex(), 0);
        QCOMPARE(win().frame()->geometry(), twipsToPixels(-2, -2, 1204, 904));
        // Opening a position file replaces them all.
        QFile f(app(QStringLiteral("two.pos")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"pics\\cat.bmp\",1500,750,1,1\r\n\"missing.bmp\",30,15,45,60\r\n");
        f.close();
        m_dialogs->answerMessage(MsgResult::No);
        m_dialogs->answerFile(app(QStringLiteral("two.pos")));
        click(3);
        QCOMPARE(win().model().ForegroundCount(), 2);
        QCOMPARE(fg(0), QRect(100, 50, 100, 100));
        QCOMPARE(fg(1), QRect(2, 1, 3, 4)); // no picture: grabbable at its stored size
        QVERIFY(fg(2).isEmpty());
        QCOMPARE(win().frame()->geometry(), twipsToPixels(1498, 748, 1504, 1504));
    }
};

QTEST_MAIN(TestFrmChessBoard)
#include "test_frmchessboard.moc"
