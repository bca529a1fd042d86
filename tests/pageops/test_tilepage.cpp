#include "pageops/tilepage.h"
#include "testsupport/fixedmemory.h"
#include "testsupport/testsupport.h"

#include <QPainter>
#include <QTest>

#include <cstring>
#include <functional>

using namespace ptt;

Q_DECLARE_METATYPE(QImage)

namespace {

using SourceMaker = std::function<QImage(QSize)>;

QImage opaqueRgb32(QSize s)
{
    return test::patternImage(s.width(), s.height());
}

// Alpha 0, 128 and 255 mixed, non-premultiplied: how GIF and ICO pictures load.
QImage partlyTransparent(QSize s)
{
    return test::patternImage(s.width(), s.height(), true);
}

QImage partlyTransparentPremultiplied(QSize s)
{
    return partlyTransparent(s).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Every alpha value from 0 to 255 appears, with colours that premultiply unevenly.
QImage softAlpha(QSize s)
{
    QImage image(s, QImage::Format_ARGB32);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            image.setPixel(x, y, qRgba(255 - (x * 13) % 256, (y * 29) % 256, 77, (x * 37 + y * 11) % 256));
    return image;
}

// Blocks that are wholly opaque, wholly clear or half clear, as icons with a
// transparent surround load.
QImage blockyAlpha(QSize s)
{
    QImage image(s, QImage::Format_ARGB32);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const int block = (x / 8 + y / 5) % 3;
            const int alpha = block == 0 ? 255 : block == 1 ? 0 : 100;
            image.setPixel(x, y, qRgba((x * 9) & 0xff, (y * 17) & 0xff, 200, alpha));
        }
    return image;
}

QImage fullyTransparent(QSize s)
{
    QImage image(s, QImage::Format_ARGB32);
    image.fill(qRgba(200, 10, 10, 0));
    return image;
}

// ARGB32 whose every pixel is opaque: must cover like an RGB32 picture.
QImage opaqueArgb32(QSize s)
{
    return opaqueRgb32(s).convertToFormat(QImage::Format_ARGB32);
}

QImage indexed(QSize s, bool withTransparent)
{
    QImage image(s, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 16; ++i)
        table << qRgb(i * 16, 255 - i * 12, (i * 53) & 0xff);
    if (withTransparent)
        table[3] = qRgba(0, 0, 0, 0);
    image.setColorTable(table);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            image.setPixel(x, y, uint((x * 3 + y * 5) % 16));
    return image;
}

QImage rgb888(QSize s)
{
    return opaqueRgb32(s).convertToFormat(QImage::Format_RGB888);
}

QImage grayscale(QSize s)
{
    return opaqueRgb32(s).convertToFormat(QImage::Format_Grayscale8);
}

QImage uniformPage(QSize s)
{
    QImage page(s, QImage::Format_RGB32);
    page.fill(QColor(12, 200, 90));
    return page;
}

// Earlier content that differs from pixel to pixel, as after stamped text.
QImage busyPage(QSize s)
{
    QImage page(s, QImage::Format_RGB32);
    for (int y = 0; y < s.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = 0; x < s.width(); ++x)
            line[x] = qRgb((x * 31 + y * 7) & 0xff, (x * x + y) & 0xff, (y * 3 - x) & 0xff);
    }
    return page;
}

// Position of the first differing pixel, for a readable failure.
QString firstDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return QStringLiteral("size or format differs");
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("(%1, %2): %3 vs %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 8, 16, QLatin1Char('0'))
                    .arg(b.pixel(x, y), 8, 16, QLatin1Char('0'));
    return {};
}

struct SourceKind {
    const char *name;
    SourceMaker make;
};

const SourceKind kSources[] = {
    {"opaque RGB32", opaqueRgb32},
    {"opaque ARGB32", opaqueArgb32},
    {"partly transparent ARGB32", partlyTransparent},
    {"partly transparent premultiplied", partlyTransparentPremultiplied},
    {"soft alpha", softAlpha},
    {"blocks of alpha", blockyAlpha},
    {"fully transparent", fullyTransparent},
    {"indexed opaque", [](QSize s) { return indexed(s, false); }},
    {"indexed with transparent entry", [](QSize s) { return indexed(s, true); }},
    {"RGB888", rgb888},
    {"grayscale", grayscale},
};

struct Geometry {
    const char *name;
    QSize page;
    QSize sourceSize;
    QSize tile;
};

