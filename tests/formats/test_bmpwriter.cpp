#include "formats/bmpwriter.h"
#include "testsupport/testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>

using namespace ptt;

namespace {
quint32 u32(const QByteArray &d, int at)
{
    return quint32(uchar(d[at])) | quint32(uchar(d[at + 1])) << 8 | quint32(uchar(d[at + 2])) << 16 |
           quint32(uchar(d[at + 3])) << 24;
}
quint16 u16(const QByteArray &d, int at)
{
    return quint16(uchar(d[at]) | uchar(d[at + 1]) << 8);
}
QByteArray bmpOf(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return writeBmp24(&buffer, image) ? buffer.data() : QByteArray();
}

// A page of a given size whose bands count how often they are drawn and can fail.
class CountingSource : public BandSource {
public:
    CountingSource(QSize size, int failAtTop = -1) : m_size(size), m_failAt(failAtTop) {}
    QSize pageSize() const override { return m_size; }
    bool drawBand(QImage &band, int top) override
    {
        ++bands;
        band.fill(Qt::red);
        return top != m_failAt;
    }
    QString error() const override { return QStringLiteral("band broken"); }
    int bands = 0;

private:
    QSize m_size;
    int m_failAt;
};

// An image that repeats down and across, saying so.
class RepeatingSource : public ImageBandSource {
public:
    RepeatingSource(const QImage &image, int period, int columns)
        : ImageBandSource(image), m_period(period), m_columns(columns)
    {
    }
    int rowPeriod() const override { return m_period; }
    int columnPeriod() const override { return m_columns; }

private:
    int m_period;
    int m_columns;
};

QImage repeating(const QImage &image, int period, int columns)
{
    QImage out = image.copy();
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(out.scanLine(y));
        const auto *from = reinterpret_cast<const quint32 *>(out.constScanLine(period > 0 ? y % period : y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = from[columns > 0 ? x % columns : x];
    }
    return out;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class TestBmpWriter : public QObject {
    Q_OBJECT
private slots:
    void headerAndPadding_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("stride");
        QTest::newRow("1x1 pads to 4") << 1 << 1 << 4;
        QTest::newRow("2x3 pads 6 to 8") << 2 << 3 << 8;
        QTest::newRow("3x2 pads 9 to 12") << 3 << 2 << 12;
        QTest::newRow("4x4 no padding") << 4 << 4 << 12;
        QTest::newRow("5x7") << 5 << 7 << 16;
        QTest::newRow("start page") << 2863 << 2196 << 8592;
    }
    void headerAndPadding()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, stride);
        const QImage image = test::patternImage(width, height);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(writeBmp24(&buffer, image));
        const QByteArray d = buffer.data();
        QCOMPARE(d.size(), 54 + stride * height);
        QCOMPARE(bmp24FileSize(width, height), qint64(d.size()));
        QCOMPARE(d.left(2), QByteArray("BM"));
        QCOMPARE(u32(d, 2), quint32(d.size()));
        QCOMPARE(u32(d, 6), 0u);
        QCOMPARE(u32(d, 10), 54u);
        QCOMPARE(u32(d, 14), 40u);
        QCOMPARE(int(u32(d, 18)), width);
        QCOMPARE(int(u32(d, 22)), height); // positive: bottom-up
        QCOMPARE(u16(d, 26), quint16(1));
        QCOMPARE(u16(d, 28), quint16(24));
        QCOMPARE(u32(d, 30), 0u);
        QCOMPARE(int(u32(d, 34)), stride * height);
        QCOMPARE(u32(d, 38), 3780u);
        QCOMPARE(u32(d, 42), 3780u);
        QCOMPARE(u32(d, 46), 0u);
        QCOMPARE(u32(d, 50), 0u);
        // Bottom-up rows, BGR order, zero padding.
        for (int row = 0; row < height; ++row) {
            const int y = height - 1 - row;
            const char *p = d.constData() + 54 + row * stride;
            for (int x = 0; x < width; ++x) {
                const QRgb c = image.pixel(x, y);
                QCOMPARE(uchar(p[3 * x]), uchar(qBlue(c)));
                QCOMPARE(uchar(p[3 * x + 1]), uchar(qGreen(c)));
                QCOMPARE(uchar(p[3 * x + 2]), uchar(qRed(c)));
            }
            for (int i = 3 * width; i < stride; ++i)
                QCOMPARE(uchar(p[i]), uchar(0));
        }
    }

