// The capture's selection arithmetic and the pixels it copies, headless.
#include "platform/screengrabber.h"
#include "testsupport/fixedgrabber.h"
#include "testsupport/testsupport.h"
#include "tools/selection.h"

#include <QtTest>

using namespace ptt;

Q_DECLARE_METATYPE(ptt::ScreenRect)

class TestSelection : public QObject {
    Q_OBJECT
private slots:
    void normalize_data();
    void normalize();
    void dragInEveryDirection_data();
    void dragInEveryDirection();
    void normalizedAfterEveryMove();
    void labelText_data();
    void labelText();
    void labelPlace_data();
    void labelPlace();
    void wholePixels_data();
    void wholePixels();
    void copyFromGrab();
    void copyFromGrabAtDoubleDensity();
    void copyEmptyOrOutside();
    void grabberChosenInOnePlace();
};

void TestSelection::normalize_data()
{
    QTest::addColumn<ScreenRect>("in");
    QTest::addColumn<ScreenRect>("out");
    QTest::newRow("already") << ScreenRect{1, 2, 3, 4} << ScreenRect{1, 2, 3, 4};
    QTest::newRow("x swapped") << ScreenRect{30, 2, 10, 4} << ScreenRect{10, 2, 30, 4};
    QTest::newRow("y swapped") << ScreenRect{1, 40, 3, 4} << ScreenRect{1, 4, 3, 40};
    QTest::newRow("both") << ScreenRect{9, 9, -5, -7} << ScreenRect{-5, -7, 9, 9};
    QTest::newRow("zero width") << ScreenRect{5, 9, 5, 1} << ScreenRect{5, 1, 5, 9};
    QTest::newRow("extremes") << ScreenRect{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}
                              << ScreenRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
}

void TestSelection::normalize()
{
    QFETCH(ScreenRect, in);
    QFETCH(ScreenRect, out);
    NormalizeRect(in);
    QCOMPARE(in.left, out.left);
    QCOMPARE(in.top, out.top);
    QCOMPARE(in.right, out.right);
    QCOMPARE(in.bottom, out.bottom);
}

void TestSelection::dragInEveryDirection_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("release");
    QTest::newRow("down right") << QPoint(100, 50) << QPoint(420, 250);
    QTest::newRow("up left") << QPoint(420, 250) << QPoint(100, 50);
    QTest::newRow("up right") << QPoint(100, 250) << QPoint(420, 50);
    QTest::newRow("down left") << QPoint(420, 50) << QPoint(100, 250);
}

void TestSelection::dragInEveryDirection()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, release);
    SelectionTracker t;
    t.start(press);
    QVERIFY(t.active());
    QVERIFY(t.rect().isEmpty());
    t.moveTo(release);
    QCOMPARE(t.rect(), (ScreenRect{100, 50, 420, 250}));
    QCOMPARE(t.rect().width(), 320);
    QCOMPARE(t.rect().height(), 200);
    QCOMPARE(t.rect().toQRect(), QRect(100, 50, 320, 200));
    QCOMPARE(selectionLabelText(t.rect()), QStringLiteral("320x200"));
}

void TestSelection::normalizedAfterEveryMove()
{
    SelectionTracker t;
    t.start(QPoint(50, 50));
    const QList<QPoint> path = {{60, 70}, {40, 70}, {40, 30}, {70, 20}, {50, 50}, {49, 51}};
    const QList<ScreenRect> expected = {{50, 50, 60, 70}, {40, 50, 50, 70}, {40, 30, 50, 50},
                                        {50, 20, 70, 50}, {50, 50, 50, 50}, {49, 50, 50, 51}};
    for (int i = 0; i < path.size(); ++i) {
        t.moveTo(path.at(i));
        QCOMPARE(t.rect(), expected.at(i));
        QVERIFY(t.rect().left <= t.rect().right && t.rect().top <= t.rect().bottom);
    }
    QCOMPARE(t.pressPoint(), QPoint(50, 50));
    t.finish();
    QVERIFY(!t.active());
}

void TestSelection::labelText_data()
{
    QTest::addColumn<ScreenRect>("rect");
    QTest::addColumn<QString>("text");
    QTest::newRow("320x200") << ScreenRect{10, 20, 330, 220} << QStringLiteral("320x200");
    QTest::newRow("thin") << ScreenRect{5, 5, 5, 17} << QStringLiteral("0x12");
    QTest::newRow("one") << ScreenRect{-3, -3, -2, -2} << QStringLiteral("1x1");
    QTest::newRow("large") << ScreenRect{0, 0, 12345, 678} << QStringLiteral("12345x678");
}

void TestSelection::labelText()
{
    QFETCH(ScreenRect, rect);
    QFETCH(QString, text);
    QCOMPARE(selectionLabelText(rect), text);
}

