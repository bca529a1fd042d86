// The zoom viewer's arithmetic and stretched drawing, headless.
#include "tools/zoommodel.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cfloat>
#include <cmath>

using namespace ptt;

class TestZoomModel : public QObject {
    Q_OBJECT
private slots:
    void initialSize();
    void enlargeThenReduce_data();
    void enlargeThenReduce();
    void reduceLimit_data();
    void reduceLimit();
    void limitWarnsEveryTime();
    void proportionsKept();
    void naturalSize();
    void pixelRounding_data();
    void pixelRounding();
    void noOverflowToInfinity();
    void buttonLefts_data();
    void buttonLefts();
    void stretchQuadrants();
    void stretchReduces();
    void stretchExposedPartOnly();
    void stretchHugeSize();
    void stretchNothing();
};

void TestZoomModel::initialSize()
{
    ZoomSize z;
    QCOMPARE(z.width(), 9195.0f);
    QCOMPARE(z.height(), 8505.0f);
    QCOMPARE(z.pixelWidth(), 613.0);
    QCOMPARE(z.pixelHeight(), 567.0);
}

void TestZoomModel::enlargeThenReduce_data()
{
    QTest::addColumn<float>("w");
    QTest::addColumn<float>("h");
    QTest::newRow("initial") << 9195.0f << 8505.0f;
    QTest::newRow("picture") << 600.0f << 450.0f;
    QTest::newRow("odd") << 1234.0f << 77.0f;
}

void TestZoomModel::enlargeThenReduce()
{
    QFETCH(float, w);
    QFETCH(float, h);
    ZoomSize z;
    z.set(w, h);
    QVERIFY(z.enlarge());
    QCOMPARE(z.width(), w * 1.25f);
    QVERIFY(!z.reduce());
    // Not the former size: 1.25 x 0.75 = 0.9375 of it, exactly in single precision here.
    QCOMPARE(z.width(), w * 0.9375f);
    QCOMPARE(z.height(), h * 0.9375f);
    QVERIFY(z.width() != w);
}

void TestZoomModel::reduceLimit_data()
{
    QTest::addColumn<float>("from");
    QTest::addColumn<float>("to");
    QTest::addColumn<bool>("warn");
    QTest::newRow("60 -> 45") << 60.0f << 45.0f << true;
    QTest::newRow("100 -> 75") << 100.0f << 75.0f << false;
    QTest::newRow("just above") << 66.68f << float(66.68f - 66.68f * 0.25) << false;
    QTest::newRow("just below") << 66.66f << float(66.66f - 66.66f * 0.25) << true;
    QTest::newRow("zero") << 0.0f << 0.0f << true;
}

void TestZoomModel::reduceLimit()
{
    QFETCH(float, from);
    QFETCH(float, to);
    QFETCH(bool, warn);
    ZoomSize z;
    z.set(from, 1000.0f);
    QCOMPARE(z.reduce(), warn);
    QCOMPARE(z.width(), to); // the reduction stays even when it warns
    QCOMPARE(z.height(), 750.0f);
}

void TestZoomModel::limitWarnsEveryTime()
{
    ZoomSize z;
    z.set(60.0f, 6000.0f);
    QVERIFY(z.reduce());
    QCOMPARE(z.width(), 45.0f);
    QVERIFY(z.reduce());
    QCOMPARE(z.width(), 33.75f);
    QVERIFY(z.reduce());
    QCOMPARE(z.width(), 25.3125f);
    // Only the width is tested: a tall, narrow picture warns, a wide flat one does not.
    z.set(5000.0f, 10.0f);
    QVERIFY(!z.reduce());
}

void TestZoomModel::proportionsKept()
{
    ZoomSize z;
    z.set(600.0f, 450.0f);
    const double ratio = 600.0 / 450.0;
    const char steps[] = "eeeerreeerrrrrrreeeeeeeeeerrrre";
    for (const char *s = steps; *s; ++s) {
        if (*s == 'e')
            z.enlarge();
        else
            z.reduce();
        QVERIFY2(std::abs(double(z.width()) / double(z.height()) - ratio) < 1e-6,
                 qPrintable(QStringLiteral("%1 x %2").arg(z.width()).arg(z.height())));
    }
}

void TestZoomModel::naturalSize()
{
    ZoomSize z;
    z.enlarge();
    z.setNatural(QSize(40, 30));
    QCOMPARE(z.width(), 600.0f);
    QCOMPARE(z.height(), 450.0f);
    QCOMPARE(z.pixelWidth(), 40.0);
    QCOMPARE(z.pixelHeight(), 30.0);
}

void TestZoomModel::pixelRounding_data()
{
    QTest::addColumn<float>("twips");
    QTest::addColumn<double>("pixels");
    QTest::newRow("37.5 -> 38") << 562.5f << 38.0;
    QTest::newRow("36.5 -> 36") << 547.5f << 36.0;
    QTest::newRow("0.9") << 13.5f << 1.0;
    QTest::newRow("past int") << 64424509440.0f << 4294967296.0; // 15 x 2^32
}

void TestZoomModel::pixelRounding()
{
    QFETCH(float, twips);
    QFETCH(double, pixels);
    ZoomSize z;
    z.set(twips, twips);
    QCOMPARE(z.pixelWidth(), pixels);
}

