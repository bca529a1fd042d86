#include "formats/bmpwriter.h"
#include "testsupport/testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTest>

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
