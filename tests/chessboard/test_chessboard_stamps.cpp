// The text tool in the chessboard-style and free layout windows: each window
// stamps in its own colour, font and units, double-clicked as a user does.
#include "chessboard/frmchessboard.h"
#include "freelayout/form31.h"
#include "platform/canvas.h"
#include "testsupport/testsupport.h"

#include <QComboBox>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

using namespace ptt;

namespace {

// Bounding box of the pixels of one colour in an image.
QRect inkOf(const QImage &image, const QColor &colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

// A double-click at a point of the canvas's inner image, through the window so
// Qt produces press, release, double-click, release.
void doubleClickCanvas(Canvas *canvas, QPoint innerPixels)
{
    QWidget *top = canvas->window();
    const QPoint p = canvas->mapTo(top, innerPixels + QPoint(canvas->borderWidth(), canvas->borderWidth()));
    QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {}, p);
}

} // namespace

class TestWindowStamps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initFonts(); }

    void chessboardStampsInItsColourUnderForegrounds()
    {
        frmChessBoard w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Canvas *board = w.findChild<Canvas *>(QStringLiteral("Picture1"));
        QVERIFY(board);
        QCOMPARE(board->scaleMode(), Canvas::ScaleMode::Twips);
        QCOMPARE(board->canvasFont().name, QStringLiteral("楷体_GB2312"));
        QCOMPARE(board->canvasFont().size, 15.0);
        auto *combo = w.findChild<QComboBox *>(QStringLiteral("Combo1"));
        combo->setCurrentIndex(combo->findText(QStringLiteral("Q")));
        QCOMPARE(combo->currentText(), QStringLiteral("Q"));
        const QPoint at(300, 200);
        doubleClickCanvas(board, at);
        const QRect ink = inkOf(board->image(), QColor(215, 21, 123));
        QVERIFY2(!ink.isEmpty(), "nothing stamped");
        // One letter, below and to the right of the reference point.
        QVERIFY(ink.left() >= at.x() - 1 && ink.top() >= at.y() - 1);
        QVERIFY(ink.width() < 30 && ink.height() < 30);
    }

    void chessboardStampTurnsWithTheBar()
    {
        frmChessBoard w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Canvas *board = w.findChild<Canvas *>(QStringLiteral("Picture1"));
        w.findChild<QScrollBar *>(QStringLiteral("HScroll1"))->setValue(90);
        const QPoint at(300, 400);
        doubleClickCanvas(board, at);
        const QRect ink = inkOf(board->image(), QColor(215, 21, 123));
        QVERIFY(!ink.isEmpty());
        // Reads upwards from the point: taller than wide, above it.
        QVERIFY(ink.height() > ink.width());
        QVERIFY(ink.bottom() <= at.y() + 1);
        QVERIFY(ink.left() >= at.x() - 1);
    }

    void freeLayoutStampsHorizontallyOnThePageOnly()
    {
        Form31 w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Canvas *page = w.page();
        QVERIFY(!w.findChild<QScrollBar *>(QStringLiteral("HScroll1")));
        const QColor colour(173, 22, 86);
        const QPoint at(648, 100); // right of the regions
        doubleClickCanvas(page, at);
        const QRect ink = inkOf(page->image(), colour);
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.width() > ink.height()); // "双击设置文字" runs to the right
        QVERIFY(ink.left() >= at.x() - 1 && ink.top() >= at.y() - 1);
        // Over a region the release belongs to the region: the page gets nothing.
        const QImage before = page->image();
        doubleClickCanvas(w.region(2), QPoint(300, 80));
        QCOMPARE(page->image(), before);
        QVERIFY(inkOf(w.region(2)->image(), colour).isEmpty());
    }
};

QTEST_MAIN(TestWindowStamps)
#include "test_chessboard_stamps.moc"