void TestZoomModel::noOverflowToInfinity()
{
    ZoomSize z;
    z.set(FLT_MAX / 1.1f, 100.0f);
    QVERIFY(!z.enlarge());
    QCOMPARE(z.width(), FLT_MAX / 1.1f);
    QCOMPARE(z.height(), 100.0f);
    // Still reducible afterwards: no infinity or NaN crept in.
    QVERIFY(!z.reduce());
    QVERIFY(std::isfinite(z.width()));
    QCOMPARE(z.height(), 75.0f);
    ZoomSize big;
    for (int i = 0; i < 1000; ++i)
        big.enlarge();
    QVERIFY(std::isfinite(big.width()) && std::isfinite(big.height()));
    QVERIFY(big.width() > 1e37f);
}

void TestZoomModel::buttonLefts_data()
{
    QTest::addColumn<double>("outer");
    QTest::addColumn<double>("l4");
    QTest::newRow("1600 px") << 24000.0 << 19780.0;
    QTest::newRow("design") << 14700.0 << 10480.0;
    QTest::newRow("narrow") << 3000.0 << -1220.0;
}

void TestZoomModel::buttonLefts()
{
    QFETCH(double, outer);
    QFETCH(double, l4);
    const std::array<double, 4> lefts = zoomButtonLefts(outer, 1005, 1005, 1005, 1005);
    QCOMPARE(lefts[0], l4);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(lefts[size_t(i) + 1], lefts[size_t(i)] + 1005); // edge to edge
    QCOMPARE(lefts[3] + 1005, outer - 200);
    // Unequal widths: each left leaves room for the ones to its right.
    const std::array<double, 4> mixed = zoomButtonLefts(10000, 100, 200, 300, 400);
    QCOMPARE(mixed[0], 10000.0 - 100 - 200 - 300 - 400 - 200);
    QCOMPARE(mixed[1], mixed[0] + 100);
    QCOMPARE(mixed[2], mixed[1] + 200);
    QCOMPARE(mixed[3], mixed[2] + 300);
}

static QImage quadrants(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         x < w / 2 ? (y < h / 2 ? 0xffff0000 : 0xff00ff00) : (y < h / 2 ? 0xff0000ff : 0xff000000));
    return img;
}

void TestZoomModel::stretchQuadrants()
{
    const QImage src = quadrants(2, 2);
    QRect covered;
    const QImage out = renderStretched(src, 6, 4, QRect(0, 0, 6, 4), &covered);
    QCOMPARE(covered, QRect(0, 0, 6, 4));
    QCOMPARE(out.size(), QSize(6, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            QCOMPARE(out.pixel(x, y), src.pixel(x / 3, y / 2));
}

void TestZoomModel::stretchReduces()
{
    QImage src(4, 4, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            src.setPixel(x, y, qRgb(x * 60, y * 60, 7));
    const QImage out = renderStretched(src, 2, 2, QRect(0, 0, 2, 2));
    // The source pixel under each target pixel's centre: 1 and 3.
    QCOMPARE(out.pixel(0, 0), src.pixel(1, 1));
    QCOMPARE(out.pixel(1, 0), src.pixel(3, 1));
    QCOMPARE(out.pixel(1, 1), src.pixel(3, 3));
}

void TestZoomModel::stretchExposedPartOnly()
{
    const QImage src = quadrants(10, 10);
    QRect covered;
    // Exposed area reaching past the picture's right edge.
    const QImage out = renderStretched(src, 100, 100, QRect(45, 40, 100, 20), &covered);
    QCOMPARE(covered, QRect(45, 40, 55, 20));
    QCOMPARE(out.size(), covered.size());
    QCOMPARE(out.pixel(0, 0), 0xffff0000u);  // x 45 -> source column 4
    QCOMPARE(out.pixel(5, 0), 0xff0000ffu);  // x 50 -> column 5
    QCOMPARE(out.pixel(5, 19), 0xff000000u); // y 59 -> row 5
}

void TestZoomModel::stretchHugeSize()
{
    const QImage src = quadrants(64, 64);
    QElapsedTimer timer;
    timer.start();
    QRect covered;
    // A size no pixmap could hold; only the exposed 800 x 600 is computed.
    const QImage out = renderStretched(src, 3.0e12, 3.0e12, QRect(0, 0, 800, 600), &covered);
    QCOMPARE(covered, QRect(0, 0, 800, 600));
    QCOMPARE(out.pixel(799, 599), src.pixel(0, 0));
    const QImage far = renderStretched(src, 3.0e9, 3.0e9, QRect(1500000000, 1500000000, 10, 10), &covered);
    QCOMPARE(far.pixel(0, 0), src.pixel(32, 32));
    QCOMPARE(far.pixel(0, 0), 0xff000000u);
}

void TestZoomModel::stretchNothing()
{
    const QImage src = quadrants(4, 4);
    QRect covered(1, 1, 1, 1);
    QVERIFY(renderStretched(src, 10, 10, QRect(20, 20, 5, 5), &covered).isNull());
    QVERIFY(covered.isNull());
    QVERIFY(renderStretched(src, 0, 10, QRect(0, 0, 5, 5)).isNull());
    QVERIFY(renderStretched(QImage(), 10, 10, QRect(0, 0, 5, 5)).isNull());
}

QTEST_GUILESS_MAIN(TestZoomModel)
#include "tst_zoommodel.moc"