const Geometry kGeometries[] = {
    {"same size, exact multiple", {120, 90}, {40, 30}, {40, 30}},
    {"same size, cut off both ways", {131, 97}, {40, 30}, {40, 30}},
    {"scaled up", {250, 170}, {7, 5}, {31, 23}},
    {"scaled down", {250, 170}, {97, 83}, {23, 19}},
    {"scaled down by two", {200, 160}, {64, 48}, {32, 24}},
    {"scaled up by two", {200, 160}, {16, 12}, {32, 24}},
    {"squeezed one way, stretched the other", {233, 177}, {50, 9}, {13, 41}},
    {"1x1 source", {57, 43}, {1, 1}, {6, 5}},
    {"1x1 tile from a large source", {37, 29}, {40, 30}, {1, 1}},
    {"1x1 tile, 1x1 source", {37, 29}, {1, 1}, {1, 1}},
    {"1 pixel wide tiles", {45, 33}, {9, 9}, {1, 7}},
    {"1 pixel high tiles", {45, 33}, {9, 9}, {7, 1}},
    {"tile larger than page", {50, 40}, {30, 30}, {80, 70}},
    {"tile wider than page only", {50, 80}, {20, 20}, {90, 30}},
    {"1x1 page", {1, 1}, {20, 20}, {20, 20}},
    {"1x1 page, scaled tile", {1, 1}, {20, 20}, {5, 3}},
    {"page one tile", {40, 30}, {40, 30}, {40, 30}},
    {"narrow page", {3, 200}, {10, 10}, {2, 9}},
    {"page row not a multiple of 4 pixels", {1023, 21}, {17, 5}, {17, 5}},
    {"start page proportions", {573, 440}, {76, 77}, {76, 77}},
    {"sample scaled to pattern", {573, 440}, {137, 137}, {76, 77}},
};

} // namespace

class TestTilePage : public QObject {
    Q_OBJECT
private slots:
    void tileGrid_data()
    {
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QSize>("tile");
        QTest::addColumn<QSize>("grid");
        QTest::newRow("start page") << QSize(2863, 2196) << QSize(382, 383) << QSize(8, 6);
        QTest::newRow("exact multiple") << QSize(764, 766) << QSize(382, 383) << QSize(2, 2);
        QTest::newRow("one pixel over") << QSize(765, 767) << QSize(382, 383) << QSize(3, 3);
        QTest::newRow("tile larger than page") << QSize(10, 10) << QSize(382, 383) << QSize(1, 1);
        QTest::newRow("1x1 tile") << QSize(2863, 2196) << QSize(1, 1) << QSize(2863, 2196);
        QTest::newRow("1x1 page") << QSize(1, 1) << QSize(5, 5) << QSize(1, 1);
        QTest::newRow("empty page") << QSize(0, 10) << QSize(5, 5) << QSize(0, 0);
        QTest::newRow("zero tile width") << QSize(100, 100) << QSize(0, 5) << QSize(0, 0);
        QTest::newRow("negative tile height") << QSize(100, 100) << QSize(5, -5) << QSize(0, 0);
        QTest::newRow("after a 100x50 picture") << QSize(2863, 2196) << QSize(100, 50) << QSize(29, 44);
    }
    void tileGrid()
    {
        QFETCH(QSize, page);
        QFETCH(QSize, tile);
        QFETCH(QSize, grid);
        QCOMPARE(ptt::tileGrid(page, tile), grid);
    }

    // The reference itself: tiles from (0, 0), row by row, cut at the edges.
    void referencePlacesTilesFromTopLeft()
    {
        QImage source(2, 2, QImage::Format_RGB32);
        source.setPixel(0, 0, qRgb(255, 0, 0));
        source.setPixel(1, 0, qRgb(0, 255, 0));
        source.setPixel(0, 1, qRgb(0, 0, 255));
        source.setPixel(1, 1, qRgb(255, 255, 255));
        QImage page = uniformPage(QSize(5, 3));
        TilePageReference(page, source, QSize(2, 2));
        const QRgb r = qRgb(255, 0, 0), g = qRgb(0, 255, 0), b = qRgb(0, 0, 255), w = qRgb(255, 255, 255);
        const QRgb expected[3][5] = {{r, g, r, g, r}, {b, w, b, w, b}, {r, g, r, g, r}};
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(page.pixel(x, y), expected[y][x]);
    }

