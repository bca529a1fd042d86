// The text tool in the chessboard-style window: it stamps in its own colour,
// font and units, double-clicked as a user does.
#include "chessboard/frmchessboard.h"
#include "platform/canvas.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"

#include <QComboBox>
#include <QScrollBar>
#include <QTest>

using namespace ptt;
using test::doubleClickCanvas;
using test::inkOf;

class TestChessboardStamps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initFonts(); }

    void chessboardStampsInItsColourUnderForegrounds()
    {
        frmChessBoard w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Canvas *board = test::child<Canvas>(&w, QStringLiteral("Picture1"));
        QVERIFY(board);
        QCOMPARE(board->scaleMode(), Canvas::ScaleMode::Twips);
        QCOMPARE(board->canvasFont().name, QStringLiteral("楷体_GB2312"));
        QCOMPARE(board->canvasFont().size, 15.0);
        auto *combo = test::child<QComboBox>(&w, QStringLiteral("Combo1"));
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
        Canvas *board = test::child<Canvas>(&w, QStringLiteral("Picture1"));
        test::child<QScrollBar>(&w, QStringLiteral("HScroll1"))->setValue(90);
        const QPoint at(300, 400);
        doubleClickCanvas(board, at);
        const QRect ink = inkOf(board->image(), QColor(215, 21, 123));
        QVERIFY(!ink.isEmpty());
        // Reads upwards from the point: taller than wide, above it.
        QVERIFY(ink.height() > ink.width());
        QVERIFY(ink.bottom() <= at.y() + 1);
        QVERIFY(ink.left() >= at.x() - 1);
    }
};

QTEST_MAIN(TestChessboardStamps)
#include "test_chessboard_stamps.moc"
