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

QByteArray craftBmp(int width, int height, int bpp, int compression, const QByteArray &bits,
                    const QVector<quint32> &palette)
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

namespace {

// An EMF whose frame is side x side pixels at 96 dpi, with a 96-dpi device.
QByteArray squareEmf(const QByteArray &records, int side)
{
    const int frame = side * 2540 / 96;
    return craftEmf(records + emfEof(), QRect(0, 0, frame, frame), 8, QSize(960, 960), QSize(254, 254));
}

// Sets a record's size field to its length.
QByteArray sized(QByteArray rec)
{
    const quint32 size = quint32(rec.size());
    for (int i = 0; i < 4; ++i)
        rec[4 + i] = char((size >> (8 * i)) & 0xff);
    return rec;
}

} // namespace

QByteArray craftGradientBomb(int side, int triangles)
{
    QByteArray rec = emfRecord(118, {0, 0, side, side, 3, triangles, 2});
    rec.reserve(rec.size() + 48 + triangles * 12);
    for (const QPoint &p : {QPoint(0, 0), QPoint(side, 0), QPoint(0, side)}) {
        put32(&rec, quint32(p.x() * 2)); // a little past the picture
        put32(&rec, quint32(p.y() * 2));
        put32(&rec, 0xff00u | 0xff000000u); // red and green
        put32(&rec, 0x8000u);               // blue, alpha
    }
    for (int i = 0; i < triangles; ++i)
        for (int k : {0, 1, 2})
            put32(&rec, quint32(k));
    return squareEmf(sized(rec), side);
}

QByteArray craftTextBomb(int side, int chars, int fontPixels)
{
    QVector<qint32> font = {1, -fontPixels, 0, 0, 0, 400, 0, 0};
    for (int i = 0; i < 16; ++i) // face "Sans"
        font << (i == 0 ? ('S' | 'a' << 16) : i == 1 ? ('n' | 's' << 16) : 0);
    QByteArray recs = emfRecord(82, font) + emfRecord(37, {1});
    // ExtTextOutW: bounds, graphics mode, scales, then the text object.
    QVector<qint32> p = {0,     0,  side, side, 1, 0x3f800000, 0x3f800000, 0, fontPixels / 2,
                         chars, 76, 0,    0,    0, side,       side,       0};
    QByteArray rec = emfRecord(84, p);
    for (int i = 0; i < chars; ++i)
        put16(&rec, 'M');
    while (rec.size() % 4)
        rec.append('\0');
    return squareEmf(recs + sized(rec), side);
}

QByteArray craftPolylineBomb(int side, int points)
{
    QByteArray rec = emfRecord(4, {0, 0, side, side, points});
    rec.reserve(rec.size() + points * 8);
    for (int i = 0; i < points; ++i) {
        put32(&rec, quint32(i % 2 ? side : 0));
        put32(&rec, quint32(qint64(i) * side / std::max(1, points)));
    }
    return squareEmf(emfRecord(38, {1, 0, 3, 0, 0x0000ff}) + emfRecord(37, {1}) + sized(rec), side);
}

QByteArray wmfRegionRecord(const QVector<RegionBand> &bands, int maxScan)
{
    QByteArray body;
    int left = 0, top = 0, right = 0, bottom = 0;
    for (const RegionBand &b : bands) {
        put16(&body, int(b.spans.size()) * 2);
        put16(&body, b.top);
        put16(&body, b.bottom);
        for (const auto &s : b.spans) {
            put16(&body, s.first);
            put16(&body, s.second);
            right = std::max(right, s.second);
        }
        put16(&body, int(b.spans.size()) * 2);
        bottom = std::max(bottom, b.bottom);
    }
    QByteArray rec;
    put32(&rec, 0);
    put16(&rec, 0x06FF);
    put16(&rec, 0);                     // next in chain
    put16(&rec, 6);                     // object type
    put32(&rec, 0);                     // object count
    put16(&rec, 22 + int(body.size())); // region size
    put16(&rec, int(bands.size()));     // scan count
    put16(&rec, maxScan);
    for (int v : {left, top, right, bottom})
        put16(&rec, v);
    rec += body;
    const quint32 words = quint32(rec.size() / 2);
    for (int i = 0; i < 4; ++i)
        rec[i] = char((words >> (8 * i)) & 0xff);
    return rec;
}