    void matchesReference_data()
    {
        QTest::addColumn<QImage>("page");
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QSize>("tile");
        for (const Geometry &g : kGeometries) {
            for (const SourceKind &s : kSources) {
                const QImage source = s.make(g.sourceSize);
                QTest::addRow("%s, %s, uniform page", g.name, s.name) << uniformPage(g.page) << source << g.tile;
                QTest::addRow("%s, %s, busy page", g.name, s.name) << busyPage(g.page) << source << g.tile;
            }
        }
        // Sizes near the program's own: the start page with the pattern's
        // tile, and a sample of 685 x 685 scaled to it.
        const QSize start(2863, 2196);
        QTest::newRow("start page, pattern") << busyPage(start) << opaqueRgb32(QSize(382, 383)) << QSize(382, 383);
        QTest::newRow("start page, sample scaled")
            << busyPage(start) << opaqueRgb32(QSize(685, 685)) << QSize(382, 383);
        QTest::newRow("start page, transparent sample scaled")
            << busyPage(start) << partlyTransparentPremultiplied(QSize(685, 685)) << QSize(382, 383);
        QTest::newRow("start page, 1x1 tile from sample")
            << busyPage(start) << opaqueRgb32(QSize(685, 685)) << QSize(1, 1);
        QTest::newRow("start page, 3x2 tile, soft alpha") << busyPage(start) << softAlpha(QSize(3, 2)) << QSize(3, 2);
        QTest::newRow("start page, 1x1 half transparent")
            << busyPage(start) << softAlpha(QSize(2, 2)).copy(1, 1, 1, 1) << QSize(1, 1);
        // Far from the origin the painter's arithmetic works with large
        // coordinates; the tiles there must still match.
        QTest::newRow("wide page, tiny tile from large source")
            << busyPage(QSize(9001, 3)) << opaqueRgb32(QSize(685, 685)) << QSize(1, 1);
        QTest::newRow("tall page, tiny tile from large source")
            << busyPage(QSize(3, 9001)) << partlyTransparentPremultiplied(QSize(685, 685)) << QSize(2, 3);
        QTest::newRow("wide page, scaled down by two")
            << busyPage(QSize(12007, 5)) << opaqueRgb32(QSize(6, 4)) << QSize(3, 2);
        QTest::newRow("wide page, scaled down by two, transparent")
            << busyPage(QSize(12007, 5)) << partlyTransparent(QSize(6, 4)) << QSize(3, 2);
        QTest::newRow("wide page, 1x1 tile from large transparent source")
            << busyPage(QSize(12007, 3)) << partlyTransparent(QSize(685, 685)) << QSize(1, 1);
        QTest::newRow("tall page, 1x1 tile from large indexed source")
            << busyPage(QSize(2, 12007)) << indexed(QSize(300, 300), true) << QSize(1, 1);
        QTest::newRow("very wide page, RGB32 halved to 1x1 tiles")
            << busyPage(QSize(20011, 2)) << opaqueRgb32(QSize(2, 2)) << QSize(1, 1);
        QTest::newRow("very tall page, premultiplied halved")
            << busyPage(QSize(3, 20011)) << partlyTransparentPremultiplied(QSize(4, 6)) << QSize(2, 3);
        QTest::newRow("wide page, 1 pixel wide tile from 2 pixel source")
            << busyPage(QSize(20011, 2)) << indexed(QSize(2, 2), false) << QSize(1, 1);
    }
    void matchesReference()
    {
        QFETCH(QImage, page);
        QFETCH(QImage, source);
        QFETCH(QSize, tile);
        QImage expected = page.copy();
        TilePageReference(expected, source, tile);
        QImage actual = page.copy();
        TilePage(actual, source, tile);
        const QString diff = firstDifference(actual, expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // The page drawn in bands of 7 rows equals the whole page tiled at once over one background colour,
    // for every geometry and kind of source.
    void bandsMatchWholePage_data()
    {
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QSize>("tile");
        for (const Geometry &g : kGeometries)
            for (const SourceKind &s : kSources)
                QTest::addRow("%s, %s", g.name, s.name) << g.page << s.make(g.sourceSize) << g.tile;
        QTest::newRow("no tile size") << QSize(20, 20) << opaqueRgb32(QSize(5, 5)) << QSize(0, 5);
    }
    void bandsMatchWholePage()
    {
        QFETCH(QSize, page);
        QFETCH(QImage, source);
        QFETCH(QSize, tile);
        const QColor background(0, 64, 0);
        QImage expected = uniformPage(page);
        expected.fill(background);
        TilePage(expected, source, tile);

        TileBandSource bands(page, background, source, tile);
        QCOMPARE(bands.pageSize(), page);
        QImage actual(page, QImage::Format_RGB32);
        actual.fill(Qt::red);
        // Bottom band first and shorter, as the BMP writer asks for them.
        constexpr int kBandRows = 7;
        for (int top = (page.height() - 1) / kBandRows * kBandRows; top >= 0; top -= kBandRows) {
            const int rows = qMin(kBandRows, page.height() - top);
            QImage band(page.width(), rows, QImage::Format_RGB32);
            band.fill(Qt::blue);
            QVERIFY(bands.drawBand(band, top));
            QPainter(&actual).drawImage(0, top, band);
        }
        const QString diff = firstDifference(actual, expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        // Periods, when told, are ones the page keeps.
        const int period = bands.rowPeriod();
        const int columns = bands.columnPeriod();
        for (int y = period; period > 0 && y < page.height(); ++y)
            QVERIFY2(std::memcmp(expected.constScanLine(y), expected.constScanLine(y % period),
                                 size_t(page.width()) * 4) == 0,
                     qPrintable(QStringLiteral("row %1").arg(y)));
        for (int y = 0; columns > 0 && y < page.height(); ++y) {
            const auto *line = reinterpret_cast<const quint32 *>(expected.constScanLine(y));
            for (int x = columns; x < page.width(); ++x)
                QVERIFY2(line[x] == line[x % columns], qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
        }
    }

    // Without memory for the drawn tile and its rows, the painter tiles: same page.
    void withoutMemoryForCopiesTheResultIsTheSame_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::newRow("opaque") << opaqueRgb32(QSize(685, 685));
        QTest::newRow("partly transparent") << partlyTransparentPremultiplied(QSize(685, 685));
    }
    void withoutMemoryForCopiesTheResultIsTheSame()
    {
        QFETCH(QImage, source);
        const QImage page = busyPage(QSize(2863, 2196));
        QImage expected = page.copy();
        TilePageReference(expected, source, QSize(382, 383));
        test::FixedMemory memory;
        memory.bytes = 0;
        int asked = 0;
        memory.whileAsked = [&asked] { ++asked; };
        QImage actual = page.copy();
        TilePage(actual, source, QSize(382, 383));
        QCOMPARE(asked, 1);
        const QString diff = firstDifference(actual, expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // Pages held in other formats take the same result.
    void otherPageFormats_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("premultiplied") << QImage::Format_ARGB32_Premultiplied;
        QTest::newRow("RGB888") << QImage::Format_RGB888;
        QTest::newRow("RGB16") << QImage::Format_RGB16;
    }
    void otherPageFormats()
    {
        QFETCH(QImage::Format, format);
        for (const QImage &source : {opaqueRgb32(QSize(13, 11)), partlyTransparent(QSize(13, 11)),
                                     partlyTransparentPremultiplied(QSize(30, 20))}) {
            QImage expected = busyPage(QSize(101, 77)).convertToFormat(format);
            QImage actual = expected.copy();
            TilePageReference(expected, source, QSize(13, 11));
            TilePage(actual, source, QSize(13, 11));
            const QString diff = firstDifference(actual, expected);
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
        }
    }

    void fullyTransparentLeavesPage()
    {
        const QImage before = busyPage(QSize(90, 70));
        QImage page = before.copy();
        TilePage(page, fullyTransparent(QSize(9, 9)), QSize(9, 9));
        QCOMPARE(page, before);
        TilePage(page, fullyTransparent(QSize(9, 9)), QSize(4, 13));
        QCOMPARE(page, before);
    }

    void opaqueCoversEverything()
    {
        QImage page = busyPage(QSize(95, 61));
        QImage source(1, 1, QImage::Format_RGB32);
        source.fill(qRgb(1, 2, 3));
        TilePage(page, source, QSize(10, 10));
        QImage expected(page.size(), QImage::Format_RGB32);
        expected.fill(qRgb(1, 2, 3));
        QCOMPARE(page, expected);
    }

    void noTileSizeIsNoOp_data()
    {
        QTest::addColumn<QSize>("tile");
        QTest::newRow("zero width") << QSize(0, 10);
        QTest::newRow("zero height") << QSize(10, 0);
        QTest::newRow("negative width") << QSize(-3, 10);
        QTest::newRow("negative both") << QSize(-1, -1);
    }
    void noTileSizeIsNoOp()
    {
        QFETCH(QSize, tile);
        const QImage before = busyPage(QSize(40, 30));
        QImage page = before.copy();
        TilePage(page, opaqueRgb32(QSize(5, 5)), tile);
        QCOMPARE(page, before);
        TilePageReference(page, opaqueRgb32(QSize(5, 5)), tile);
        QCOMPARE(page, before);
    }

    void nullSourceOrPageIsNoOp()
    {
        const QImage before = busyPage(QSize(40, 30));
        QImage page = before.copy();
        TilePage(page, QImage(), QSize(5, 5));
        QCOMPARE(page, before);
        QImage nullPage;
        TilePage(nullPage, opaqueRgb32(QSize(5, 5)), QSize(5, 5));
        QVERIFY(nullPage.isNull());
    }

    // The page the caller holds is changed in place; copies taken before
    // keep their content.
    void sharedPageIsDetached()
    {
        QImage page = uniformPage(QSize(30, 30));
        const QImage copy = page;
        TilePage(page, opaqueRgb32(QSize(7, 7)), QSize(7, 7));
        QCOMPARE(copy, uniformPage(QSize(30, 30)));
        QVERIFY(page != copy);
    }
};

QTEST_GUILESS_MAIN(TestTilePage)
#include "test_tilepage.moc"
