// The text tool in the free layout window: it stamps on the page, in its own
// colour and font, double-clicked as a user does.
#include "freelayout/form31.h"
#include "platform/canvas.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"

#include <QScrollBar>
#include <QTest>

using namespace ptt;
using test::doubleClickCanvas;
using test::inkOf;

class TestForm31Stamps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initFonts(); }

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

QTEST_MAIN(TestForm31Stamps)
#include "test_form31_stamps.moc"
