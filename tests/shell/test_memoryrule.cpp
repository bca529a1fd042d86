// One memory rule for every page of every window: a size whose old and new
// images together do not fit in what the system can give is refused with the
// window's message, and the page keeps its size and contents. Making a large
// page shows the busy pointer.
#include "chessboard/frmchessboard.h"
#include "freelayout/form31.h"
#include "mainwindow/form30.h"
#include "map/frmmap.h"
#include "platform/appdir.h"
#include "platform/busycursor.h"
#include "platform/canvas.h"
#include "testsupport/fixedmemory.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <functional>
#include <memory>

using namespace ptt;

namespace {

enum class Sizing { MainPage, FreePage, FreeRegion, Board, MapGrid };

// A window, the page one of its operations sizes, and that operation.
struct Journey {
    std::unique_ptr<QWidget> window;
    Canvas *page = nullptr;
    std::function<void()> run;
    QSize outer; // the page's outer size when the operation succeeds
};

void click(QWidget *window, const char *button)
{
    QTest::mouseClick(test::child<QPushButton>(window, button), Qt::LeftButton);
}

void setText(QWidget *window, const char *field, const QString &text)
{
    test::child<QLineEdit>(window, field)->setText(text);
}

// A drag of a region's right edge by dx pixels, with one move as the pointer gives it.
void dragRightEdge(Canvas *region, int dx)
{
    const QPoint edge(region->width() - 2, region->height() / 2);
    const QPoint to = region->mapToGlobal(edge) + QPoint(dx, 0);
    QTest::mousePress(region, Qt::LeftButton, {}, edge);
    QMouseEvent move(QEvent::MouseMove, region->mapFromGlobal(QPointF(to)), QPointF(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(region, &move);
    QTest::mouseRelease(region, Qt::LeftButton, {}, region->mapFromGlobal(to));
}

// big: a page of at least BusyCursor::kLongPixels.
Journey journey(Sizing sizing, bool big, ScriptedDialogs &dialogs)
{
    Journey j;
    switch (sizing) {
    case Sizing::MainPage: {
        auto *w = new Form30;
        j.window.reset(w);
        j.page = w->page();
        const int heightPixels = big ? 3000 : 200;
        setText(w, "Text1", QString::number(heightPixels * 15));
        j.run = [w] { click(w, "Command1"); };
        j.outer = QSize(w->page()->width(), heightPixels);
        break;
    }
    case Sizing::FreePage: {
        auto *w = new Form31;
        j.window.reset(w);
        j.page = w->page();
        j.run = [w] { click(w, "Command21"); }; // A4
        j.outer = QSize(703, 1074);
        break;
    }
    case Sizing::FreeRegion: {
        auto *w = new Form31;
        j.window.reset(w);
        w->show();
        if (!QTest::qWaitForWindowExposed(w))
            qWarning("free layout window not exposed");
        Canvas *region = w->region(2);
        j.page = region;
        j.run = [region] { dragRightEdge(region, 60); };
        j.outer = region->size() + QSize(60, 0);
        break;
    }
    case Sizing::Board: {
        const QSize natural = big ? QSize(3000, 2800) : QSize(400, 300);
        const QString path = AppDir() + QStringLiteral("back.bmp");
        test::writeImage(path, test::patternImage(natural.width(), natural.height()), "BMP");
        auto *w = new frmChessBoard;
        j.window.reset(w);
        j.page = w->board();
        j.run = [w, &dialogs, path] {
            dialogs.answerFile(path);
            click(w, "Command1");
        };
        j.outer = natural + 2 * QSize(w->board()->borderWidth(), w->board()->borderWidth());
        break;
    }
    case Sizing::MapGrid: {
        auto *w = new frmMap;
        j.window.reset(w);
        j.page = w->picBack();
        const double cellW = w->grid().CellWidth;
        const double cellH = w->grid().CellHeight;
        const int cols = big ? int(std::ceil(3000 / cellW)) : 12;
        const int rows = big ? int(std::ceil(3000 / cellH)) : 8;
        setText(w, "Text1", QString::number(cols));
        setText(w, "Text2", QString::number(rows));
        j.run = [w] { click(w, "Command1"); };
        const int border = w->picBack()->borderWidth();
        j.outer = QSize(qRound(cols * cellW) + 2 * border, qRound(rows * cellH) + 2 * border);
        break;
    }
    }
    return j;
}

QStringList messages(const ScriptedDialogs &dialogs)
{
    QStringList texts;
    for (const ScriptedDialogs::Logged &l : dialogs.log())
        if (l.kind == ScriptedDialogs::Kind::Message)
            texts.append(l.message.text);
    return texts;
}

qint64 imageBytes(QSize outer, int border)
{
    return qint64(outer.width() - 2 * border) * (outer.height() - 2 * border) * 4;
}

} // namespace

class TestMemoryRule : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        test::initFonts();
    }