void TestSelection::labelPlace_data()
{
    QTest::addColumn<ScreenRect>("rect");
    QTest::addColumn<QSize>("extent");
    QTest::addColumn<QPoint>("place");
    QTest::newRow("even") << ScreenRect{0, 0, 320, 200} << QSize(50, 14) << QPoint(135, 93);
    QTest::newRow("half down to even") << ScreenRect{0, 0, 320, 200} << QSize(51, 13) << QPoint(134, 94);
    QTest::newRow("half up to even") << ScreenRect{0, 0, 321, 201} << QSize(50, 14) << QPoint(136, 94);
    QTest::newRow("sticks out") << ScreenRect{10, 10, 12, 12} << QSize(40, 12) << QPoint(-9, 5);
    QTest::newRow("negative half") << ScreenRect{-11, -11, 0, 0} << QSize(0, 0) << QPoint(-6, -6);
    QTest::newRow("no overflow") << ScreenRect{INT32_MAX - 10, 0, INT32_MAX, 0} << QSize(10, 0)
                                 << QPoint(INT32_MAX - 10, 0);
}

void TestSelection::labelPlace()
{
    QFETCH(ScreenRect, rect);
    QFETCH(QSize, extent);
    QFETCH(QPoint, place);
    QCOMPARE(selectionLabelPlace(rect, extent), place);
}

void TestSelection::wholePixels_data()
{
    QTest::addColumn<QPointF>("in");
    QTest::addColumn<QPoint>("out");
    QTest::newRow("halves") << QPointF(2.5, 3.5) << QPoint(2, 4);
    QTest::newRow("negative halves") << QPointF(-2.5, -0.5) << QPoint(-2, 0);
    QTest::newRow("near") << QPointF(7.49, 7.51) << QPoint(7, 8);
}

void TestSelection::wholePixels()
{
    QFETCH(QPointF, in);
    QFETCH(QPoint, out);
    QCOMPARE(ptt::wholePixels(in), out);
}

void TestSelection::copyFromGrab()
{
    DesktopGrab grab;
    grab.image = test::patternImage(300, 200);
    grab.geometry = QRect(-100, 50, 300, 200); // a desktop whose origin is not 0,0
    const QImage pixels = copyScreenRect(grab, ScreenRect{-90, 60, -40, 100});
    QCOMPARE(pixels.size(), QSize(50, 40));
    QCOMPARE(pixels, grab.image.copy(10, 10, 50, 40));
    // Columns left..right-1: the last column is right-1.
    const QImage one = copyScreenRect(grab, ScreenRect{199, 249, 200, 250});
    QCOMPARE(one.size(), QSize(1, 1));
    QCOMPARE(one.pixel(0, 0), grab.image.pixel(299, 199));
}

void TestSelection::copyFromGrabAtDoubleDensity()
{
    DesktopGrab grab;
    grab.image = test::patternImage(400, 300);
    grab.geometry = QRect(0, 0, 200, 150);
    grab.devicePixelRatio = 2.0;
    const QImage pixels = copyScreenRect(grab, ScreenRect{10, 20, 30, 25});
    QCOMPARE(pixels.size(), QSize(40, 10));
    QCOMPARE(pixels, grab.image.copy(20, 40, 40, 10));
}

void TestSelection::copyEmptyOrOutside()
{
    DesktopGrab grab;
    grab.image = test::patternImage(100, 100);
    grab.geometry = QRect(0, 0, 100, 100);
    QVERIFY(copyScreenRect(grab, ScreenRect{10, 10, 10, 50}).isNull());
    QVERIFY(copyScreenRect(grab, ScreenRect{10, 10, 50, 10}).isNull());
    QVERIFY(copyScreenRect(grab, ScreenRect{200, 200, 300, 300}).isNull());
    QVERIFY(copyScreenRect(DesktopGrab(), ScreenRect{0, 0, 5, 5}).isNull());
    // Partly outside: only the part on the desktop.
    const QImage part = copyScreenRect(grab, ScreenRect{90, -10, 120, 5});
    QCOMPARE(part, grab.image.copy(90, 0, 10, 5));
}

void TestSelection::grabberChosenInOnePlace()
{
    ScreenGrabber *real = ScreenGrabber::instance();
    QVERIFY(real);
    test::FixedGrabber fake;
    fake.grab.image = test::patternImage(8, 8);
    ScreenGrabber::setInstance(&fake);
    QCOMPARE(ScreenGrabber::instance(), static_cast<ScreenGrabber *>(&fake));
    QCOMPARE(ScreenGrabber::instance()->grabDesktop().image, fake.grab.image);
    QCOMPARE(fake.calls, 1);
    ScreenGrabber::setInstance(nullptr);
    QCOMPARE(ScreenGrabber::instance(), real);
}

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_selection.moc"
