// The picture loader on crafted files: format sniffing, header checks,
// hostile input, natural sizes of metafiles and the metafile player's pixels.
#include "craftedpictures.h"
#include "formats/picture.h"
#include "testsupport/testsupport.h"

#include <QBuffer>
#include <QFile>
#include <QFontDatabase>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

using namespace ptt;
using namespace ptt::test;

namespace {

const QString kNotAPicture = QStringLiteral("这不是可以读取的图片文件。");
const QString kTooLarge = QStringLiteral("图片大于 32767 × 32767 像素（或超过 6400 万像素），无法读取。");
const QString kCorrupt = QStringLiteral("文件已损坏，无法作为图片读取。");
const QString kEmfPlusOnly = QStringLiteral("这张图片只用 EMF+ 记录绘制，无法读取。");

// A comment record holding an EMF+ header (dual: GDI records may follow).
QByteArray emfPlusHeader()
{
    return emfRecord(70, {32, 0x2B464D45, 0x00014001, 28, 16, int(0xDBC01002), 1, 96, 96});
}

QByteArray pngBytes()
{
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray d;
    QBuffer b(&d);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    return d;
}

// 2 x 2 24-bit BMP rows bottom-up: blue, green / red, white.
QByteArray tinyBmp()
{
    QByteArray bits;
    bits.append("\xff\x00\x00\x00\xff\x00\x00\x00", 8); // bottom row: blue, green + pad
    bits.append("\x00\x00\xff\xff\xff\xff\x00\x00", 8); // top row: red, white + pad
    return craftBmp(2, 2, 24, 0, bits);
}

QByteArray setWindow(int x, int y, int w, int h)
{
    return wmfRecord(0x020B, {qint16(y), qint16(x)}) + wmfRecord(0x020C, {qint16(h), qint16(w)});
}

// A solid brush (colour 0xBBGGRR as the records store it), created into the
// given free slot of the object table and selected.
QByteArray wmfSolidBrush(quint32 bgr, int slot = 0)
{
    return wmfRecord(0x02FC, {0, qint16(bgr & 0xffff), qint16(bgr >> 16), 0}) + wmfRecord(0x012D, {qint16(slot)});
}

// A WMF record whose parameters are followed by data (a bitmap).
QByteArray wmfRecordWith(quint16 function, const QVector<qint16> &params, const QByteArray &data)
{
    QByteArray rec = wmfRecord(function, params) + data;
    const quint32 words = quint32(rec.size() / 2);
    rec.replace(0, 4, QByteArray(reinterpret_cast<const char *>(&words), 4));
    return rec;
}

// WMF of 200 x 100 units drawing GBK text in the given (GBK) face, 40 units high.
QByteArray wmfText(const QByteArray &face, const QByteArray &text)
{
    QByteArray recs = setWindow(0, 0, 200, 100);
    QVector<qint16> font = {-40, 0, 0, 0, 400, 0, qint16(134 << 8), 0, 0};
    const QByteArray f = face.leftJustified(32, '\0');
    for (int i = 0; i < 32; i += 2)
        font.append(qint16(uchar(f[i]) | uchar(f[i + 1]) << 8));
    recs += wmfRecord(0x02FB, font) + wmfRecord(0x012D, {0});
    recs += wmfRecord(0x0102, {1});
    QVector<qint16> out = {10, 10, qint16(text.size()), 0};
    const QByteArray t = text.size() % 2 ? text + '\0' : text;
    for (int i = 0; i < t.size(); i += 2)
        out.append(qint16(uchar(t[i]) | uchar(t[i + 1]) << 8));
    recs += wmfRecord(0x0A32, out);
    return craftWmf(recs + wmfEof(), 1);
}

// The pixel as shown over a white page (metafiles are transparent where
// they draw nothing).
QRgb px(const QImage &img, int x, int y)
{
    const QRgb c = img.pixel(x, y);
    const int a = qAlpha(c);
    auto over = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
    return qRgb(over(qRed(c)), over(qGreen(c)), over(qBlue(c))) & 0xffffff;
}

bool near(QRgb a, QColor b, int tol = 40)
{
    return std::abs(qRed(a) - b.red()) <= tol && std::abs(qGreen(a) - b.green()) <= tol &&
           std::abs(qBlue(a) - b.blue()) <= tol;
}

QString gen(const QString &rel)
{
    const QString dir = testDataDir();
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + rel;
}

// What a spot of a picture must show: near a colour, not near it, or a blue
// clearly stronger than its red.
struct Spot {
    enum Expect { Near, Far, Bluish };
    QPoint at;
    QColor colour;
    int tol = 0;
    Expect expect = Near;
};
using Spots = QList<Spot>;

// An icon of 32-bit square entries of the given sides, each one colour (BGRA).
QByteArray icoOfEntries(const QVector<QPair<int, quint32>> &entries)
{
    QByteArray ico(6, '\0');
    ico[2] = 1;
    ico[4] = char(entries.size());
    QByteArray images;
    const int dirEnd = 6 + 16 * int(entries.size());
    for (const auto &[side, colour] : entries) {
        const quint32 at = quint32(dirEnd + images.size());
        const int mask = (side + 31) / 32 * 4 * side;
        ico.append(char(side)).append(char(side)).append(QByteArray("\0\0\1\0\x20\0", 6));
        put32(&ico, quint32(40 + side * side * 4 + mask));
        put32(&ico, at);
        for (quint32 v : {40u, quint32(side), quint32(side * 2)})
            put32(&images, v);
        put16(&images, 1);
        put16(&images, 32);
        images.append(QByteArray(24, '\0'));
        for (int i = 0; i < side * side; ++i)
            put32(&images, colour);
        images.append(QByteArray(mask, '\0'));
    }
    return ico + images;
}

// The spots of the picture that do not show what they must, described.
QString spotsFailing(const QImage &img, const Spots &spots)
{
    QString failed;
    for (const Spot &spot : spots) {
        const QRgb c = px(img, spot.at.x(), spot.at.y());
        bool ok = false;
        switch (spot.expect) {
        case Spot::Near:
            ok = near(c, spot.colour, spot.tol);
            break;
        case Spot::Far:
            ok = !near(c, spot.colour, spot.tol);
            break;
        case Spot::Bluish:
            ok = qBlue(c) > qRed(c) + 60;
            break;
        }
        if (!ok)
            failed +=
                QStringLiteral("at %1,%2: #%3; ").arg(spot.at.x()).arg(spot.at.y()).arg(c, 6, 16, QLatin1Char('0'));
    }
    return failed;
}

// An EMF record whose parameters are followed by data (bitmaps).
QByteArray emfRecordWith(quint32 type, const QVector<qint32> &params, const QByteArray &data)
{
    QByteArray rec = emfRecord(type, params) + data;
    while (rec.size() % 4)
        rec.append('\0');
    const quint32 size = quint32(rec.size());
    rec.replace(4, 4, QByteArray(reinterpret_cast<const char *>(&size), 4));
    return rec;
}

// A DIB (info header, table, bits) whose colour table holds 16-bit indexes
// into the logical palette, as DIB_PAL_COLORS has it.
QByteArray paletteIndexDib(int width, int height, int bpp, const QVector<quint16> &indexes, const QByteArray &bits)
{
    QByteArray dib = craftBmp(width, height, bpp, 0, QByteArray()).mid(14);
    dib[32] = char(indexes.size());
    for (quint16 i : indexes)
        put16(&dib, i);
    return dib + bits;
}

// An EMF of 96 x 96 pixels whose device pixels are picture pixels.
QByteArray pixelEmf(const QByteArray &records)
{
    return craftEmf(records + emfEof(), QRect(0, 0, 2540, 2540), 8, QSize(960, 960), QSize(254, 254));
}

} // namespace

Q_DECLARE_METATYPE(Spots)

