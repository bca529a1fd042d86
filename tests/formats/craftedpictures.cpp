#include "craftedpictures.h"

#include <QBuffer>
#include <QImage>

namespace ptt::test {

void put16(QByteArray *d, int v)
{
    d->append(char(v & 0xff));
    d->append(char((v >> 8) & 0xff));
}

void put32(QByteArray *d, quint32 v)
{
    put16(d, int(v & 0xffff));
    put16(d, int(v >> 16));
}

QByteArray craftBmp(
    int width, int height, int bpp, int compression, const QByteArray &bits, const QVector<quint32> &palette)
{
    QByteArray d("BM");
    const quint32 off = 14 + 40 + quint32(palette.size()) * 4;
    put32(&d, off + quint32(bits.size()));
    put32(&d, 0);
    put32(&d, off);
    put32(&d, 40);
    put32(&d, quint32(width));
    put32(&d, quint32(height));
    put16(&d, 1);
    put16(&d, bpp);
    put32(&d, quint32(compression));
    put32(&d, quint32(bits.size()));
    put32(&d, 2835);
    put32(&d, 2835);
    put32(&d, quint32(palette.size()));
    put32(&d, 0);
    for (quint32 c : palette) {
        d.append(char(c & 0xff));
        d.append(char((c >> 8) & 0xff));
        d.append(char((c >> 16) & 0xff));
        d.append('\0');
    }
    d.append(bits);
    return d;
}

QByteArray wmfRecord(quint16 function, const QVector<qint16> &params)
{
    QByteArray d;
    put32(&d, quint32(3 + params.size()));
    put16(&d, function);
    for (qint16 p : params)
        put16(&d, p);
    return d;
}

QByteArray wmfEof()
{
    return wmfRecord(0, {});
}

QByteArray craftWmf(const QByteArray &records, int objects, int inch, QRect box)
{
    QByteArray d;
    if (inch > 0) {
        put32(&d, 0x9AC6CDD7u);
        put16(&d, 0);
        put16(&d, box.left());
        put16(&d, box.top());
        put16(&d, box.right() + 1);
        put16(&d, box.bottom() + 1);
        put16(&d, inch);
        put32(&d, 0);
        quint16 sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum ^= quint16(uchar(d[i]) | uchar(d[i + 1]) << 8);
        put16(&d, sum);
    }
    put16(&d, 1);
    put16(&d, 9);
    put16(&d, 0x0300);
    put32(&d, quint32(9 + records.size() / 2));
    put16(&d, objects);
    put32(&d, 64);
    put16(&d, 0);
    d.append(records);
    return d;
}

QByteArray emfRecord(quint32 type, const QVector<qint32> &params)
{
    QByteArray d;
    put32(&d, type);
    put32(&d, quint32(8 + params.size() * 4));
    for (qint32 p : params)
        put32(&d, quint32(p));
    return d;
}

QByteArray emfEof()
{
    return emfRecord(14, {0, 16, 20});
}

QByteArray craftEmf(const QByteArray &records, QRect frame, int handles, QSize devicePx, QSize deviceMm)
{
    QByteArray d;
    put32(&d, 1);
    put32(&d, 88);
    // Bounds deliberately unlike the frame: the size must come from the frame.
    for (int v : {0, 0, 10, 10})
        put32(&d, quint32(v));
    for (int v : {frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1})
        put32(&d, quint32(v));
    put32(&d, 0x464D4520u);
    put32(&d, 0x10000);
    put32(&d, quint32(88 + records.size()));
    put32(&d, 0);
    put16(&d, handles);
    put16(&d, 0);
    put32(&d, 0);
    put32(&d, 0);
    put32(&d, 0);
    put32(&d, quint32(devicePx.width()));
    put32(&d, quint32(devicePx.height()));
    put32(&d, quint32(deviceMm.width()));
    put32(&d, quint32(deviceMm.height()));
    d.append(records);
    return d;
}

QByteArray craftJpeg(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(QColor(30, 120, 200));
    QByteArray d;
    QBuffer b(&d);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "JPEG", 90);
    return d;
}

} // namespace ptt::test