    void readsBackWithQt()
    {
        const QImage image = test::patternImage(37, 11);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(writeBmp24(&buffer, image));
        QImage back;
        QVERIFY(back.loadFromData(buffer.data(), "BMP"));
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), image);
    }

    void nullImageRefused()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const FileResult result = writeBmp24(&buffer, QImage());
        QVERIFY(!result);
        QVERIFY(!result.error.isEmpty());
    }

    void failedSaveKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.bmp"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("precious");
        }
        // The write fails after the file was opened: the old content stays.
        const FileResult result = saveBmp24File(path, QImage());
        QVERIFY(!result);
        QVERIFY(!result.error.isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("precious"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.bmp")});
    }

    void replacesExistingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.bmp"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(100000, 'x'));
        }
        QVERIFY(saveBmp24File(path, test::patternImage(8, 8)));
        QCOMPARE(QFileInfo(path).size(), bmp24FileSize(8, 8));
    }

    // Band edges fall on every kind of row: a page of 1 row, one row short of a band, a band, one more.
    // Pages whose rows repeat are written from one packed block: its phase against the page's bottom
    // row, a period longer than a band, a block cut by the page's height.
    void bandsEqualWholeImage_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bandRows");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("columns");
        for (const int width : {1, 2, 3, 5, 37}) {
            for (const int height : {1, 6, 7, 8, 15}) {
                QTest::addRow("%dx%d, bands of 7", width, height) << width << height << 7 << 0 << 0;
            }
        }
        QTest::newRow("band of one row") << 13 << 5 << 1 << 0 << 0;
        QTest::newRow("band taller than the page") << 13 << 5 << 100 << 0 << 0;
        QTest::newRow("several write chunks") << 1501 << 1000 << 333 << 0 << 0;
        for (const int period : {1, 2, 7, 8, 14, 15, 16})
            QTest::addRow("rows repeat every %d of 15", period) << 5 << 15 << 7 << period << 0;
        QTest::newRow("period of one row, many writes") << 3 << 3001 << 7 << 1 << 0;
        QTest::newRow("wide rows repeat every 333") << 1501 << 1000 << 100 << 333 << 0;
        // Tiles: rows put together from one tile row, with padding, cut tiles at the right edge, a tile
        // taller than the page.
        for (const int columns : {1, 2, 3, 4, 36})
            QTest::addRow("37 wide, tiles %d wide, 7 high", columns) << 37 << 15 << 7 << 7 << columns;
        QTest::newRow("tile taller than the page") << 37 << 15 << 7 << 40 << 5;
        QTest::newRow("tiles 382 x 383, many writes") << 1501 << 1000 << 100 << 383 << 382;
    }
    void bandsEqualWholeImage()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, bandRows);
        QFETCH(int, period);
        QFETCH(int, columns);
        const QImage image = repeating(test::patternImage(width, height), period, columns);
        RepeatingSource source(image, period, columns);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QList<int> told;
        BmpWriteOptions options;
        options.bandBytes = qint64(width) * 4 * bandRows;
        options.progress = [&told](int percent) {
            told.append(percent);
            return true;
        };
        QVERIFY(writeBmp24(&buffer, source, options));
        QCOMPARE(buffer.data(), bmpOf(image));
        QCOMPARE(told.last(), 100);
        QVERIFY(std::is_sorted(told.cbegin(), told.cend()));
    }

    void sizeLimit_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("fits");
        QTest::newRow("largest square") << QSize(37837, 37837) << true;
        QTest::newRow("one more a side") << QSize(37838, 37838) << false;
        QTest::newRow("a wide strip") << QSize(1000000, 1000) << true;
        QTest::newRow("too wide") << QSize(2000000000, 1) << false;
        QTest::newRow("no rows") << QSize(100, 0) << false;
        QTest::newRow("negative") << QSize(-5, 10) << false;
    }
    void sizeLimit()
    {
        QFETCH(QSize, size);
        QFETCH(bool, fits);
        QCOMPARE(bool(checkBmp24Size(size)), fits);
        QCOMPARE(bmp24FileSize(size.width(), size.height()) <= qint64(0xffffffffu) && !size.isEmpty(), fits);
        if (fits)
            return;
        // Refused before anything is drawn or created.
        QTemporaryDir dir;
        CountingSource source(size);
        const FileResult result = saveBmp24File(dir.filePath(QStringLiteral("big.bmp")), source);
        QVERIFY(!result);
        QCOMPARE(result.error, checkBmp24Size(size).error);
        QCOMPARE(source.bands, 0);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // A cancel or a band that cannot be drawn midway leaves the old file as it was and nothing else.
    void stoppedMidwayKeepsOldFile_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled at half") << true;
        QTest::newRow("band fails") << false;
    }
    void stoppedMidwayKeepsOldFile()
    {
        QFETCH(bool, cancel);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.bmp"));
        writeFile(path, "precious");
        CountingSource source(QSize(100, 100), cancel ? -1 : 40);
        BmpWriteOptions options;
        options.bandBytes = 100 * 4 * 10;
        int last = -1;
        options.progress = [&](int percent) {
            last = percent;
            return !cancel || percent < 50;
        };
        const FileResult result = saveBmp24File(path, source, options);
        QVERIFY(!result);
        QCOMPARE(result.cancelled, cancel);
        QCOMPARE(result.error, cancel ? FileResult::userCancelled().error : QStringLiteral("band broken"));
        QVERIFY(source.bands > 1 && source.bands < 10);
        QVERIFY(last < 100);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("precious"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.bmp")});
    }

    void missingFolderReported()
    {
        QTemporaryDir dir;
        const FileResult result =
            saveBmp24File(dir.filePath(QStringLiteral("no/such/x.bmp")), test::patternImage(4, 4));
        QVERIFY(!result);
        QVERIFY(!result.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBmpWriter)
#include "test_bmpwriter.moc"
