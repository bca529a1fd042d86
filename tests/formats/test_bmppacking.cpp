// The BMP writer's row packing, checked byte for byte against a plain
// encoder for every width up to well past its 16-pixel steps.
#include "formats/bmpwriter.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace ptt;

namespace {

QByteArray plainBmp24(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    const int stride = (w * 3 + 3) & ~3;
    QByteArray out;
    auto put = [&out](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.append(char((v >> (8 * i)) & 0xff));
    };
    out.append("BM");
    put(54 + stride * h, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(w, 4);
    put(h, 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(stride * h, 4);
    put(3780, 4);
    put(3780, 4);
    put(0, 4);
    put(0, 4);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const QRgb p = image.pixel(x, y);
            out.append(char(qBlue(p)));
            out.append(char(qGreen(p)));
            out.append(char(qRed(p)));
        }
        out.append(QByteArray(stride - w * 3, '\0'));
    }
    return out;
}

QImage noise(int w, int h, QImage::Format format, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate());
    return image.convertToFormat(format);
}

} // namespace

class TestBmpPacking : public QObject {
    Q_OBJECT
private slots:
    void everyWidth_data()
    {
        QTest::addColumn<int>("width");
        for (int w = 1; w <= 70; ++w)
            QTest::addRow("width %d", w) << w;
        for (int w : {127, 128, 129, 1023, 2863})
            QTest::addRow("width %d", w) << w;
    }
    void everyWidth()
    {
        QFETCH(int, width);
        for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
            const QImage image = noise(width, 5, format, quint32(width));
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(writeBmp24(&buffer, image));
            QCOMPARE(buffer.data(), plainBmp24(image));
        }
    }

    // Alpha is dropped, never mixed into the colour bytes.
    void alphaIgnored()
    {
        QImage image(33, 2, QImage::Format_ARGB32);
        image.fill(qRgba(10, 20, 30, 0));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(writeBmp24(&buffer, image));
        const QByteArray bytes = buffer.data();
        for (int x = 0; x < 33; ++x) {
            QCOMPARE(uchar(bytes[54 + x * 3]), uchar(30));
            QCOMPARE(uchar(bytes[54 + x * 3 + 1]), uchar(20));
            QCOMPARE(uchar(bytes[54 + x * 3 + 2]), uchar(10));
        }
    }

    void savedFileMatches()
    {
        QTemporaryDir dir;
        const QImage image = noise(1031, 67, QImage::Format_RGB32, 7);
        const QString path = dir.filePath(QStringLiteral("page.bmp"));
        QVERIFY(saveBmp24File(path, image));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), plainBmp24(image));
    }
};

QTEST_GUILESS_MAIN(TestBmpPacking)
#include "test_bmppacking.moc"