    void pageTooLargeForMemoryIsRefused_data()
    {
        QTest::addColumn<Sizing>("sizing");
        QTest::addColumn<QString>("message");
        QTest::newRow("main window 高度") << Sizing::MainPage << QStringLiteral("内存放不下");
        QTest::newRow("free layout A4") << Sizing::FreePage << QStringLiteral("页面太大，内存放不下。");
        QTest::newRow("free layout region dragged") << Sizing::FreeRegion << QStringLiteral("页面太大，内存放不下。");
        QTest::newRow("chessboard background") << Sizing::Board << QStringLiteral("背景图太大，内存不足，无法载入。");
        QTest::newRow("map 确定大小") << Sizing::MapGrid << QStringLiteral("地图太大，内存放不下。");
    }
    void pageTooLargeForMemoryIsRefused()
    {
        QFETCH(Sizing, sizing);
        QFETCH(QString, message);
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        test::FixedMemory memory;
        Journey j = journey(sizing, false, dialogs);
        dialogs.clear();
        j.page->image().setPixel(1, 1, qRgb(1, 2, 3));
        const QImage before = j.page->image();
        const QSize outerBefore = j.page->size();
        const qint64 both = before.sizeInBytes() + imageBytes(j.outer, j.page->borderWidth());

        memory.bytes = both - 1;
        j.run(); // the message, unanswered by the script, gets its safest answer
        const QStringList told = messages(dialogs);
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.at(0).contains(message), qPrintable(told.at(0)));
        QCOMPARE(j.page->size(), outerBefore);
        QCOMPARE(j.page->image(), before);

        dialogs.clear();
        memory.bytes = both;
        j.run();
        QCOMPARE(messages(dialogs), QStringList());
        QCOMPARE(j.page->size(), j.outer);
        QCOMPARE(j.page->image().pixel(1, 1) == qRgb(1, 2, 3),
                 sizing == Sizing::FreePage || sizing == Sizing::FreeRegion);
    }

    void largePageShowsBusyPointer_data()
    {
        QTest::addColumn<Sizing>("sizing");
        QTest::newRow("main window 高度") << Sizing::MainPage;
        QTest::newRow("chessboard background") << Sizing::Board;
        QTest::newRow("map 确定大小") << Sizing::MapGrid;
    }
    void largePageShowsBusyPointer()
    {
        QFETCH(Sizing, sizing);
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        test::FixedMemory memory;
        Journey j = journey(sizing, true, dialogs);
        QVERIFY(qint64(j.outer.width()) * j.outer.height() >= BusyCursor::kLongPixels);
        // The memory is asked while the page is being made: the pointer then.
        QList<int> shapes;
        memory.whileAsked = [&shapes] {
            const QCursor *c = QGuiApplication::overrideCursor();
            shapes.append(c ? int(c->shape()) : -1);
        };
        j.run();
        QCOMPARE(j.page->size(), j.outer);
        QVERIFY(!shapes.isEmpty());
        for (int shape : shapes)
            QCOMPARE(shape, int(Qt::WaitCursor));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(TestMemoryRule)
#include "test_memoryrule.moc"