class TestPicture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setPictureDecodeTimeout(20000); }

    void sniff_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("format");
        QTest::newRow("bmp") << tinyBmp() << int(PictureFormat::Bmp);
        QTest::newRow("dib") << tinyBmp().mid(14) << int(PictureFormat::Dib);
        QTest::newRow("jpeg") << craftJpeg(8, 8) << int(PictureFormat::Jpeg);
        QTest::newRow("gif") << QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14) << int(PictureFormat::Gif);
        QByteArray ico(22, '\0');
        ico[2] = 1;
        ico[4] = 1;
        QTest::newRow("ico") << ico << int(PictureFormat::Ico);
        QByteArray cur = ico;
        cur[2] = 2;
        QTest::newRow("cur") << cur << int(PictureFormat::Cur);
        QTest::newRow("wmf placeable") << craftWmf(wmfEof(), 0, 1440, QRect(0, 0, 100, 100)) << int(PictureFormat::Wmf);
        QTest::newRow("wmf standard") << craftWmf(wmfEof(), 0) << int(PictureFormat::Wmf);
        QTest::newRow("emf") << craftEmf(emfEof(), QRect(0, 0, 100, 100)) << int(PictureFormat::Emf);
        QTest::newRow("png") << pngBytes() << int(PictureFormat::Unknown);
        QTest::newRow("tiff") << QByteArray("II*\x00\x08\x00\x00\x00", 8).leftJustified(64, '\0')
                              << int(PictureFormat::Unknown);
        QTest::newRow("svg") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"/>")
                             << int(PictureFormat::Unknown);
        QTest::newRow("short BM") << QByteArray("BM") << int(PictureFormat::Unknown);
        QTest::newRow("empty") << QByteArray() << int(PictureFormat::Unknown);
    }
    void sniff()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, format);
        QCOMPARE(int(sniffPictureFormat(data)), format);
    }

    void bmpPixels()
    {
        const PictureLoadResult r = loadPictureFromData(tinyBmp());
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.picture.naturalSize, QSize(2, 2));
        QCOMPARE(px(r.picture.image, 0, 0), QRgb(0xff0000));
        QCOMPARE(px(r.picture.image, 1, 0), QRgb(0xffffff));
        QCOMPARE(px(r.picture.image, 0, 1), QRgb(0x0000ff));
        QCOMPARE(px(r.picture.image, 1, 1), QRgb(0x00ff00));
        // The same bits as a headerless DIB.
        const PictureLoadResult dib = loadPictureFromData(tinyBmp().mid(14));
        QVERIFY2(dib.ok(), qPrintable(dib.error));
        QCOMPARE(dib.picture.image.convertToFormat(QImage::Format_RGB32),
                 r.picture.image.convertToFormat(QImage::Format_RGB32));
    }

    void bmpNamedDibLoads()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plain.dib"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(tinyBmp());
        f.close();
        const PictureLoadResult r = loadPicture(path);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.picture.naturalSize, QSize(2, 2));
    }

    void bmpTruncatedRowsAreDefined()
    {
        // 4 x 4, 24 bit, only the bottom row present: the rest must come out
        // as black, never as leftover memory.
        QByteArray row;
        for (int i = 0; i < 4; ++i)
            row.append("\x00\xff\x00", 3);
        QByteArray bmp = craftBmp(4, 4, 24, 0, row);
        for (int attempt = 0; attempt < 3; ++attempt) {
            const PictureLoadResult r = loadPictureFromData(bmp);
            QVERIFY2(r.ok(), qPrintable(r.error));
            for (int x = 0; x < 4; ++x) {
                QCOMPARE(px(r.picture.image, x, 3), QRgb(0x00ff00));
                for (int y = 0; y < 3; ++y)
                    QCOMPARE(px(r.picture.image, x, y), QRgb(0));
            }
        }
    }

    void rleEndingEarlyShowsIndexZero()
    {
        // 8 x 4 RLE8: one run of 3 pixels of index 1 on the bottom row, then
        // the data stop without an end marker.
        const QByteArray bits("\x03\x01", 2);
        const QByteArray bmp = craftBmp(8, 4, 8, 1, bits, {0x336699, 0xff0000});
        const PictureLoadResult r = loadPictureFromData(bmp);
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) {
                const QRgb want = (y == 3 && x < 3) ? 0xff0000 : 0x336699;
                QCOMPARE(px(img, x, y), want);
            }
        }
    }

    void indexBeyondPaletteTakesFirstColour()
    {
        // 8-bit, a palette of two colours, pixels using index 1 and index 200.
        const QByteArray bits("\x01\xc8\x00\x00", 4);
        const PictureLoadResult r = loadPictureFromData(craftBmp(2, 1, 8, 0, bits, {0x336699, 0xff0000}));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.picture.image.colorCount(), 256);
        QCOMPARE(px(r.picture.image, 0, 0), QRgb(0xff0000));
        QCOMPARE(px(r.picture.image, 1, 0), QRgb(0x336699));
    }

    void gifCostIsScreenAndFrame_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<bool>("withinLimit");
        QTest::newRow("small frame on a 1 x 1 screen") << QPoint(0, 0) << QSize(100, 100) << true;
        QTest::newRow("large frame on a 1 x 1 screen") << QPoint(0, 0) << QSize(512, 512) << false;
        QTest::newRow("small frame far off a 1 x 1 screen") << QPoint(1000, 1000) << QSize(8, 8) << false;
    }
    void gifCostIsScreenAndFrame()
    {
        // The decoder's image holds the screen and the first frame where it
        // lies: that is what counts against the limit of 65536 pixels.
        QFETCH(QPoint, at);
        QFETCH(QSize, frame);
        QFETCH(bool, withinLimit);
        QByteArray gif("GIF89a", 6);
        put16(&gif, 1);
        put16(&gif, 1);
        gif.append(QByteArray("\x00\x00\x00,", 4));
        for (int v : {at.x(), at.y(), frame.width(), frame.height()})
            put16(&gif, v);
        gif.append(QByteArray("\x00\x02\x02\x44\x01\x00;", 7));
        QCOMPARE(decodePictureNow(gif, DecodeLimits{1 << 16, 128}).error == kTooLarge, !withinLimit);
    }

    void rleDeltaAndAbsolute()
    {
        // Absolute run of 3 (padded), end of line, delta (2,1), run of 2, end.
        const QByteArray bits("\x00\x03\x01\x00\x01\x00\x00\x00\x00\x02\x02\x01\x02\x01\x00\x01", 16);
        const PictureLoadResult r = loadPictureFromData(craftBmp(6, 4, 8, 1, bits, {0x000000, 0x0000ff}));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QCOMPARE(px(img, 0, 3), QRgb(0x0000ff));
        QCOMPARE(px(img, 1, 3), QRgb(0x000000));
        QCOMPARE(px(img, 2, 3), QRgb(0x0000ff));
        // After the end of line and the delta: row 2 from the bottom, x 2..3.
        QCOMPARE(px(img, 2, 1), QRgb(0x0000ff));
        QCOMPARE(px(img, 3, 1), QRgb(0x0000ff));
        QCOMPARE(px(img, 4, 1), QRgb(0x000000));
        QCOMPARE(px(img, 2, 2), QRgb(0x000000)); // the row the delta skipped
        QCOMPARE(px(img, 2, 0), QRgb(0x000000)); // never reached
    }

    void icoWithUnderstatedSizeLoads()
    {
        // A 2 x 2 32-bit icon whose directory understates its size: what
        // counts is that the image lies inside the file.
        QByteArray ico(6, '\0');
        ico[2] = 1;
        ico[4] = 1;
        ico.append(QByteArray("\x02\x02\x00\x00\x01\x00\x20\x00", 8));
        put32(&ico, 8);
        put32(&ico, 22);
        for (quint32 v : {40u, 2u, 4u})
            put32(&ico, v);
        put16(&ico, 1);
        put16(&ico, 32);
        ico.append(QByteArray(24, '\0'));
        for (int i = 0; i < 4; ++i)
            put32(&ico, 0xff00ff00u);    // opaque green, BGRA
        ico.append(QByteArray(8, '\0')); // AND mask
        const PictureLoadResult r = loadPictureFromData(ico);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.picture.naturalSize, QSize(2, 2));
        QCOMPARE(px(r.picture.image, 1, 1), QRgb(0x00ff00));
    }

    void hostile_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("error");

        QTest::newRow("bmp wider than the cap") << craftBmp(40000, 1, 24, 0, QByteArray(16, '\0')) << kTooLarge;
        QTest::newRow("bmp over 64 megapixels") << craftBmp(9000, 9000, 1, 0, QByteArray(16, '\0')) << kTooLarge;
        QTest::newRow("bmp negative width") << craftBmp(-5, 5, 24, 0, QByteArray(16, '\0')) << kCorrupt;
        QTest::newRow("bmp zero height") << craftBmp(5, 0, 24, 0, QByteArray(16, '\0')) << kCorrupt;
        QTest::newRow("bmp 3 bpp") << craftBmp(5, 5, 3, 0, QByteArray(16, '\0')) << kCorrupt;
        QTest::newRow("bmp with png inside") << craftBmp(5, 5, 24, 5, pngBytes()) << kNotAPicture;
        QTest::newRow("bmp palette larger than depth")
            << craftBmp(2, 2, 1, 0, QByteArray(8, '\0'), {0, 1, 2, 3, 4}) << kCorrupt;
        QTest::newRow("bmp header only") << tinyBmp().left(54) << kCorrupt;
        QTest::newRow("png renamed") << pngBytes() << kNotAPicture;

        QByteArray jpegGiant = craftJpeg(16, 16);
        {
            const int sof = jpegGiant.indexOf("\xff\xc0");
            QVERIFY(sof > 0);
            jpegGiant[sof + 5] = char(0xfd);
            jpegGiant[sof + 6] = char(0xe8);
            jpegGiant[sof + 7] = char(0xfd);
            jpegGiant[sof + 8] = char(0xe8);
        }
        QTest::newRow("jpeg 65000 square") << jpegGiant << kTooLarge;
        QByteArray jpegZero = craftJpeg(16, 16);
        {
            const int sof = jpegZero.indexOf("\xff\xc0");
            jpegZero[sof + 7] = 0;
            jpegZero[sof + 8] = 0;
        }
        QTest::newRow("jpeg zero width") << jpegZero << kCorrupt;
        QByteArray scanFirst("\xff\xd8\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00\x12\x34\xff\xd9", 16);
        QTest::newRow("jpeg scan before frame") << scanFirst << kCorrupt;
        // A frame and then thousands of tiny scans, which would keep a
        // progressive decoder busy for a long time.
        QTest::newRow("jpeg 30000 scans") << craftJpegManyScans(30000) << kCorrupt;
        QTest::newRow("jpeg segment past the end") << QByteArray("\xff\xd8\xff\xe0\x40\x00JFIF", 10) << kCorrupt;

        QByteArray gif("GIF89a", 6);
        put16(&gif, 60000);
        put16(&gif, 60000);
        gif.append(QByteArray("\x00\x00\x00,\x00\x00\x00\x00\x10\x00\x10\x00\x00\x02\x02\x44\x01\x00;", 20));
        QTest::newRow("gif giant screen") << gif << kTooLarge;
        QByteArray gifNoImage("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14);
        QTest::newRow("gif without image") << gifNoImage << kCorrupt;
        QByteArray gifEndless("GIF89a\x01\x00\x01\x00\x00\x00\x00\x21\xf9\x04\x00\x00\x00", 18);
        QTest::newRow("gif extension never ends") << gifEndless << kCorrupt;

        QByteArray icoOut(6, '\0');
        icoOut[2] = 1;
        icoOut[4] = 1;
        icoOut.append(QByteArray("\x10\x10\x00\x00\x01\x00\x20\x00", 8));
        put32(&icoOut, 1128);
        put32(&icoOut, 22);
        icoOut.append(QByteArray(40, '\0'));
        QTest::newRow("ico image past the end") << icoOut << kCorrupt;
        QByteArray icoMany(6, '\0');
        icoMany[2] = 1;
        put16(&icoMany, 0);
        icoMany[4] = char(0xe8);
        icoMany[5] = 0x03;
        icoMany.append(QByteArray(32, '\0'));
        QTest::newRow("ico directory past the end") << icoMany << kCorrupt;
        QByteArray icoOverlap = icoOut;
        icoOverlap[6 + 8] = 40;
        icoOverlap[6 + 9] = 0;
        icoOverlap[6 + 12] = 2; // image inside the directory
        QTest::newRow("ico image inside the directory") << icoOverlap << kCorrupt;
        QByteArray icoGiant(6, '\0');
        icoGiant[2] = 1;
        icoGiant[4] = 1;
        icoGiant.append(QByteArray("\x00\x00\x00\x00\x01\x00\x20\x00", 8));
        put32(&icoGiant, 40);
        put32(&icoGiant, 22);
        put32(&icoGiant, 40);
        put32(&icoGiant, 100000);
        put32(&icoGiant, 200000);
        put16(&icoGiant, 1);
        put16(&icoGiant, 32);
        icoGiant.append(QByteArray(24, '\0'));
        QTest::newRow("ico giant entry") << icoGiant << kTooLarge;

        QTest::newRow("wmf record of size zero")
            << craftWmf(QByteArray("\x00\x00\x00\x00\x03\x01", 6) + wmfEof(), 0, 1440, QRect(0, 0, 100, 100))
            << kCorrupt;
        QByteArray wmfLong = wmfRecord(0x0103, {8});
        wmfLong[0] = char(0xff);
        wmfLong[1] = char(0xff);
        QTest::newRow("wmf record past the end")
            << craftWmf(wmfLong + wmfEof(), 0, 1440, QRect(0, 0, 100, 100)) << kCorrupt;
        QTest::newRow("wmf zero records") << craftWmf(QByteArray(), 0, 1440, QRect(0, 0, 100, 100)) << kCorrupt;
        QTest::newRow("wmf zero inch") << craftWmf(wmfEof(), 0, 0, QRect()).prepend(QByteArray()) << kCorrupt;
        QTest::newRow("wmf standard without window") << craftWmf(wmfEof(), 0) << kCorrupt;
        QTest::newRow("wmf giant frame") << craftWmf(wmfEof(), 0, 1, QRect(0, 0, 1000, 1000)) << kTooLarge;
        QTest::newRow("emf record size zero")
            << craftEmf(QByteArray("\x11\x00\x00\x00\x00\x00\x00\x00", 8) + emfEof(), QRect(0, 0, 100, 100))
            << kCorrupt;
        QTest::newRow("emf record size unaligned")
            << craftEmf(emfRecord(17, {8}).replace(4, 1, "\x0d", 1) + QByteArray(3, '\0') + emfEof(),
                        QRect(0, 0, 100, 100))
            << kCorrupt;
        QTest::newRow("emf record past the end")
            << craftEmf(emfRecord(17, {8}).replace(4, 1, "\x40", 1), QRect(0, 0, 100, 100)) << kCorrupt;
        QTest::newRow("emf empty frame") << craftEmf(emfEof(), QRect(0, 0, 0, 0)) << kCorrupt;
        QTest::newRow("emf no handles") << craftEmf(emfEof(), QRect(0, 0, 100, 100), 0) << kCorrupt;
        QTest::newRow("emf giant frame") << craftEmf(emfEof(), QRect(0, 0, 2000000, 1000)) << kTooLarge;
        QTest::newRow("emf header cut") << craftEmf(emfEof(), QRect(0, 0, 100, 100)).left(87) << kNotAPicture;
        // Records that only set state or make objects draw nothing in GDI.
        QTest::newRow("emf drawn by EMF+ records alone")
            << craftEmf(emfPlusHeader() + emfRecord(39, {1, 0, 0, 0}) + emfRecord(37, {1}) + emfEof(),
                        QRect(0, 0, 100, 100))
            << kEmfPlusOnly;
    }
    void hostile()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, error);
        const qint64 decodes = pictureDecodesStarted();
        const PictureLoadResult r = loadPictureFromData(data);
        QVERIFY2(!r.ok(), "a hostile file was accepted");
        QCOMPARE(r.error, error);
        // Refused by our own checks: no decoder spent any time on it.
        QCOMPARE(pictureDecodesStarted(), decodes);
    }

    void emfHostileRecordsDrawNothingOutside()
    {
        // Records whose counts and handles do not fit: selecting a handle far
        // past the table, a polygon claiming a million points, a bitmap with
        // offsets beyond the record. The picture still loads, white.
        QByteArray recs;
        recs += emfRecord(37, {0x7ffffff0});
        recs += emfRecord(40, {-1});
        recs += emfRecord(3, {0, 0, 10, 10, 1000000, 1, 1, 5, 5});
        recs += emfRecord(8, {0, 0, 10, 10, 100000, 3, 3, 1, 1});
        recs += emfRecord(81, {0, 0, 10, 10, 0, 0, 0, 0, 4, 4, 0x7fff0000, 40, 0x7fff0000, 64, 0, 0x00CC0020, 10, 10});
        recs += emfRecord(34, {-100000});
        recs += emfRecord(35, {0x7f800000, 0, 0, 0x7f800000, 0, 0}); // infinite world transform
        recs += emfRecord(42, {0, 0, 100, 100});
        recs += emfEof();
        const PictureLoadResult r = loadPictureFromData(craftEmf(recs, QRect(0, 0, 2540, 2540)));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.picture.naturalSize, QSize(96, 96));
    }

    void manyClipRegionsStayExact()
    {
        // A hundred clip unions of 200 rectangles each: path set operations on
        // such clips slow down with every union (bench_picture times 300 of
        // 500). Kept as whole pixels, the clip is still exact: the rectangle
        // drawn through it shows where the rectangles lie and nowhere else.
        // Rectangle i of union k lies at x 2i + k, y 3i (units): each row a
        // strip of 100 units, the top one from x 0 to 100 (118 pixels).
        const PictureLoadResult r = loadPictureFromData(craftClipUnions(100, 200));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QCOMPARE(qAlpha(img.pixel(50, 0)), 255);
        QCOMPARE(qAlpha(img.pixel(110, 0)), 255);
        QCOMPARE(qAlpha(img.pixel(130, 0)), 0);
        QCOMPARE(qAlpha(img.pixel(708, 0)), 0);
        int drawn = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                drawn += qAlpha(img.pixel(x, y)) > 0;
        QVERIFY2(drawn > img.width() * img.height() / 100 && drawn < img.width() * img.height() / 10,
                 qPrintable(QString::number(drawn)));
    }

    void manyHugePatternBrushesStayBounded()
    {
        // Each brush claims a 4000 x 4000 RLE bitmap from four bytes of data;
        // every one is kept in the object table, so each must be cut down: in
        // full, the table's budget would run out long before the last one,
        // which would then be a grey stand-in.
        const PictureLoadResult r = loadPictureFromData(craftPatternBrushes(60, 4000));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY(near(px(r.picture.image, 20, 20), Qt::green, 0)); // the last brush's colour 0
    }

    void wmfDeepSaveAndObjectsOverflow()
    {
        QByteArray recs = setWindow(0, 0, 100, 100);
        for (int i = 0; i < 3000; ++i)
            recs += wmfRecord(0x001E, {});
        for (int i = 0; i < 10; ++i) // more objects than the table holds
            recs += wmfSolidBrush(0x0000ff);
        recs += wmfRecord(0x012D, {-1});
        recs += wmfRecord(0x041B, {100, 100, 0, 0});
        for (int i = 0; i < 3000; ++i)
            recs += wmfRecord(0x0127, {-1});
        recs += wmfEof();
        const PictureLoadResult r = loadPictureFromData(craftWmf(recs, 2));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY(near(px(r.picture.image, 50, 50), QColor(255, 0, 0), 0));
    }

    void fifoIsRefusedAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pipe.jpg"));
        const QByteArray native = QFile::encodeName(path);
        QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        // Waiting for a writer would hang here (and the test time out).
        const PictureLoadResult r = loadPicture(path);
        QVERIFY(!r.ok());
        QCOMPARE(r.error, kNotAPicture);
        // Nothing is left reading the pipe: a writer finds no reader.
        QCOMPARE(::open(native.constData(), O_WRONLY | O_NONBLOCK), -1);
        QCOMPARE(errno, ENXIO);
    }

    void folderAndMissingFile()
    {
        QTemporaryDir dir;
        QVERIFY(!loadPicture(dir.path()).ok());
        QCOMPARE(loadPicture(dir.path()).error, kNotAPicture);
        QCOMPARE(loadPicture(dir.filePath(QStringLiteral("none.bmp"))).error, QStringLiteral("找不到文件。"));
    }

    void pngRenamedBmpFileRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("photo.bmp"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(pngBytes());
        f.close();
        QCOMPARE(loadPicture(path).error, kNotAPicture);
    }

    void slowDecodeTimesOut()
    {
        // Many large antialiased ellipses: far more work than the limit allows.
        QByteArray recs;
        for (int i = 0; i < 200000; ++i)
            recs += emfRecord(42, {i % 50, i % 70, 30000 - i % 90, 30000 - i % 30});
        recs += emfEof();
        const QByteArray emf = craftEmf(recs, QRect(0, 0, 100000, 100000));
        setPictureDecodeTimeout(300);
        const PictureLoadResult r = loadPictureFromData(emf);
        setPictureDecodeTimeout(20000);
        // Had the load waited for the decode, it would have its picture.
        QVERIFY(!r.ok());
        QVERIFY2(r.error.startsWith(QStringLiteral("解码超时")), qPrintable(r.error));
        // The abandoned decode stops on its own (or this waits until the
        // test times out), and nothing breaks meanwhile.
        waitForPictureDecodes();
        QVERIFY(loadPictureFromData(tinyBmp()).ok());
    }

    void abandonedDecodesStopAndThreadsStayFree()
    {
        // Files far slower than the short limit: a gradient, text at a 4096
        // pixel font and ellipses, which stop when told, and a large
        // progressive JPEG, whose decoder cannot be stopped. More of them than
        // a fixed pool of workers would hold.
        QByteArray ellipses;
        for (int i = 0; i < 200000; ++i)
            ellipses += emfRecord(42, {i % 50, i % 70, 30000 - i % 90, 30000 - i % 30});
        QImage big(4000, 4000, QImage::Format_RGB32);
        big.fill(QColor(10, 200, 30));
        QByteArray progressive;
        {
            QBuffer b(&progressive);
            b.open(QIODevice::WriteOnly);
            QImageWriter w(&b, "jpeg");
            w.setProgressiveScanWrite(true);
            QVERIFY(w.write(big));
        }
        const QList<QByteArray> slow = {craftGradientBomb(4096, 100000),
                                        craftTextBomb(4096, 5000, 4096),
                                        craftEmf(ellipses + emfEof(), QRect(0, 0, 100000, 100000)),
                                        progressive,
                                        progressive,
                                        progressive,
                                        craftGradientBomb(4096, 100000),
                                        craftTextBomb(4096, 5000, 4096)};
        setPictureDecodeTimeout(30);
        int refused = 0;
        for (const QByteArray &data : slow) {
            const PictureLoadResult r = loadPictureFromData(data);
            QVERIFY2(r.ok() || r.error.startsWith(QStringLiteral("解码超时")), qPrintable(r.error));
            refused += !r.ok();
        }
        setPictureDecodeTimeout(20000);
        QVERIFY(refused > 0);
        // Ordinary pictures load at once: one on the calling thread, one on a worker.
        QVERIFY(loadPictureFromData(tinyBmp()).ok());
        const QByteArray emf = craftEmf(emfRecord(43, {0, 0, 10, 10}) + emfEof(), QRect(0, 0, 2540, 2540));
        QVERIFY(loadPictureFromData(emf).ok());
        // And everything given up on stops (or this waits until the test
        // times out).
        waitForPictureDecodes();
    }

    void expensiveRecordsDrawReduced_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QPoint>("drawn"); // a pixel the reduced drawing covers
        QTest::newRow("gradient of 100000 triangles") << craftGradientBomb(4096, 100000) << QPoint(100, 100);
        QTest::newRow("5000 characters at 4096 pixels") << craftTextBomb(4096, 5000, 4096) << QPoint(-1, -1);
        QTest::newRow("polyline of 2 million points") << craftPolylineBomb(1024, 2000000) << QPoint(-1, -1);
        QTest::newRow("region of 2 million rectangles") << craftRegionBomb(4096, 1000, 2000) << QPoint(2000, 2000);
        QTest::newRow("region within the limits") << craftRegionBomb(256, 64, 8) << QPoint(3, 3);
    }
    void expensiveRecordsDrawReduced()
    {
        // Each would take minutes drawn in full: each loads within the limit,
        // drawn reduced, showing something.
        QFETCH(QByteArray, data);
        QFETCH(QPoint, drawn);
        const PictureLoadResult r = loadPictureFromData(data);
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        if (drawn.x() >= 0) {
            QCOMPARE(qAlpha(img.pixel(drawn)), 255);
            return;
        }
        int shown = 0;
        for (int y = 0; y < img.height(); y += 7)
            for (int x = 0; x < img.width(); x += 7)
                shown += qAlpha(img.pixel(x, y)) > 0;
        QVERIFY(shown > 0);
    }

    void wmfRegionScansAndFrame()
    {
        // Three bands of one span each: the scan count (3) is not the
        // largest scan's coordinate count (2), which must not stand in for it.
        const QVector<RegionBand> steps = {{10, 30, {{10, 30}}}, {30, 50, {{10, 70}}}, {50, 90, {{10, 90}}}};
        const QVector<RegionBand> square = {{10, 90, {{10, 90}}}};
        auto play = [](const QByteArray &region, quint16 fn, QVector<qint16> params) {
            QByteArray recs = setWindow(0, 0, 100, 100) + wmfSolidBrush(0xff0000) + region;
            recs += wmfRecord(fn, params);
            return loadPictureFromData(craftWmf(recs + wmfEof(), 2, 96, QRect(0, 0, 100, 100)));
        };
        const PictureLoadResult filled = play(wmfRegionRecord(steps, 2), 0x0228, {0, 1});
        QVERIFY2(filled.ok(), qPrintable(filled.error));
        QVERIFY(near(px(filled.picture.image, 20, 20), Qt::blue, 0));
        QVERIFY(near(px(filled.picture.image, 60, 40), Qt::blue, 0));
        QVERIFY(near(px(filled.picture.image, 80, 80), Qt::blue, 0)); // the third band
        QCOMPARE(qAlpha(filled.picture.image.pixel(50, 20)), 0);
        QCOMPARE(qAlpha(filled.picture.image.pixel(95, 80)), 0);
        // A frame 5 x 5 units wide along the inside of the square.
        const PictureLoadResult framed = play(wmfRegionRecord(square, 2), 0x0429, {5, 5, 0, 1});
        QVERIFY2(framed.ok(), qPrintable(framed.error));
        QVERIFY(near(px(framed.picture.image, 12, 50), Qt::blue, 0));
        QVERIFY(near(px(framed.picture.image, 50, 87), Qt::blue, 0));
        QCOMPARE(qAlpha(framed.picture.image.pixel(50, 50)), 0);
        QCOMPARE(qAlpha(framed.picture.image.pixel(95, 50)), 0);
    }

    void clipOffsetsBeyondRange_data()
    {
        QTest::addColumn<QByteArray>("records");
        const QByteArray clip = emfRecord(30, {0, 0, 48, 48});
        QTest::newRow("offset by INT_MAX") << clip + emfRecord(26, {0x7fffffff, 0x7fffffff});
        QTest::newRow("offset by INT_MIN") << clip + emfRecord(26, {int(0x80000000), int(0x80000000)});
        QTest::newRow("offset twice by half the range")
            << clip + emfRecord(26, {0x40000000, 0}) + emfRecord(26, {0x40000000, 0});
        // Turned a little, the clip is a path rather than whole pixels.
        const QByteArray turn = emfRecord(35, {0x3f7fbe77, 0x3d4ccccd, int(0xbd4ccccd), 0x3f7fbe77, 0, 0});
        QTest::newRow("turned clip offset by INT_MAX")
            << turn + clip + emfRecord(26, {0x7fffffff, 0x7fffffff}) + emfRecord(36, {0, 0, 0, 0, 0, 0, 1});
        // Window extents scaled down to nothing: the offset maps to no number.
        QByteArray shrink = clip + emfRecord(17, {8}) + emfRecord(9, {1, 1}) + emfRecord(11, {96, 96});
        for (int i = 0; i < 34; ++i)
            shrink += emfRecord(32, {1, 0x7fffffff, 1, 0x7fffffff});
        shrink += emfRecord(26, {1, 1}) + emfRecord(17, {1});
        QTest::newRow("offset after window extents scaled to nothing") << shrink;
    }
    void clipOffsetsBeyondRange()
    {
        // The clip is moved off the picture: what follows draws nothing.
        QFETCH(QByteArray, records);
        QByteArray recs = emfRecord(39, {1, 0, 0x0000ff, 0}) + emfRecord(37, {1}) + emfRecord(37, {int(0x80000008)});
        recs += records + emfRecord(43, {0, 0, 96, 96}) + emfEof();
        const PictureLoadResult r =
            loadPictureFromData(craftEmf(recs, QRect(0, 0, 2540, 2540), 4, QSize(960, 960), QSize(254, 254)));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(qAlpha(r.picture.image.pixel(20, 20)), 0);
        QCOMPARE(qAlpha(r.picture.image.pixel(70, 70)), 0);
    }

    void naturalSize_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QSize>("natural");
        QTest::newRow("placeable 1440 2x1 in")
            << craftWmf(wmfEof(), 0, 1440, QRect(0, 0, 2880, 1440)) << QSize(192, 96);
        QTest::newRow("placeable 576 2x1 in, offset box")
            << craftWmf(wmfEof(), 0, 576, QRect(-100, 50, 1152, 576)) << QSize(192, 96);
        QTest::newRow("placeable 1000 units per inch")
            << craftWmf(wmfEof(), 0, 1000, QRect(0, 0, 1000, 500)) << QSize(96, 48);
        QTest::newRow("standard anisotropic: unit a pixel")
            << craftWmf(wmfRecord(0x0103, {8}) + setWindow(0, 0, 300, 150) + wmfEof(), 0) << QSize(300, 150);
        QTest::newRow("standard no map mode") << craftWmf(setWindow(10, 10, 64, 32) + wmfEof(), 0) << QSize(64, 32);
        QTest::newRow("standard himetric")
            << craftWmf(wmfRecord(0x0103, {3}) + setWindow(0, 0, 5080, -2540) + wmfEof(), 0) << QSize(192, 96);
        QTest::newRow("standard lometric")
            << craftWmf(wmfRecord(0x0103, {2}) + setWindow(0, 0, 254, 127) + wmfEof(), 0) << QSize(96, 48);
        QTest::newRow("standard twips") << craftWmf(wmfRecord(0x0103, {6}) + setWindow(0, 0, 2880, 1440) + wmfEof(), 0)
                                        << QSize(192, 96);
        QTest::newRow("standard loenglish")
            << craftWmf(wmfRecord(0x0103, {4}) + setWindow(0, 0, 200, 100) + wmfEof(), 0) << QSize(192, 96);
        QTest::newRow("standard hienglish")
            << craftWmf(wmfRecord(0x0103, {5}) + setWindow(0, 0, 2000, 1000) + wmfEof(), 0) << QSize(192, 96);
        QTest::newRow("standard first window counts")
            << craftWmf(setWindow(0, 0, 50, 40) + setWindow(0, 0, 500, 400) + wmfEof(), 0) << QSize(50, 40);
        QTest::newRow("emf frame 2x1 in, bounds ignored")
            << craftEmf(emfEof(), QRect(0, 0, 5080, 2540)) << QSize(192, 96);
        QTest::newRow("emf frame 100x50 mm") << craftEmf(emfEof(), QRect(0, 0, 10000, 5000)) << QSize(378, 189);
        QTest::newRow("emf frame offset") << craftEmf(emfEof(), QRect(2540, 2540, 2540, 5080)) << QSize(96, 192);
        // An icon shows the entry nearest the standard icon size, 32 x 32.
        QTest::newRow("ico 32 after 16") << icoOfEntries({{16, 0xffff0000u}, {32, 0xff0000ffu}}) << QSize(32, 32);
        QTest::newRow("ico 24 nearer than 48")
            << icoOfEntries({{48, 0xffff0000u}, {24, 0xff00ff00u}, {8, 0xff0000ffu}}) << QSize(24, 24);
        QTest::newRow("ico one entry") << icoOfEntries({{16, 0xffff0000u}}) << QSize(16, 16);
    }
    void naturalSize()
    {
        QFETCH(QByteArray, data);
        QFETCH(QSize, natural);
        const PictureLoadResult r = loadPictureFromData(data);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.picture.naturalSize, natural);
        QCOMPARE(r.picture.image.size(), natural);
    }

    // Metafiles larger than the render cap: their natural size kept, drawn
    // reduced, also past the raster pictures' 64 megapixels.
    void largeMetafileRenderedReduced_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QSize>("natural");
        QTest::addColumn<QSize>("rendered");
        QTest::addColumn<Spots>("spots");
        // 10 x 5 inches at 1000 dpi worth of window: natural 9600 x 4800,
        // the right half green.
        QByteArray recs = wmfSolidBrush(0x00ff00);
        recs += wmfRecord(0x041B, {4800, 9600, 0, 4800});
        const QColor white(Qt::white);
        QTest::newRow("wmf 9600 x 4800") << craftWmf(recs + wmfEof(), 1, 96, QRect(0, 0, 9600, 4800))
                                         << QSize(9600, 4800) << QSize(4096, 2048)
                                         << Spots{{{1000, 1000}, white, 0}, {{3000, 1000}, Qt::green, 0}};
        // A frame of 3.2 x 4.1 m, 187 megapixels at 96 dpi, the right half green.
        const QByteArray half = emfRecord(39, {1, 0, 0x00ff00, 0}) + emfRecord(37, {1}) +
                                emfRecord(37, {int(0x80000008)}) + emfRecord(43, {6047, 0, 12095, 15496});
        QTest::newRow("emf of metres") << craftEmf(half + emfEof(), QRect(0, 0, 320000, 410000), 8, QSize(960, 960),
                                                   QSize(254, 254))
                                       << QSize(12094, 15496) << QSize(3197, 4096)
                                       << Spots{{{800, 2000}, white, 0}, {{2400, 2000}, Qt::green, 0}};
        QFile metres(gen(QStringLiteral("emf/libemf2svg/tests/resources/emf/test-156.emf")));
        QTest::newRow("shared file of metres") << (metres.open(QIODevice::ReadOnly) ? metres.readAll() : QByteArray())
                                               << QSize(12047, 15591) << QSize(3165, 4096) << Spots();
    }
    void largeMetafileRenderedReduced()
    {
        QFETCH(QByteArray, data);
        QFETCH(QSize, natural);
        QFETCH(QSize, rendered);
        QFETCH(Spots, spots);
        if (data.isEmpty())
            QSKIP("shared test pictures not found");
        const PictureLoadResult r = loadPictureFromData(data);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.picture.naturalSize, natural);
        QCOMPARE(r.picture.image.size(), rendered);
        const QString failed = spotsFailing(r.picture.image, spots);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void wmfWindowMappedOntoPicture()
    {
        // The window (100,100)-(300,200) fills the 96 x 48 picture, y down.
        QByteArray recs = setWindow(100, 100, 200, 100);
        recs += wmfRecord(0x02FA, {5, 0, 0, 0, 0}) + wmfRecord(0x012D, {0}); // null pen
        recs += wmfSolidBrush(0x0000ff, 1);                                  // red
        recs += wmfRecord(0x041B, {150, 200, 100, 100});                     // top-left quarter
        recs += wmfEof();
        const PictureLoadResult r = loadPictureFromData(craftWmf(recs, 2, 1000, QRect(100, 100, 1000, 500)));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QCOMPARE(img.size(), QSize(96, 48));
        QVERIFY(near(px(img, 10, 10), Qt::red, 0));
        QVERIFY(near(px(img, 40, 20), Qt::red, 0));
        QCOMPARE(qAlpha(img.pixel(40, 20)), 255);
        QCOMPARE(qAlpha(img.pixel(60, 10)), 0); // nothing drawn: the page shows through
        QVERIFY(near(px(img, 60, 10), Qt::white, 0));
        QVERIFY(near(px(img, 10, 35), Qt::white, 0));
    }

    void emfMapModesAndWorldTransform()
    {
        // Frame 0..25.4 mm square at 96 dpi; device 96 px per 25.4 mm, so one
        // device pixel is one picture pixel.
        const QSize dev(960, 960), mm(254, 254);
        QByteArray recs;
        recs += emfRecord(39, {1, 0, 0x0000ff, 0}); // brush 1: red
        recs += emfRecord(37, {1});
        recs += emfRecord(37, {int(0x80000008)}); // null pen
        // Lometric: y up, 0.1 mm units; viewport origin at the bottom-left.
        recs += emfRecord(17, {2});
        recs += emfRecord(12, {0, 96});
        recs += emfRecord(43, {0, 127, 127, 0}); // bottom-left 12.7 mm square
        recs += emfRecord(17, {1});
        recs += emfRecord(12, {0, 0});
        // World transform: translate by (72, 0), then a 10 px square at 0,0.
        recs += emfRecord(39, {2, 0, 0x00ff00, 0});
        recs += emfRecord(37, {2});
        recs += emfRecord(35, {0x3f800000, 0, 0, 0x3f800000, 0x42900000, 0});
        recs += emfRecord(43, {0, 0, 10, 10});
        recs += emfEof();
        const PictureLoadResult r = loadPictureFromData(craftEmf(recs, QRect(0, 0, 2540, 2540), 4, dev, mm));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QCOMPARE(img.size(), QSize(96, 96));
        QVERIFY(near(px(img, 10, 90), Qt::red, 0));
        QVERIFY(near(px(img, 40, 60), Qt::red, 0));
        QVERIFY(near(px(img, 10, 40), Qt::white, 0));
        QVERIFY(near(px(img, 60, 90), Qt::white, 0));
        QVERIFY(near(px(img, 76, 5), Qt::green, 0));
        QVERIFY(near(px(img, 66, 5), Qt::white, 0));
    }

    void emfClipAndSaveRestore()
    {
        const QSize dev(960, 960), mm(254, 254);
        QByteArray recs;
        recs += emfRecord(39, {1, 0, 0xff0000, 0}); // blue
        recs += emfRecord(37, {1});
        recs += emfRecord(37, {int(0x80000008)});
        recs += emfRecord(33, {});
        recs += emfRecord(30, {0, 0, 48, 48}); // clip to the top-left quarter
        recs += emfRecord(43, {0, 0, 96, 96});
        recs += emfRecord(34, {-1});
        recs += emfRecord(39, {2, 0, 0x00ffff, 0}); // yellow, unclipped after restore
        recs += emfRecord(37, {2});
        recs += emfRecord(43, {60, 60, 90, 90});
        recs += emfEof();
        const PictureLoadResult r = loadPictureFromData(craftEmf(recs, QRect(0, 0, 2540, 2540), 4, dev, mm));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QVERIFY(near(px(img, 20, 20), Qt::blue, 0));
        QVERIFY(near(px(img, 70, 20), Qt::white, 0));
        QVERIFY(near(px(img, 20, 70), Qt::white, 0));
        QVERIFY(near(px(img, 75, 75), Qt::yellow, 0));
    }

    void emfPolyDraw()
    {
        // PolyDraw16: move to (10,10), line to (80,10), move to (10,50), line
        // to (80,50) and close; a 5 px black pen.
        const QSize dev(960, 960), mm(254, 254);
        QByteArray recs;
        recs += emfRecord(38, {1, 0, 5, 0, 0});
        recs += emfRecord(37, {1});
        QByteArray pd;
        put32(&pd, 92);
        put32(&pd, 8 + 16 + 4 + 4 * 4 + 4);
        for (int v : {0, 0, 96, 96, 4})
            put32(&pd, quint32(v));
        for (int v : {10, 10, 80, 10, 10, 50, 80, 50})
            put16(&pd, v);
        pd.append("\x06\x02\x06\x03", 4);
        recs += pd + emfEof();
        const PictureLoadResult r = loadPictureFromData(craftEmf(recs, QRect(0, 0, 2540, 2540), 4, dev, mm));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QVERIFY(qGray(px(img, 45, 10)) < 60);
        QVERIFY(qGray(px(img, 45, 50)) < 60);
        QVERIFY(qGray(px(img, 45, 30)) > 200); // no line between the two moves
        QVERIFY(qGray(px(img, 10, 30)) > 200);
    }

    void emfMonochromeBrush()
    {
        // An 8 x 8 1-bit pattern, top half set bits, bottom half clear: set
        // bits take the background colour, clear ones the text colour.
        const QSize dev(960, 960), mm(254, 254);
        QByteArray recs;
        recs += emfRecord(25, {0xff0000}); // background: blue
        recs += emfRecord(24, {0x0000ff}); // text: red
        QVector<qint32> p = {1, 2, 32, 40, 72, 32, 40, 8, 8, 1 | (1 << 16), 0, 32, 0, 0, 0, 0};
        QByteArray mono = emfRecord(93, p);
        for (int row = 0; row < 8; ++row)
            put32(&mono, row < 4 ? 0x000000ffu : 0u); // bottom-up rows: first four are the bottom
        mono[4] = char(mono.size());
        recs += mono;
        recs += emfRecord(37, {1});
        recs += emfRecord(37, {int(0x80000008)});
        recs += emfRecord(43, {0, 0, 96, 96});
        recs += emfEof();
        const PictureLoadResult r = loadPictureFromData(craftEmf(recs, QRect(0, 0, 2540, 2540), 4, dev, mm));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        int red = 0, blue = 0;
        for (int y = 8; y < 88; ++y)
            for (int x = 8; x < 88; ++x) {
                red += px(img, x, y) == 0xff0000;
                blue += px(img, x, y) == 0x0000ff;
            }
        QVERIFY2(red > 3000 && blue > 3000, qPrintable(QStringLiteral("%1 %2").arg(red).arg(blue)));
        QCOMPARE(px(img, 20, 1), QRgb(0xff0000)); // top rows of the pattern: clear bits
        QCOMPARE(px(img, 20, 6), QRgb(0x0000ff)); // bottom rows: set bits
    }

    void emfGradientFillAndSmallText()
    {
        const QSize dev(960, 960), mm(254, 254);
        QByteArray recs;
        // Horizontal gradient, red at the left edge to blue at the right.
        recs += emfRecord(118, {0, 0, 96, 48, 2, 1, 0, 0, 0, 0xff00, 0, 96, 48, 0, 0xff00, 0, 1});
        // SmallTextOut of 8-bit characters, no clip rectangle, below the gradient.
        QVector<qint32> t = {20, 60, 4, 0x100 | 0x200, 1, 0x3f800000, 0x3f800000};
        QByteArray rec = emfRecord(108, t);
        rec.append("XXXX", 4);
        rec[4] = char(rec.size());
        recs += rec;
        recs += emfEof();
        const PictureLoadResult r = loadPictureFromData(craftEmf(recs, QRect(0, 0, 2540, 2540), 4, dev, mm));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QVERIFY(qRed(px(img, 1, 20)) > 240 && qBlue(px(img, 1, 20)) < 15);
        QVERIFY(qBlue(px(img, 94, 20)) > 240 && qRed(px(img, 94, 20)) < 15);
        QVERIFY(std::abs(qRed(px(img, 48, 20)) - qBlue(px(img, 48, 20))) < 20);
        int dark = 0;
        for (int y = 55; y < 96; ++y)
            for (int x = 15; x < 96; ++x)
                dark += qGray(px(img, x, y)) < 100;
        QVERIFY2(dark > 20, "small text missing");
    }

    void emfTextTurnsWithWorldTransform()
    {
        // A world transform turning 90 degrees clockwise on screen (x axis
        // pointing down): text from (48,10) runs downwards, not to the right.
        const QSize dev(960, 960), mm(254, 254);
        QByteArray recs;
        recs += emfRecord(35, {0, 0x3f800000, int(0xbf800000), 0, 0x42400000, 0x41200000}); // x' = 48 - y, y' = x + 10
        recs += emfRecord(18, {1});
        QVector<qint32> t = {0, 0, 0, 0, 2, 0x3f800000, 0x3f800000, 0, 0, 6, 76, 0x100, 0, 0, 0, 0, 0};
        QByteArray rec = emfRecord(84, t);
        rec.append(QByteArray("H\0H\0H\0H\0H\0H\0", 12));
        rec[4] = char(rec.size());
        recs += emfRecord(82, {1, -16, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        recs += emfRecord(37, {1});
        recs += rec + emfEof();
        const PictureLoadResult r = loadPictureFromData(craftEmf(recs, QRect(0, 0, 2540, 2540), 4, dev, mm));
        QVERIFY2(r.ok(), qPrintable(r.error));
        int below = 0, right = 0;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x)
                if (qGray(px(r.picture.image, x, y)) < 100) {
                    below += y > 30;
                    right += x > 60 || x < 20;
                }
        QVERIFY2(below > 30, qPrintable(QString::number(below)));
        QCOMPARE(right, 0);
    }

    void emfStretchDibits()
    {
        // A 2 x 2 bottom-up 24-bit DIB stretched over a 40 x 40 square at (10,10).
        const QSize dev(960, 960), mm(254, 254);
        QByteArray dib = tinyBmp().mid(14);
        const int infoSize = 40, bitsSize = dib.size() - 40;
        QVector<qint32> p = {0,        0, 96,         96, 10, 10, 0, 0, 2, 2, 80, infoSize, 80 + infoSize,
                             bitsSize, 0, 0x00CC0020, 40, 40};
        QByteArray rec = emfRecord(81, p);
        rec.append(dib);
        const quint32 size = quint32(rec.size());
        rec[4] = char(size & 0xff);
        rec[5] = char(size >> 8);
        const PictureLoadResult r = loadPictureFromData(craftEmf(rec + emfEof(), QRect(0, 0, 2540, 2540), 4, dev, mm));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QCOMPARE(px(img, 15, 15), QRgb(0xff0000));
        QCOMPARE(px(img, 45, 15), QRgb(0xffffff));
        QCOMPARE(px(img, 15, 45), QRgb(0x0000ff));
        QCOMPARE(px(img, 45, 45), QRgb(0x00ff00));
        QCOMPARE(px(img, 5, 5), QRgb(0xffffff));
        QCOMPARE(px(img, 55, 55), QRgb(0xffffff));
    }

    void wmfPenMixModes()
    {
        QByteArray recs = setWindow(0, 0, 90, 30);
        recs += wmfRecord(0x02FA, {5, 0, 0, 0, 0}) + wmfRecord(0x012D, {0}); // null pen
        recs += wmfSolidBrush(0xff0000, 1);                                  // blue
        recs += wmfRecord(0x041B, {30, 90, 0, 0});
        recs += wmfRecord(0x0104, {6}); // R2_NOT: the brush colour does not matter
        recs += wmfRecord(0x041B, {30, 30, 0, 0});
        recs += wmfRecord(0x01F0, {1}) + wmfSolidBrush(0x0000ff, 1); // red
        recs += wmfRecord(0x0104, {9});                              // R2_MASKPEN: red AND blue
        recs += wmfRecord(0x041B, {30, 60, 0, 30});
        recs += wmfRecord(0x0104, {11}); // R2_NOP
        recs += wmfRecord(0x041B, {30, 90, 0, 60});
        recs += wmfEof();
        const PictureLoadResult r = loadPictureFromData(craftWmf(recs, 2));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QCOMPARE(px(img, 15, 15), QRgb(0xffff00));
        QCOMPARE(px(img, 45, 15), QRgb(0x000000));
        QCOMPARE(px(img, 75, 15), QRgb(0x0000ff));
    }

    void wmfOldMonochromeBitmap()
    {
        // StretchBlt of an 8 x 2 one-bit bitmap: top row 11110000, bottom row
        // 00001111; set bits take the background colour, clear ones the text colour.
        QByteArray recs = setWindow(0, 0, 80, 20);
        recs += wmfRecord(0x0201, {qint16(0x00ff), 0}); // background: red
        recs += wmfRecord(0x0209, {0, qint16(0x00ff)}); // text: blue
        recs += wmfRecord(
            0x0B23, {0x0020, 0x00CC, 2, 8, 0, 0, 20, 80, 0, 0, 0, 8, 2, 2, 0x0101, qint16(0x00f0), qint16(0x000f)});
        recs += wmfEof();
        const PictureLoadResult r = loadPictureFromData(craftWmf(recs, 0));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        QCOMPARE(px(img, 10, 5), QRgb(0xff0000));
        QCOMPARE(px(img, 70, 5), QRgb(0x0000ff));
        QCOMPARE(px(img, 10, 15), QRgb(0x0000ff));
        QCOMPARE(px(img, 70, 15), QRgb(0xff0000));
    }

    void wmfLargeBitmapIsDrawn()
    {
        // A bitmap of over a megabyte inside one StretchDIBits record.
        const int side = 600;
        QByteArray bits;
        for (int i = 0; i < side * side; ++i)
            bits.append("\x00\x00\xff", 3); // red, rows already multiples of 4 bytes
        const QByteArray dib = craftBmp(side, side, 24, 0, bits).mid(14);
        const QByteArray rec =
            wmfRecordWith(0x0F43, {0x0020, 0x00CC, 0, qint16(side), qint16(side), 0, 0, 100, 100, 0, 0}, dib);
        const QByteArray wmf = craftWmf(setWindow(0, 0, 100, 100) + rec + wmfEof(), 0);
        const PictureLoadResult r = loadPictureFromData(wmf);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(px(r.picture.image, 50, 50), QRgb(0xff0000));
    }

    void textIsDrawnRotated()
    {
        // Escapement 90 degrees: the text runs upwards from its reference point.
        QByteArray recs = setWindow(0, 0, 200, 200);
        QVector<qint16> font = {-40, 0, 900, 900, 700, 0, 0, 0, 0};
        QByteArray face = QByteArray("Arial").leftJustified(32, '\0');
        for (int i = 0; i < 32; i += 2)
            font.append(qint16(uchar(face[i]) | uchar(face[i + 1]) << 8));
        recs += wmfRecord(0x02FB, font) + wmfRecord(0x012D, {0});
        recs += wmfRecord(0x0102, {1});  // transparent
        recs += wmfRecord(0x012E, {24}); // baseline
        QVector<qint16> text = {180, 100, 6, 0};
        const QByteArray s("HHHHHH");
        for (int i = 0; i < 6; i += 2)
            text.append(qint16(uchar(s[i]) | uchar(s[i + 1]) << 8));
        recs += wmfRecord(0x0A32, text);
        recs += wmfEof();
        const PictureLoadResult r = loadPictureFromData(craftWmf(recs, 1));
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        int above = 0, right = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x)
                if (qGray(px(img, x, y)) < 100) {
                    if (y < 170 && x > 60 && x < 110)
                        ++above;
                    if (x > 110)
                        ++right;
                }
        QVERIFY2(above > 200, qPrintable(QString::number(above)));
        QCOMPARE(right, 0);
    }

    void chineseFacesUseInstalledCjkFonts()
    {
        const QStringList families = QFontDatabase::families();
        if (!families.contains(QStringLiteral("AR PL UKai CN")) ||
            !families.contains(QStringLiteral("WenQuanYi Zen Hei")))
            QSKIP("CJK faces not installed");
        const QByteArray zhongwen("\xd6\xd0\xce\xc4");                                               // GBK
        const QImage kai = loadPictureFromData(wmfText("\xbf\xac\xcc\xe5", zhongwen)).picture.image; // Kai face
        const QImage hei = loadPictureFromData(wmfText("\xba\xda\xcc\xe5", zhongwen)).picture.image; // Hei face
        const QImage kaiDirect = loadPictureFromData(wmfText("AR PL UKai CN", zhongwen)).picture.image;
        const QImage heiDirect = loadPictureFromData(wmfText("WenQuanYi Zen Hei", zhongwen)).picture.image;
        QVERIFY(!kai.isNull() && !hei.isNull());
        int dark = 0;
        for (int y = 0; y < kai.height(); ++y)
            for (int x = 0; x < kai.width(); ++x)
                dark += qGray(px(kai, x, y)) < 128;
        QVERIFY2(dark > 100, "no text drawn");
        QCOMPARE(kai, kaiDirect);
        QCOMPARE(hei, heiDirect);
        QVERIFY(kai != hei);
    }

    // Small crafted pictures, each drawing one rule of the platform's playback.
    void playbackRules_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<Spots>("spots");
        QTest::addColumn<QRect>("inked"); // where some ink must be
        QTest::addColumn<QRect>("blank"); // where none may be
        const QColor white(Qt::white);
        // A geometric pen 6 wide, red, after the (empty) bitmap fields.
        QTest::newRow("extended pen: style, width and colour")
            << pixelEmf(emfRecord(95, {1, 0, 0, 0, 0, 0x10000, 6, 0, 0x0000ff, 0, 0}) + emfRecord(37, {1}) +
                        emfRecord(27, {10, 50}) + emfRecord(54, {90, 50}))
            << Spots{{{50, 48}, Qt::red, 0}, {{50, 52}, Qt::red, 0}, {{50, 40}, white, 0}} << QRect() << QRect();
        // Two closed figures of straight Bezier pieces in opposite corners,
        // each begun by a move: filled, nothing joins them.
        QByteArray figures = emfRecord(37, {int(0x80000004)}) + emfRecord(59, {}) + emfRecord(27, {10, 10});
        figures += emfRecord(5, {0, 0, 96, 96, 6, 40, 10, 40, 10, 40, 10, 10, 40, 10, 40, 10, 40}) + emfRecord(61, {});
        figures += emfRecord(27, {86, 86});
        figures += emfRecord(5, {0, 0, 96, 96, 6, 56, 86, 56, 86, 56, 86, 86, 56, 86, 56, 86, 56}); // left open
        figures += emfRecord(60, {}) + emfRecord(62, {0, 0, 96, 96});
        QTest::newRow("figures of a path stay apart") << pixelEmf(figures)
                                                      << Spots{{{18, 18}, Qt::black, 0},
                                                               {{78, 78}, Qt::black, 0},
                                                               {{60, 48}, white, 0},
                                                               {{70, 30}, white, 0},
                                                               {{30, 70}, white, 0}}
                                                      << QRect() << QRect();
        // ExtTextOut with no characters, opaque: its rectangle takes the background colour.
        QTest::newRow("opaque rectangle of an empty text")
            << pixelEmf(emfRecord(25, {0x0000ff}) +
                        emfRecord(84, {0, 0, 96, 96, 1, 0x3f800000, 0x3f800000, 10, 10, 0, 0, 2, 20, 20, 60, 60, 0}))
            << Spots{{{40, 40}, Qt::red, 0}, {{22, 58}, Qt::red, 0}, {{10, 10}, white, 0}, {{70, 40}, white, 0}}
            << QRect() << QRect();
        // A clip restored away, then a new one: the new one clips.
        QTest::newRow("clip after a restore")
            << pixelEmf(emfRecord(33, {}) + emfRecord(30, {0, 0, 48, 48}) + emfRecord(34, {-1}) + emfRecord(33, {}) +
                        emfRecord(29, {20, 20, 60, 60}) + emfRecord(37, {int(0x80000004)}) +
                        emfRecord(43, {0, 0, 96, 96}))
            << Spots{{{40, 40}, white, 0}, {{10, 10}, Qt::black, 0}, {{80, 80}, Qt::black, 0}} << QRect() << QRect();
        // Y up (window extent negative), escapement 270 degrees: the text
        // runs up from its start near the bottom, not down out of the picture.
        QByteArray up =
            emfRecord(17, {8}) + emfRecord(9, {100, -100}) + emfRecord(11, {96, 96}) + emfRecord(12, {0, 96});
        up += emfRecord(82, {1, -16, 0, 2700, 2700, 700, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        QByteArray text = emfRecord(84, {0, 0, 0, 0, 2, 0x3f800000, 0x3f800000, 50, 20, 6, 76, 0, 0, 0, 0, 0, 0});
        text.append(QByteArray("H\0H\0H\0H\0H\0H\0", 12));
        text[4] = char(text.size());
        QTest::newRow("escapement with y up")
            << pixelEmf(up + emfRecord(37, {1}) + text) << Spots() << QRect(40, 15, 40, 60) << QRect(0, 82, 96, 14);
        // Wingdings code 0x22 is a pair of scissors, drawn down to the
        // baseline (a quote mark would stay high); 0xFF has no counterpart
        // and draws nothing, in whatever charset the font claims.
        QTest::newRow("wingdings pictograph") << wmfText("Wingdings", "\x22\xff\xff\xff\xff") << Spots()
                                              << QRect(10, 32, 40, 12) << QRect(60, 0, 140, 100);
        // Symbol's alphas, even where a face named Symbol holds only its codes.
        QTest::newRow("symbol face") << wmfText("Symbol", "aaaa") << Spots() << QRect(10, 32, 60, 12) << QRect();
        // SetDIBitsToDevice of the 2 x 2 bitmap at (20,10), a unit a pixel.
        QTest::newRow("wmf bitmap set to the device")
            << craftWmf(setWindow(0, 0, 40, 40) +
                            wmfRecordWith(0x0D33, {0, 2, 0, 0, 0, 2, 2, 10, 20}, tinyBmp().mid(14)) + wmfEof(),
                        0)
            << Spots{{{20, 10}, Qt::red, 0}, {{20, 11}, Qt::blue, 0}, {{21, 11}, Qt::green, 0}, {{5, 5}, white, 0}}
            << QRect() << QRect();
        // An all-zero monochrome brush paints in the text colour current at
        // each fill, not the one it was made under.
        QByteArray mono = emfRecord(93, {1, 2, 32, 40, 72, 32, 40, 8, 8, 1 | (1 << 16), 0, 32, 0, 0, 0, 0});
        mono.append(QByteArray(32, '\0'));
        mono[4] = char(mono.size());
        QTest::newRow("monochrome brush coloured when it paints")
            << pixelEmf(emfRecord(24, {0xff0000}) + mono + emfRecord(37, {1}) + emfRecord(37, {int(0x80000008)}) +
                        emfRecord(24, {0x00ff00}) + emfRecord(43, {0, 0, 48, 96}) + emfRecord(24, {0x0000ff}) +
                        emfRecord(43, {48, 0, 96, 96}))
            << Spots{{{20, 50}, Qt::green, 0}, {{70, 50}, Qt::red, 0}} << QRect() << QRect();
        // XOR with a red brush where nothing is drawn yet: mixed with the
        // white page, cyan.
        QTest::newRow("xor on the untouched picture")
            << pixelEmf(emfRecord(39, {1, 0, 0x0000ff, 0}) + emfRecord(37, {1}) + emfRecord(37, {int(0x80000008)}) +
                        emfRecord(20, {7}) + emfRecord(43, {20, 20, 60, 60}))
            << Spots{{{40, 40}, Qt::cyan, 0}, {{80, 80}, white, 0}} << QRect() << QRect();
        // A cosmetic pen (width 0) on pixel edges: one row of solid red, not
        // two rows of pink.
        QTest::newRow("pen thinner than a pixel")
            << pixelEmf(emfRecord(38, {1, 0, 0, 0, 0x0000ff}) + emfRecord(37, {1}) + emfRecord(27, {10, 50}) +
                        emfRecord(54, {90, 50}))
            << Spots{{{50, 50}, Qt::red, 0}, {{50, 49}, white, 0}, {{50, 51}, white, 0}} << QRect() << QRect();
        // AlphaBlend with per-pixel alpha over a red page: a 2 x 1 source, its
        // left pixel transparent, its right one opaque blue.
        QByteArray blend = emfRecord(114, {0, 0,          96, 96, 10, 10, 40,  40, 0x01ff0000, 0, 0, 0x3f800000, 0,
                                           0, 0x3f800000, 0,  0,  0,  0,  108, 40, 148,        8, 2, 1});
        for (quint32 v : {40u, 2u, 1u, 1u | (32u << 16), 0u, 8u, 0u, 0u, 0u, 0u, 0u, 0xff0000ffu})
            put32(&blend, v);
        blend[4] = char(blend.size());
        QTest::newRow("alpha blend with per-pixel alpha")
            << pixelEmf(emfRecord(39, {1, 0, 0x0000ff, 0}) + emfRecord(37, {1}) + emfRecord(37, {int(0x80000008)}) +
                        emfRecord(43, {0, 0, 96, 96}) + blend)
            << Spots{{{20, 30}, Qt::red, 0}, {{40, 30}, Qt::blue, 0}} << QRect() << QRect();
        // WMF viewport moved by half the frame: the square drawn at the origin
        // lands in the bottom-right quarter.
        QTest::newRow("wmf viewport offset")
            << craftWmf(setWindow(0, 0, 100, 100) + wmfRecord(0x020E, {100, 100}) + wmfRecord(0x0211, {50, 50}) +
                            wmfRecord(0x02FA, {5, 0, 0, 0, 0}) + wmfRecord(0x012D, {0}) + wmfSolidBrush(0x0000ff, 1) +
                            wmfRecord(0x041B, {40, 40, 0, 0}) + wmfEof(),
                        2)
            << Spots{{{70, 70}, Qt::red, 0}, {{20, 20}, white, 0}} << QRect() << QRect();
        // FillRgn's region is in logical units: under a world transform
        // turning a quarter round and moving 96 right, the rectangle
        // (10,10)-(30,20) lands at (76,10)-(86,30), not where it reads.
        QTest::newRow("region filled through the world transform")
            << pixelEmf(
                   emfRecord(67, {2}) + emfRecord(35, {0, 0x3f800000, int(0xbf800000), 0, 0x42c00000, 0}) +
                   emfRecord(71, {0, 0, 96, 96, 48, int(0x80000004), 32, 1, 1, 16, 10, 10, 30, 20, 10, 10, 30, 20}))
            << Spots{{{81, 20}, Qt::black, 0}, {{15, 15}, white, 0}, {{81, 35}, white, 0}} << QRect() << QRect();
        // FrameRgn of one rectangle, strokes 3 wide, with the black stock
        // brush; InvertRgn of another on the untouched (white) page.
        QTest::newRow("region framed and inverted")
            << pixelEmf(emfRecord(72, {0,  0,  96, 96, 48, int(0x80000004), 3, 3, 32, 1, 1, 16, 40, 40, 80,
                                       80, 40, 40, 80, 80}) +
                        emfRecord(73, {0, 0, 96, 96, 48, 32, 1, 1, 16, 10, 10, 30, 30, 10, 10, 30, 30}))
            << Spots{{{41, 60}, Qt::black, 0},
                     {{78, 60}, Qt::black, 0},
                     {{60, 60}, white, 0},
                     {{20, 20}, Qt::black, 0},
                     {{35, 20}, white, 0}}
            << QRect() << QRect();
        // WMF character extra of 20 units: six narrow letters spread far to the right.
        QByteArray spread = setWindow(0, 0, 200, 60);
        QVector<qint16> arial = {-40, 0, 0, 0, 700, 0, 0, 0, 0};
        const QByteArray arialFace = QByteArray("Arial").leftJustified(32, '\0');
        for (int i = 0; i < 32; i += 2)
            arial.append(qint16(uchar(arialFace[i]) | uchar(arialFace[i + 1]) << 8));
        spread += wmfRecord(0x02FB, arial) + wmfRecord(0x012D, {0}) + wmfRecord(0x0102, {1});
        spread += wmfRecord(0x0108, {20}) + wmfRecord(0x0A32, {10, 10, 6, 0, 0x4949, 0x4949, 0x4949});
        QTest::newRow("wmf character extra")
            << craftWmf(spread + wmfEof(), 1) << Spots() << QRect(120, 0, 50, 60) << QRect(180, 0, 20, 60);
        // Justification of 100 units over one break: the letter after the
        // space lands 100 units further right.
        QByteArray justified = setWindow(0, 0, 200, 60) + wmfRecord(0x02FB, arial) + wmfRecord(0x012D, {0});
        justified += wmfRecord(0x0102, {1}) + wmfRecord(0x020A, {1, 100});
        justified += wmfRecord(0x0A32, {10, 10, 3, 0, 0x2049, 0x0049});
        QTest::newRow("wmf text justification")
            << craftWmf(justified + wmfEof(), 1) << Spots() << QRect(125, 0, 40, 60) << QRect(30, 0, 80, 60);
        // DIB_PAL_COLORS: a 2 x 1 bitmap whose table names palette entries 1
        // and 0 of a palette of red and green whose entry 1 is then made blue.
        const QByteArray twoIndexes = paletteIndexDib(2, 1, 1, {1, 0}, QByteArray("\x40\0\0\0", 4));
        QByteArray wmfPal = setWindow(0, 0, 20, 10) + wmfRecord(0x00F7, {0x0300, 2, 0x00ff, 0, qint16(0xff00), 0});
        wmfPal += wmfRecord(0x0234, {0}) + wmfRecord(0x0035, {}) + wmfRecord(0x0037, {1, 1, 0, 0x00ff});
        const QByteArray paletteSelected = wmfPal;
        wmfPal += wmfRecordWith(0x0F43, {0x0020, 0x00CC, 1, 1, 2, 0, 0, 10, 20, 0, 0}, twoIndexes);
        QTest::newRow("wmf bitmap of palette indexes")
            << craftWmf(wmfPal + wmfEof(), 1) << Spots{{{5, 5}, Qt::blue, 0}, {{15, 5}, Qt::red, 0}} << QRect()
            << QRect();
        // A 16-byte header has no colour count to rewrite: the bitmap is left out, nothing overruns.
        QByteArray shortHeader;
        put32(&shortHeader, 16);
        put32(&shortHeader, 2);
        put32(&shortHeader, 1);
        put16(&shortHeader, 1);
        put16(&shortHeader, 1);
        for (quint16 i : {1, 0})
            put16(&shortHeader, i);
        shortHeader.append("\x40\0\0\0", 4);
        const QByteArray wmfShort =
            paletteSelected + wmfRecordWith(0x0F43, {0x0020, 0x00CC, 1, 1, 2, 0, 0, 10, 20, 0, 0}, shortHeader);
        QTest::newRow("wmf bitmap of palette indexes, 16-byte header")
            << craftWmf(wmfShort + wmfEof(), 1) << Spots{{{5, 5}, white, 0}, {{15, 5}, white, 0}} << QRect() << QRect();
        // With no palette selected the default one: 13 is red, 16 blue.
        QTest::newRow("emf bitmap of default palette indexes")
            << pixelEmf(emfRecordWith(81, {0, 0, 96, 96, 0, 0, 0, 0, 2, 1, 80, 44, 124, 4, 1, 0x00CC0020, 96, 48},
                                      paletteIndexDib(2, 1, 1, {13, 16}, QByteArray("\x40\0\0\0", 4))))
            << Spots{{{20, 20}, Qt::red, 0}, {{70, 20}, Qt::blue, 0}, {{50, 70}, white, 0}} << QRect() << QRect();
        // A pattern brush of palette indexes takes its colours from the EMF
        // palette selected: all its bits 0, index 1 of green and yellow.
        QTest::newRow("emf pattern brush of palette indexes")
            << pixelEmf(
                   emfRecord(49, {1, 0x0300 | (2 << 16), 0x00ff00, 0x00ffff}) + emfRecord(48, {1}) + emfRecord(52, {}) +
                   emfRecordWith(94, {2, 1, 32, 44, 76, 32}, paletteIndexDib(8, 8, 1, {1, 0}, QByteArray(32, '\0'))) +
                   emfRecord(37, {2}) + emfRecord(37, {int(0x80000008)}) + emfRecord(43, {10, 10, 90, 90}))
            << Spots{{{50, 50}, Qt::yellow, 0}, {{5, 5}, white, 0}} << QRect() << QRect();
        // MaskBlt of a blue 2 x 2 bitmap, two units to 80 pixels, through a
        // diagonal mask: blue where it is set, BLACKNESS (the background
        // operation) where not.
        QByteArray blues;
        for (int row = 0; row < 2; ++row)
            blues.append("\xff\0\0\xff\0\0\0\0", 8);
        QByteArray maskBlt = craftBmp(2, 2, 24, 0, blues).mid(14);
        maskBlt += craftBmp(2, 2, 1, 0, QByteArray("\x40\0\0\0\x80\0\0\0", 8), {0, 0xffffff}).mid(14);
        QVector<qint32> maskParams = {0, 0, 96, 96, 0, 0, 2, 2, 0x00CC0020, 0, 0, 0x3f800000, 0, 0, 0x3f800000, 0, 0};
        maskParams << 0 << 0 << 128 << 40 << 168 << 16 << 0 << 0 << 0 << 184 << 48 << 232 << 8;
        QTest::newRow("mask blit: two operations by the mask")
            << pixelEmf(emfRecord(17, {8}) + emfRecord(9, {2, 2}) + emfRecord(11, {80, 80}) +
                        emfRecordWith(78, maskParams, maskBlt))
            << Spots{{{20, 20}, Qt::blue, 0},
                     {{60, 20}, Qt::black, 0},
                     {{20, 60}, Qt::black, 0},
                     {{60, 60}, Qt::blue, 0},
                     {{90, 90}, white, 0}}
            << QRect() << QRect();
        // PlgBlt of red | blue onto a mirrored parallelogram, the mask
        // letting only the blue pixel through: blue on the left, nothing on
        // the right.
        QByteArray plg = craftBmp(2, 1, 24, 0, QByteArray("\0\0\xff\xff\0\0\0\0", 8)).mid(14);
        plg += craftBmp(2, 1, 1, 0, QByteArray("\x40\0\0\0", 4), {0, 0xffffff}).mid(14);
        QVector<qint32> plgParams = {0, 0, 96, 96, 80,         10, 10, 10,         80, 50,
                                     0, 0, 2,  1,  0x3f800000, 0,  0,  0x3f800000, 0,  0};
        plgParams << 0 << 0 << 140 << 40 << 180 << 8 << 0 << 0 << 0 << 188 << 48 << 236 << 4;
        QTest::newRow("emf+ file's GDI records played")
            << pixelEmf(emfPlusHeader() + emfRecord(37, {int(0x80000004)}) + emfRecord(43, {10, 10, 50, 50}))
            << Spots{{{30, 30}, Qt::black, 0}, {{70, 70}, white, 0}} << QRect() << QRect();
        // A pattern of red | blue from brush origin (1, 0): odd columns red.
        QTest::newRow("brush origin moves a pattern")
            << pixelEmf(emfRecordWith(94, {1, 0, 32, 40, 72, 8},
                                      craftBmp(2, 1, 24, 0, QByteArray("\0\0\xff\xff\0\0\0\0", 8)).mid(14)) +
                        emfRecord(13, {1, 0}) + emfRecord(37, {1}) + emfRecord(37, {int(0x80000008)}) +
                        emfRecord(43, {0, 0, 96, 96}))
            << Spots{{{10, 10}, Qt::blue, 0}, {{11, 10}, Qt::red, 0}} << QRect() << QRect();
        // Mitre-joined pens 6 wide: a sharp peak keeps its point under the
        // default limit of 10, and is cut flat under a limit of 1.
        QTest::newRow("mitre limit") << pixelEmf(emfRecord(95, {1, 0, 0, 0, 0, 0x12000, 6, 0, 0, 0, 0}) +
                                                 emfRecord(37, {1}) +
                                                 emfRecord(4, {0, 0, 96, 96, 3, 10, 90, 20, 30, 30, 90}) +
                                                 emfRecord(58, {1}) +
                                                 emfRecord(4, {0, 0, 96, 96, 3, 60, 90, 70, 30, 80, 90}))
                                     << Spots{{{20, 20}, Qt::black, 0}, {{70, 22}, white, 0}, {{70, 40}, Qt::black, 0}}
                                     << QRect() << QRect();
        // PolyTextOutW of two strings: the second, far below the first, is drawn.
        QByteArray poly = emfRecord(97, {0, 0, 96, 96, 1,  0x3f800000, 0x3f800000, 2,   10, 5, 3, 120, 0, 0,
                                         0, 0, 0,  0,  10, 55,         3,          128, 0,  0, 0, 0,   0, 0});
        poly.append(QByteArray("H\0H\0H\0\0\0H\0H\0H\0\0\0", 16));
        poly[4] = char(poly.size());
        QTest::newRow("poly text out") << pixelEmf(emfRecord(82, {1, -30, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0,
                                                                  0, 0,   0, 0, 0, 0,   0, 0, 0, 0, 0, 0}) +
                                                   emfRecord(37, {1}) + poly)
                                       << Spots() << QRect(5, 50, 80, 40) << QRect(0, 38, 96, 10);
        // A black | white bitmap shrunk to one pixel: averaged to grey under
        // HALFTONE, one of its pixels under COLORONCOLOR.
        const QByteArray blackWhite = craftBmp(2, 1, 24, 0, QByteArray("\0\0\0\xff\xff\xff\0\0", 8)).mid(14);
        QTest::newRow("halftone shrinks by averaging")
            << pixelEmf(emfRecord(21, {4}) +
                        emfRecordWith(81, {0, 0, 96, 96, 10, 10, 0, 0, 2, 1, 80, 40, 120, 8, 0, 0x00CC0020, 1, 1},
                                      blackWhite) +
                        emfRecord(21, {3}) +
                        emfRecordWith(81, {0, 0, 96, 96, 20, 10, 0, 0, 2, 1, 80, 40, 120, 8, 0, 0x00CC0020, 1, 1},
                                      blackWhite))
            << Spots{{{10, 10}, QColor(128, 128, 128), 20}, {{20, 10}, QColor(128, 128, 128), 60, Spot::Far}} << QRect()
            << QRect();
        // Flood fills: inside a black outline up to the border (EMF), and the
        // untouched white surface round a blue square (WMF).
        QTest::newRow("flood fill to a border")
            << pixelEmf(emfRecord(37, {int(0x80000005)}) + emfRecord(43, {20, 20, 70, 70}) +
                        emfRecord(39, {1, 0, 0x0000ff, 0}) + emfRecord(37, {1}) + emfRecord(53, {45, 45, 0, 0}))
            << Spots{{{45, 45}, Qt::red, 0}, {{22, 45}, Qt::red, 0}, {{10, 10}, white, 0}, {{80, 80}, white, 0}}
            << QRect() << QRect();
        QTest::newRow("wmf flood fill of a surface")
            << craftWmf(setWindow(0, 0, 40, 40) + wmfSolidBrush(0xff0000) + wmfRecord(0x02FA, {5, 0, 0, 0, 0}) +
                            wmfRecord(0x012D, {1}) + wmfRecord(0x041B, {30, 30, 10, 10}) + wmfSolidBrush(0x00ff00, 2) +
                            wmfRecord(0x0548, {1, -1, 0x00ff, 2, 2}) + wmfEof(),
                        3)
            << Spots{{{2, 2}, Qt::green, 0}, {{38, 38}, Qt::green, 0}, {{20, 20}, Qt::blue, 0}} << QRect() << QRect();
        QTest::newRow("parallelogram blit with a mask")
            << pixelEmf(emfRecordWith(79, plgParams, plg))
            << Spots{{{25, 30}, Qt::blue, 0}, {{65, 30}, white, 0}, {{25, 70}, white, 0}} << QRect() << QRect();
    }

    void playbackRules()
    {
        QFETCH(QByteArray, data);
        QFETCH(Spots, spots);
        QFETCH(QRect, inked);
        QFETCH(QRect, blank);
        const PictureLoadResult r = loadPictureFromData(data);
        QVERIFY2(r.ok(), qPrintable(r.error));
        const QImage &img = r.picture.image;
        const QString failed = spotsFailing(img, spots);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        auto dark = [&img](const QRect &area) {
            int n = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    n += qGray(px(img, x, y)) < 100;
            return n;
        };
        QVERIFY2(inked.isEmpty() || dark(inked) > 20, "nothing drawn where it belongs");
        QCOMPARE(dark(blank), 0);
    }

    // Files of known geometry from the shared test pictures.
    void generated_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("natural");
        QTest::addColumn<Spots>("spots");
        QTest::addColumn<QRect>("text"); // an area where text must be drawn
        const QColor frameFill(255, 255, 200), ellipse(220, 0, 0), purple(200, 0, 200);
        // 1440 units per inch: one pixel is 15 units.
        QTest::newRow("placeable, 1440 units an inch")
            << "wmf/generated/gen_placeable_1440.wmf" << QSize(192, 96)
            << Spots{{{140, 88}, frameFill, 8},
                     {{38, 60}, ellipse, 8},
                     {{150, 15}, Qt::red, 30}, // the DIB's four corners
                     {{176, 15}, Qt::green, 30},
                     {{150, 42}, Qt::blue, 30},
                     {{176, 42}, Qt::yellow, 30},
                     {{158, 80}, purple, 8},               // clipped ellipse, inside the clip
                     {{172, 80}, purple, 60, Spot::Far},   // the same ellipse, outside the clip
                     {{29, 82}, Qt::black, 30},            // thick polyline
                     {{0, 50}, QColor(), 0, Spot::Bluish}, // frame border: a blue pen of 1.3 px on the edge
                     {{191, 50}, QColor(), 0, Spot::Bluish}}
            << QRect(70, 18, 25, 15);
        // Its box is 1728 x 1152 units at 576 an inch: 3 x 2 inches. The DIB
        // covers x 1296..1641, y 115..575 units: a sixth of that in pixels.
        QTest::newRow("placeable, 576 units an inch") << "wmf/generated/gen_placeable_576.wmf" << QSize(288, 192)
                                                      << Spots{{{222, 30}, Qt::red, 30},
                                                               {{266, 30}, Qt::green, 30},
                                                               {{222, 85}, Qt::blue, 30},
                                                               {{266, 85}, Qt::yellow, 30}}
                                                      << QRect();
        QTest::newRow("emf of 2 x 1 inches")
            << "emf/generated/gen_basic_2x1in.emf" << QSize(192, 96)
            << Spots{{{95, 90}, frameFill, 8}, {{38, 60}, ellipse, 8}, {{105, 65}, QColor(0, 160, 0), 8}} // triangle
            << QRect();
        QTest::newRow("emf of 100 x 50 mm")
            << "emf/generated/gen_mmtext_100x50mm.emf" << QSize(378, 189) << Spots() << QRect();
        // MM_TEXT window of 300 x 150: a unit a pixel.
        QTest::newRow("standard, text map mode") << "wmf/generated/gen_nonplaceable_text.wmf" << QSize(300, 150)
                                                 << Spots{{{40, 100}, ellipse, 8}} << QRect();
        QTest::newRow("standard, anisotropic")
            << "wmf/generated/gen_nonplaceable_aniso.wmf" << QSize(2880, 1440) << Spots() << QRect();
    }
    void generated()
    {
        QFETCH(QString, file);
        QFETCH(QSize, natural);
        QFETCH(Spots, spots);
        QFETCH(QRect, text);
        if (testDataDir().isEmpty())
            QSKIP("shared test pictures absent");
        const PictureLoadResult r = loadPicture(gen(file));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.picture.naturalSize, natural);
        const QImage &img = r.picture.image;
        const QString failed = spotsFailing(img, spots);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        int dark = 0;
        for (int y = text.top(); y <= text.bottom(); ++y)
            for (int x = text.left(); x <= text.right(); ++x)
                dark += qGray(px(img, x, y)) < 80;
        QVERIFY2(text.isEmpty() || dark > 20, "the text is missing");
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
