// The map grid and the map file, headless.
#include "map/mapgrid.h"
#include "testsupport/testsupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace ptt;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

Picture solid(int w, int h, QRgb colour)
{
    Picture p;
    p.image = QImage(w, h, QImage::Format_RGB32);
    p.image.fill(colour);
    p.naturalSize = p.image.size();
    return p;
}

// A patterned picture, so a picture drawn from the wrong offset shows. Slot 9
// has alpha (drawn over what lies below) and slot 10 is stored at half its
// natural size, as a reduced metafile is.
Picture slotPicture(int slot, QSize natural)
{
    Picture p;
    p.naturalSize = natural;
    p.image = slot == 10 ? test::patternImage(qMax(1, natural.width() / 2), qMax(1, natural.height() / 2))
                         : test::patternImage(natural.width(), natural.height(), slot == 9);
    return p;
}

} // namespace

using Sizes = QList<QSize>;

class TestMapGrid : public QObject {
    Q_OBJECT
private slots:
    void parseSize_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // -99999 = refused
        QTest::newRow("6") << "6" << 6;
        QTest::newRow("spaces") << " 12 " << 12;
        QTest::newRow("2.5 halves to even") << "2.5" << 2;
        QTest::newRow("3.5 halves to even") << "3.5" << 4;
        QTest::newRow("letters") << "abc" << -99999;
        QTest::newRow("empty") << "" << -99999;
        QTest::newRow("beyond 16 bits") << "40000" << -99999;
    }
    void parseSize()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        const std::optional<int> got = MapGrid::parseSize(text);
        if (value == -99999)
            QVERIFY(!got);
        else
            QCOMPARE(got.value_or(-1), value);
    }

    void sizeLimits_data()
    {
        QTest::addColumn<QString>("cols");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<bool>("ok");
        QTest::newRow("1x1") << "1"
                             << "1" << true;
        QTest::newRow("217x151") << "217"
                                 << "151" << true;
        QTest::newRow("254x129") << "254"
                                 << "129" << true;
        QTest::newRow("256x128 = 32768") << "256"
                                         << "128" << false;
        QTest::newRow("257 columns") << "257"
                                     << "1" << false;
        QTest::newRow("zero") << "0"
                              << "6" << false;
        QTest::newRow("negative") << "6"
                                  << "-3" << false;
        QTest::newRow("no number") << "six"
                                   << "6" << false;
    }
    void sizeLimits()
    {
        QFETCH(QString, cols);
        QFETCH(QString, rows);
        QFETCH(bool, ok);
        MapGrid g;
        QVERIFY(g.SetUpGrid(QStringLiteral("2"), QStringLiteral("2"), QSizeF(10, 10)));
        g.MapCells[3] = 5;
        QString error;
        QCOMPARE(g.SetUpGrid(cols, rows, QSizeF(105, 105), &error), ok);
        if (!ok) {
            // A refused size leaves the grid as it was and says why.
            QVERIFY(!error.isEmpty());
            QCOMPARE(g.GridCols, 2);
            QCOMPARE(g.MapCells.at(3), qint16(5));
        }
    }

    void setUpGivesEmptyGridWithPictureOne()
    {
        MapGrid g;
        QVERIFY(g.SetUpGrid(QStringLiteral("6"), QStringLiteral("6"), QSizeF(105, 105)));
        QCOMPARE(g.cellCount(), 36);
        QCOMPARE(g.clientSize(), QSize(630, 630));
        QCOMPARE(g.MapCells.at(0), qint16(1));
        QCOMPARE(std::count(g.MapCells.cbegin(), g.MapCells.cend(), qint16(0)), 35);
        QCOMPARE(g.SelPic, 1);
        g.SelPic = 4;
        QVERIFY(g.Place(QPointF(400, 300)));
        QVERIFY(g.SetUpGrid(QStringLiteral("6"), QStringLiteral("6"), QSizeF(105, 105)));
        QCOMPARE(std::count(g.MapCells.cbegin(), g.MapCells.cend(), qint16(0)), 35);
        QCOMPARE(g.SelPic, 1);
    }

    void placeAddressesCells_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<int>("index"); // -1 = nothing placed
        QTest::newRow("row 2 col 3") << QPointF(3 * 105 + 10, 2 * 105 + 50) << 2 * 6 + 3;
        QTest::newRow("origin") << QPointF(0, 0) << 0;
        QTest::newRow("last pixel of cell 0") << QPointF(104, 104) << 0;
        QTest::newRow("104.5 rounds to even 104") << QPointF(104.5, 0) << 0;
        QTest::newRow("105.5 rounds to 106") << QPointF(105.5, 0) << 1;
        QTest::newRow("bottom-right cell") << QPointF(629, 629) << 35;
        QTest::newRow("right of grid") << QPointF(630, 10) << -1;
        QTest::newRow("below grid") << QPointF(10, 700) << -1;
        QTest::newRow("left of grid") << QPointF(-3, 10) << -1;
    }
    void placeAddressesCells()
    {
        QFETCH(QPointF, point);
        QFETCH(int, index);
        MapGrid g;
        QVERIFY(g.SetUpGrid(QStringLiteral("6"), QStringLiteral("6"), QSizeF(105, 105)));
        g.MapCells[0] = 0;
        g.SelPic = 7;
        QCOMPARE(g.Place(point), index >= 0);
        for (int i = 0; i < g.cellCount(); ++i)
            QCOMPARE(g.MapCells.at(i), qint16(i == index ? 7 : 0));
    }

    void clearEmptiesEveryCell()
    {
        MapGrid g;
        QVERIFY(g.SetUpGrid(QStringLiteral("3"), QStringLiteral("2"), QSizeF(10, 10)));
        g.SelPic = 2;
        g.Place(QPointF(25, 5));
        g.Clear();
        QCOMPARE(g.MapCells, QVector<qint16>(6, 0));
        QCOMPARE(g.GridCols, 3);
        QCOMPARE(g.SelPic, 2);
    }

    void redrawLinesAndSpill()
    {
        MapGrid g;
        QVERIFY(g.SetUpGrid(QStringLiteral("3"), QStringLiteral("2"), QSizeF(10, 10)));
        const Picture wide = solid(15, 5, qRgb(255, 0, 0)); // spills right
        const Picture small = solid(4, 4, qRgb(0, 0, 255));
        g.MapCells = {1, 2, 0, 0, 0, 0};
        QImage image(30, 20, QImage::Format_RGB32);
        const QColor back(255, 100, 255), lines(162, 200, 89);
        g.Redraw(image, back, lines, [&](int v) { return v == 1 ? &wide : v == 2 ? &small : nullptr; });
        // Inner lines only: x = 10, 20 and y = 10; none on the outer edges.
        QCOMPARE(QColor(image.pixel(20, 15)), lines);
        QCOMPARE(QColor(image.pixel(25, 10)), lines);
        QCOMPARE(QColor(image.pixel(0, 15)), back);
        QCOMPARE(QColor(image.pixel(29, 15)), back);
        QCOMPARE(QColor(image.pixel(15, 19)), back);
        // Picture 1 covers the line at x = 10 and part of cell 1; cell 1,
        // drawn later, covers the spill where its own picture lies.
        QCOMPARE(image.pixel(10, 4), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(12, 2), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(14, 4), qRgb(255, 0, 0));
        QCOMPARE(QColor(image.pixel(14, 6)), back);  // rest of cell 1 in the background
        QCOMPARE(QColor(image.pixel(10, 6)), lines); // the line shows below the picture
    }

    // Redrawing the area a placement may change gives, after every one of
    // many seeded placements, the image a full Redraw gives.
    void areaRedrawEqualsFullRedraw_data()
    {
        QTest::addColumn<int>("cols");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QSizeF>("cell");
        QTest::addColumn<Sizes>("sizes"); // natural sizes of pictures 1..10
        QTest::addColumn<int>("seed");
        const Sizes mixed{{10, 10}, {4, 4}, {15, 5}, {23, 17}, {31, 9}, {6, 25}, {1, 1}, {10, 3}, {12, 12}, {14, 14}};
        const Sizes large{{35, 28}, {41, 12}, {12, 44}, {30, 30}, {50, 50},
                          {22, 31}, {27, 19}, {40, 9},  {33, 33}, {26, 26}};
        QTest::newRow("7x5, smaller and larger") << 7 << 5 << QSizeF(10, 10) << mixed << 1;
        QTest::newRow("7x5, all over several cells") << 7 << 5 << QSizeF(10, 10) << large << 2;
        QTest::newRow("one column") << 1 << 9 << QSizeF(10, 10) << mixed << 3;
        QTest::newRow("one row") << 9 << 1 << QSizeF(10, 10) << large << 4;
        QTest::newRow("one cell") << 1 << 1 << QSizeF(10, 10) << large << 5;
        QTest::newRow("fractional cells") << 8 << 6 << QSizeF(10.5, 7.5) << mixed << 6;
        QTest::newRow("cells 3x2, pictures far larger") << 12 << 10 << QSizeF(3, 2) << mixed << 7;
    }
    void areaRedrawEqualsFullRedraw()
    {
        QFETCH(int, cols);
        QFETCH(int, rows);
        QFETCH(QSizeF, cell);
        QFETCH(Sizes, sizes);
        QFETCH(int, seed);
        QList<Picture> shown;
        for (int k = 1; k <= 10; ++k)
            shown.append(slotPicture(k, sizes.at(k - 1)));
        const MapGrid::PictureFor pictures = [&](int v) { return &shown.at(v - 1); };
        const QColor back(255, 100, 255), lines(162, 200, 89);

        MapGrid g;
        QVERIFY(g.SetUpGrid(QString::number(cols), QString::number(rows), cell));
        QImage image(g.clientSize(), QImage::Format_RGB32);
        g.Redraw(image, back, lines, pictures);
        QImage full(image.size(), QImage::Format_RGB32);
        QRandomGenerator random(seed);
        const int n = g.cellCount();
        // The corners first, then anywhere; value 0 empties a cell.
        QList<int> order{0, cols - 1, n - cols, n - 1};
        while (order.size() < 300)
            order.append(random.bounded(n));
        for (int step = 0; step < order.size(); ++step) {
            const int i = order.at(step);
            const int before = g.MapCells.at(i);
            g.MapCells[i] = qint16(random.bounded(11));
            g.RedrawArea(image, g.changedArea(i, before, pictures), back, lines, pictures);
            g.Redraw(full, back, lines, pictures);
            if (image != full)
                QFAIL(qPrintable(QStringLiteral("placement %1 (cell %2: %3 -> %4) differs")
                                     .arg(step)
                                     .arg(i)
                                     .arg(before)
                                     .arg(g.MapCells.at(i))));
        }
        // Drawing over a page of plain background is a full Redraw too.
        QImage plain(image.size(), QImage::Format_RGB32);
        plain.fill(back);
        g.DrawOnBackground(plain, lines, pictures);
        QCOMPARE(plain, full);
    }

    void oneCellHasNoLines()
    {
        MapGrid g;
        QVERIFY(g.SetUpGrid(QStringLiteral("1"), QStringLiteral("1"), QSizeF(8, 8)));
        QImage image(8, 8, QImage::Format_RGB32);
        g.Redraw(image, Qt::white, Qt::black, [](int) { return nullptr; });
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                QCOMPARE(image.pixel(x, y), qRgb(255, 255, 255));
    }

    void mapFileWorkedExample()
    {
        test::TempAppDir dir;
        MapGrid g;
        QVERIFY(g.SetUpGrid(QStringLiteral("3"), QStringLiteral("2"), QSizeF(10, 10)));
        g.SelPic = 2;
        g.Place(QPointF(25, 5));
        g.SelPic = 10;
        g.Place(QPointF(15, 15));
        const QString path = dir.file(QStringLiteral("map"));
        QVERIFY(saveMapFile(path, g.MapCells));
        QCOMPARE(fileBytes(path), QByteArray::fromHex("01000000020000000a000000"));
    }

    void mapFileRightAfterOpening()
    {
        test::TempAppDir dir;
        MapGrid g;
        QVERIFY(g.SetUpGrid(QStringLiteral("6"), QStringLiteral("6"), QSizeF(105, 105)));
        const QString path = dir.file(QStringLiteral("a.map"));
        QVERIFY(saveMapFile(path, g.MapCells));
        QCOMPARE(fileBytes(path), QByteArray::fromHex("0100") + QByteArray(70, '\0'));
    }

    void savingOverLongerFileLeavesOnlyNewCells()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("m"));
        writeBytes(path, QByteArray(100, '\x03'));
        QVERIFY(saveMapFile(path, {1, 0}));
        QCOMPARE(fileBytes(path), QByteArray::fromHex("01000000"));
    }

    void readingWrapsUnderOtherGridSize()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("m"));
        writeBytes(path, QByteArray::fromHex("01000000020000000a000000"));
        MapGrid g;
        QVERIFY(g.SetUpGrid(QStringLiteral("2"), QStringLiteral("3"), QSizeF(10, 10)));
        const MapFileRead r = loadMapFile(path, g.cellCount());
        QVERIFY(r.ok);
        QCOMPARE(r.cells, (QVector<qint16>{1, 0, 2, 0, 10, 0}));
    }

    void shortFileAndBadValues()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("m"));
        writeBytes(path, QByteArray::fromHex("0500ffff0b0003")); // 5, -1, 11, half a value
        const MapFileRead r = loadMapFile(path, 6);
        QVERIFY(r.ok);
        QCOMPARE(r.cells, (QVector<qint16>{5, 0, 0, 0, 0, 0}));
        QCOMPARE(r.outOfRange, 2);
        const MapFileRead larger = loadMapFile(path, 2);
        QCOMPARE(larger.cells, (QVector<qint16>{5, 0}));
    }

    void unreadableAndUnwritable()
    {
        test::TempAppDir dir;
        QVERIFY(!loadMapFile(dir.file(QStringLiteral("none")), 4).ok);
        const FileResult saved = saveMapFile(dir.file(QStringLiteral("no/such/dir/m")), {1});
        QVERIFY(!saved);
        QVERIFY(!saved.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMapGrid)
#include "test_mapgrid.moc"