QByteArray craftRegionBomb(int side, int scans, int rectsPerScan)
{
    QVector<RegionBand> bands;
    bands.reserve(scans);
    for (int i = 0; i < scans; ++i) {
        RegionBand b{int(qint64(i) * side / scans), int(qint64(i + 1) * side / scans), {}};
        b.spans.reserve(rectsPerScan);
        for (int k = 0; k < rectsPerScan; ++k)
            b.spans.append(
                {int(qint64(2 * k) * side / (2 * rectsPerScan)), int(qint64(2 * k + 1) * side / (2 * rectsPerScan))});
        bands.append(b);
    }
    QByteArray recs = wmfRecord(0x020B, {0, 0}) + wmfRecord(0x020C, {qint16(side), qint16(side)});
    recs += wmfRecord(0x02FC, {0, 0x00ff, 0, 0});     // red brush, slot 0
    recs += wmfRegionRecord(bands, rectsPerScan * 2); // slot 1
    recs += wmfRecord(0x0228, {0, 1});                // FillRegion with brush 0
    recs += wmfRecord(0x0429, {2, 2, 0, 1});          // FrameRegion, brush 0, 2 x 2
    return craftWmf(recs + wmfEof(), 2, 96, QRect(0, 0, side, side));
}

QByteArray craftJpegManyScans(int scans)
{
    const QByteArray jpeg = craftJpeg(16, 16);
    QByteArray head = jpeg.left(jpeg.indexOf("\xff\xda"));
    head[head.indexOf("\xff\xc0") + 1] = char(0xc2); // progressive
    const QByteArray scan("\xff\xda\x00\x08\x01\x01\x00\x00\x00\x00\x00", 11);
    for (int i = 0; i < scans; ++i)
        head.append(scan);
    return head + QByteArray("\xff\xd9", 2);
}

QByteArray craftClipUnions(int regions, int rectsPerRegion)
{
    QByteArray recs;
    for (int k = 0; k < regions; ++k) {
        // ExtSelectClipRgn of 1 x 1 rectangles over 1000 x 1000: the first
        // replaces the clip (RGN_COPY), the others join it (RGN_OR).
        QVector<qint32> p = {
            32 + rectsPerRegion * 16, k == 0 ? 5 : 2, 32, 1, rectsPerRegion, rectsPerRegion * 16, 0, 0, 1000, 1000};
        for (int i = 0; i < rectsPerRegion; ++i)
            p << (i * 2 + k) % 900 << (i * 3) % 700 << (i * 2 + k) % 900 + 1 << (i * 3) % 700 + 1;
        recs += emfRecord(75, p);
    }
    recs += emfRecord(43, {0, 0, 1000, 1000});
    return craftEmf(recs + emfEof(), QRect(0, 0, 26000, 26000));
}

QByteArray craftPatternBrushes(int brushes, int side)
{
    const QByteArray dib = craftBmp(side, side, 8, 1, QByteArray("\x00\x01\x00\x00", 4), {0x00ff00, 0}).mid(14);
    QByteArray recs;
    for (int i = 0; i < brushes; ++i) {
        QByteArray rec = emfRecord(94, {1 + i, 0, 32, 48, 32 + 48, int(dib.size()) - 48});
        rec.append(dib);
        while (rec.size() % 4)
            rec.append('\0');
        const quint32 size = quint32(rec.size());
        rec.replace(4, 4, QByteArray(reinterpret_cast<const char *>(&size), 4));
        recs += rec;
    }
    recs += emfRecord(37, {brushes});
    recs += emfRecord(37, {int(0x80000008)}); // null pen
    recs += emfRecord(43, {0, 0, 50, 50});
    return craftEmf(recs + emfEof(), QRect(0, 0, 2540, 2540), 64, QSize(960, 960), QSize(254, 254));
}

} // namespace ptt::test
