// The map page drawn band by band against the window's own full Redraw of the
// same grid, headless.
#include "map/mapband.h"
#include "map/mapgrid.h"
#include "map/mapstock.h"
#include "pageops/samples.h"
#include "testsupport/testsupport.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <array>

using namespace ptt;

namespace {

// Custom small pictures: picture 1 (9 x 5) sets the cell; the others are
// smaller, larger by many cells, very wide, very tall, one with alpha.
const QSize kCustomSizes[MapGrid::kPictureCount] = {{9, 5}, {3, 2},   {60, 47}, {200, 13}, {11, 70},
                                                    {9, 5}, {18, 10}, {5, 31},  {1, 1},    {40, 40}};

} // namespace

class TestMapBand : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QStringList m_custom;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A map file of `count` cells, seeded, with values beyond 0..10 mixed in.
    QString writeMap(const QString &name, int count, quint32 seed)
    {
        QRandomGenerator random(seed);
        QVector<qint16> cells(count);
        for (qint16 &cell : cells)
            cell = qint16(random.bounded(-1, 13)); // -1, 11 and 12 read as empty
        const QString file = path(name);
        if (!saveMapFile(file, cells))
            return QString();
        return file;
    }

private slots:
    void initTestCase()
    {
        for (int k = 0; k < MapGrid::kPictureCount; ++k) {
            const bool alpha = k == 9;
            const QString file =
                path(QStringLiteral("small%1.%2").arg(k + 1).arg(QLatin1String(alpha ? "ico" : "bmp")));
            const QSize size = kCustomSizes[k];
            QVERIFY(
                test::writeImage(file, test::patternImage(size.width(), size.height(), alpha), alpha ? "ICO" : "BMP"));
            m_custom << file;
        }
    }

    void bandsMakeTheWindowsPage_data()
    {
        QTest::addColumn<bool>("builtIn");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("mapCells"); // a short file leaves the rest empty
        QTest::addColumn<int>("bandHeight");
        // 105-pixel cells, pictures up to 226 x 164.
        for (int band : {1, 104, 105, 106, 211, 630})
            QTest::addRow("built-in 6x6 band %d", band) << true << 6 << 6 << 36 << band;
        // 2304 pixels wide: more than one part of a band; pictures reach
        // up to 40 cells right and 13 rows down.
        for (int band : {1, 4, 5, 6, 37, 200})
            QTest::addRow("custom 256x40 band %d", band) << false << 256 << 40 << 9000 << band;
        QTest::addRow("custom 1x1") << false << 1 << 1 << 1 << 2;
        // Nothing reaches beyond its cell; band edges on the grid lines.
        QTest::addRow("custom 256x40 empty band 5") << false << 256 << 40 << 0 << 5;
    }
    void bandsMakeTheWindowsPage()
    {
        QFETCH(bool, builtIn);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, mapCells);
        QFETCH(int, bandHeight);
        const QString map = writeMap(QStringLiteral("map%1x%2").arg(columns).arg(rows), mapCells, 11);
        QVERIFY(!map.isEmpty());

        // The window's way: 确定大小 with picture 1's size, 载入地图, Redraw
        // on the grid's image, which is what 整版保存 writes.
        std::array<Picture, MapGrid::kPictureCount> pictures;
        for (int k = 0; k < MapGrid::kPictureCount; ++k)
            pictures[k] = builtIn ? storedPicture(mapSmallPicturePath(k + 1)) : loadPicture(m_custom[k]).picture;
        MapGrid grid;
        QVERIFY(grid.SetUpGrid(QString::number(columns), QString::number(rows), QSizeF(pictures[0].naturalSize)));
        const MapFileRead read = loadMapFile(map, grid.cellCount());
        QVERIFY(read.ok);
        grid.MapCells = read.cells;
        QImage reference(grid.clientSize(), QImage::Format_RGB32);
        grid.Redraw(reference, kMapBackColour, kMapLineColour,
                    [&](int value) { return value >= 1 && value <= 10 ? &pictures[value - 1] : nullptr; });

        QString error;
        const auto source = makeMapBandSource(map, columns, rows, builtIn ? QStringList() : m_custom, &error);
        QVERIFY2(source, qPrintable(error));
        QCOMPARE(source->pageSize(), reference.size());
        if (builtIn)
            QCOMPARE(source->pageSize(), QSize(630, 630));
        const QImage page = test::drawInBands(*source, bandHeight, &error);
        QVERIFY2(!page.isNull(), qPrintable(error));
        QCOMPARE(test::changedBox(page, reference), QRect());
    }

    void badInputsAreRefused_data()
    {
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<QString>("map");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("named");
        const QString map = writeMap(QStringLiteral("ok.map"), 4, 1);
        QStringList missing = m_custom;
        missing[6] = path(QStringLiteral("gone.bmp"));
        QTest::newRow("three pictures") << m_custom.mid(0, 3) << map << 2 << 2 << "10";
        QTest::newRow("eleven pictures") << (m_custom + QStringList{m_custom[0]}) << map << 2 << 2 << "11";
        QTest::newRow("a picture missing") << missing << map << 2 << 2 << "gone.bmp";
        QTest::newRow("a picture unreadable") << (m_custom.mid(0, 9) << map) << map << 2 << 2 << "ok.map";
        QTest::newRow("no map file") << QStringList() << path(QStringLiteral("none.map")) << 2 << 2 << "none.map";
        QTest::newRow("map path a folder") << QStringList() << m_dir.path() << 2 << 2 << m_dir.path();
        QTest::newRow("257 columns") << QStringList() << map << 257 << 1 << "256";
        QTest::newRow("no rows") << QStringList() << map << 3 << 0 << "256";
        QTest::newRow("too many cells") << QStringList() << map << 200 << 200 << "32767";
    }
    void badInputsAreRefused()
    {
        QFETCH(QStringList, pictures);
        QFETCH(QString, map);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QString, named);
        QString error;
        QVERIFY(!makeMapBandSource(map, columns, rows, pictures, &error));
        QVERIFY2(error.contains(named), qPrintable(error));
        QVERIFY(!error.contains(QLatin1Char('\n')));
    }
};

QTEST_GUILESS_MAIN(TestMapBand)
#include "test_mapband.moc"
