// The pictures compiled into the program: each is there, decodes, has the
// size and the file format the windows expect.
#include "formats/picture.h"
#include "pageops/samples.h"

#include <QFile>
#include <QTest>

using namespace ptt;

static void initStored()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

QByteArray resource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 le32(const QByteArray &d, int at)
{
    return quint32(uchar(d[at])) | quint32(uchar(d[at + 1])) << 8 | quint32(uchar(d[at + 2])) << 16 |
           quint32(uchar(d[at + 3])) << 24;
}

// The start-of-frame marker kinds in a JPEG stream, walking the segments.
QList<int> frameMarkers(const QByteArray &d)
{
    QList<int> markers;
    int at = 2;
    while (at + 4 <= d.size() && uchar(d[at]) == 0xff) {
        const int marker = uchar(d[at + 1]);
        if (marker == 0xda) // start of scan: entropy-coded data follows
            break;
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)
            markers << marker;
        at += 2 + (uchar(d[at + 2]) << 8 | uchar(d[at + 3]));
    }
    return markers;
}

void checkBmp24(const QByteArray &d, QSize size)
{
    QVERIFY(d.startsWith("BM"));
    const int stride = (size.width() * 3 + 3) & ~3;
    QCOMPARE(d.size(), 54 + stride * size.height());
    QCOMPARE(le32(d, 2), quint32(d.size()));
    QCOMPARE(int(le32(d, 18)), size.width());
    QCOMPARE(int(qint32(le32(d, 22))), size.height()); // positive: bottom-up
    QCOMPARE(uchar(d[28]), uchar(24));
    QCOMPARE(le32(d, 30), 0u); // uncompressed
}

void checkBaselineJpeg(const QByteArray &d)
{
    QVERIFY(d.startsWith("\xff\xd8"));
    QCOMPARE(frameMarkers(d), QList<int>{0xc0});
}

} // namespace

class TestStoredPictures : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initStored(); }

    void pattern()
    {
        const QByteArray d = resource(QStringLiteral(":/pictures/pattern.bmp"));
        checkBmp24(d, QSize(382, 383));
        QCOMPARE(d.size(), 439738);
        const Picture p = patternPicture();
        QCOMPARE(p.naturalSize, QSize(382, 383));
    }

    // Copies side by side must join without a visible seam: the columns
    // and rows on either side of each edge are about as alike as
    // neighbouring columns inside the picture.
    void patternRepeatsSeamlessly()
    {
        const QImage image = patternPicture().image.convertToFormat(QImage::Format_RGB32);
        auto columnDiff = [&](int a, int b) {
            qint64 sum = 0;
            for (int y = 0; y < image.height(); ++y) {
                const QRgb p = image.pixel(a, y), q = image.pixel(b, y);
                sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
            }
            return double(sum) / image.height();
        };
        auto rowDiff = [&](int a, int b) {
            qint64 sum = 0;
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, a), q = image.pixel(x, b);
                sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
            }
            return double(sum) / image.width();
        };
        const double inside = (columnDiff(100, 101) + rowDiff(100, 101)) / 2;
        QVERIFY2(columnDiff(image.width() - 1, 0) < 3 * inside + 6, "left and right edges do not meet");
        QVERIFY2(rowDiff(image.height() - 1, 0) < 3 * inside + 6, "top and bottom edges do not meet");
    }

    void samples_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("side");
        const int sides[] = {685, 685, 685, 685, 685, 685, 857, 685, 857, 857, 857, 857};
        for (int k = 1; k <= 12; ++k)
            QTest::addRow("sample %d", k) << k << sides[k - 1];
    }
    void samples()
    {
        QFETCH(int, k);
        QFETCH(int, side);
        const QByteArray d = resource(samplePicturePath(k));
        QVERIFY(!d.isEmpty());
        if (k == 9 || k == 11) {
            checkBmp24(d, QSize(side, side));
            QCOMPARE(d.size(), 2204258);
        } else {
            checkBaselineJpeg(d);
            QVERIFY2(d.size() >= 90 * 1000 && d.size() <= 250 * 1000, qPrintable(QString::number(d.size())));
        }
        const Picture p = samplePicture(k);
        QCOMPARE(p.naturalSize, QSize(side, side));
        // Not a blank square: a picture has colours.
        const QImage small = p.image.scaled(16, 16);
        QSet<QRgb> colours;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                colours.insert(small.pixel(x, y));
        QVERIFY(colours.size() > 40);
    }

    void smallPictures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        const QSize map[] = {{105, 105}, {106, 106}, {125, 96},  {95, 145}, {141, 151},
                             {132, 109}, {191, 119}, {226, 164}, {91, 87},  {125, 159}};
        for (int k = 1; k <= 10; ++k)
            QTest::addRow("map %d", k) << QStringLiteral(":/pictures/map/small%1.%2")
                                              .arg(k, 2, 10, QLatin1Char('0'))
                                              .arg(k == 4 ? QStringLiteral("bmp") : QStringLiteral("jpg"))
                                       << map[k - 1];
        const QSize free[] = {{125, 96}, {125, 159}, {95, 145}};
        for (int k = 1; k <= 3; ++k)
            QTest::addRow("free layout %d", k)
                << QStringLiteral(":/pictures/freelayout/small%1.jpg").arg(k, 2, 10, QLatin1Char('0')) << free[k - 1];
    }
    void smallPictures()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QByteArray d = resource(path);
        if (path.endsWith(QLatin1String(".bmp")))
            checkBmp24(d, size);
        else
            checkBaselineJpeg(d);
        const PictureLoadResult loaded = loadPictureFromData(d);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture.naturalSize, size);
    }

    // The window icon and the desktop icon in every size the package installs.
    void icons_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("side");
        QTest::addRow("window") << QStringLiteral(":/pictures/icon.png") << 32;
        for (int side : {16, 24, 32, 48, 64, 128, 256})
            QTest::addRow("hicolor %d", side)
                << QStringLiteral(PTT_SOURCE_DIR "/resources/icons/hicolor/%1x%1/apps/pintietong.png").arg(side)
                << side;
    }
    void icons()
    {
        QFETCH(QString, path);
        QFETCH(int, side);
        QImage icon;
        QVERIFY2(icon.load(path), qPrintable(path));
        QCOMPARE(icon.size(), QSize(side, side));
    }
};

QTEST_GUILESS_MAIN(TestStoredPictures)
#include "test_storedpictures.moc"
