// Standard and placeable WMF: header and record checks, natural size, player.
#include "gdicontext.h"
#include "metafile.h"
#include "recordreader.h"

#include "../checkednumber.h"

#include <cmath>

namespace ptt::metafile {

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7u;
constexpr quint32 kPlaceableSize = 22;
constexpr quint32 kMaxRecords = 4000000;

QString corrupt()
{
    return QStringLiteral("文件已损坏，无法作为图片读取。");
}

QColor colorRef(const RecordReader &r, quint32 at)
{
    return QColor(r.u8(at), r.u8(at + 1), r.u8(at + 2));
}

// Offset of the first record, after the optional placeable header and the
// metafile header. 0 when the headers are malformed.
quint32 firstRecord(const QByteArray &data, bool *placeable)
{
    RecordReader r(reinterpret_cast<const uchar *>(data.constData()), quint32(data.size()));
    quint32 at = 0;
    *placeable = r.u32(0) == kPlaceableKey;
    if (*placeable)
        at = kPlaceableSize;
    const quint16 type = r.u16(at);
    const quint16 headerWords = r.u16(at + 2);
    if (r.bad() || (type != 1 && type != 2) || headerWords != 9)
        return 0;
    return at + 18;
}

} // namespace

QSize renderSizeFor(QSize natural, int maxSide)
{
    const int side = std::max(natural.width(), natural.height());
    if (side <= maxSide)
        return natural;
    const double f = double(maxSide) / side;
    return QSize(boundedInt(natural.width() * f, Rounding::HalfAway, 1, maxSide, 1),
                 boundedInt(natural.height() * f, Rounding::HalfAway, 1, maxSide, 1));
}

bool probeWmf(const QByteArray &data, MetafileInfo *info, QString *error, DecodeStop *stop)
{
    *info = MetafileInfo();
    bool placeable = false;
    const quint32 start = firstRecord(data, &placeable);
    if (start == 0) {
        *error = corrupt();
        return false;
    }
    RecordReader file(reinterpret_cast<const uchar *>(data.constData()), quint32(data.size()));
    info->placeable = placeable;
    info->objectCount = file.u16(start - 18 + 10);

    int mapMode = MM_TEXT;
    bool haveExt = false;
    QPointF org;
    QPointF ext;
    quint32 at = start;
    quint32 count = 0;
    while (file.has(at, 6)) {
        const quint32 words = file.u32(at);
        const quint16 fn = file.u16(at + 4);
        if (words < 3 || quint64(words) * 2 > quint64(data.size()) - at) {
            *error = corrupt();
            return false;
        }
        if (++count > kMaxRecords || (stop && stop->poll())) {
            *error = corrupt();
            return false;
        }
        if (fn == 0)
            break;
        RecordReader rec(file.data() + at, words * 2);
        if (!haveExt) {
            if (fn == 0x0103 && words >= 4)
                mapMode = rec.u16(6);
            else if (fn == 0x020B && words >= 5)
                org = QPointF(rec.i16(8), rec.i16(6));
            else if (fn == 0x020C && words >= 5) {
                ext = QPointF(rec.i16(8), rec.i16(6));
                haveExt = true;
            }
        }
        at += words * 2;
    }
    if (count == 0) {
        *error = corrupt();
        return false;
    }

    QSizeF natural;
    if (placeable) {
        const qint16 left = file.i16(6), top = file.i16(8), right = file.i16(10), bottom = file.i16(12);
        const quint16 inch = file.u16(14);
        if (inch == 0 || right == left || bottom == top) {
            *error = corrupt();
            return false;
        }
        info->window = QRectF(left, top, right - left, bottom - top);
        natural = QSizeF(std::abs(right - left) * 96.0 / inch, std::abs(bottom - top) * 96.0 / inch);
        info->mapMode = MM_ANISOTROPIC;
    } else {
        if (!haveExt || ext.x() == 0 || ext.y() == 0) {
            *error = corrupt();
            return false;
        }
        info->window = QRectF(org, QSizeF(ext.x(), ext.y()));
        info->mapMode = mapMode;
        const double mm = mapModeUnitMm(mapMode);
        const double f = mm > 0 ? mm * 96 / 25.4 : 1.0;
        natural = QSizeF(std::abs(ext.x()) * f, std::abs(ext.y()) * f);
    }
    info->naturalSize = QSize(boundedInt(natural.width(), Rounding::HalfAway, 1, INT_MAX, 1),
                              boundedInt(natural.height(), Rounding::HalfAway, 1, INT_MAX, 1));
    return true;
}

namespace {

// n points at at; past limit they are left out.
QPolygonF points16(const RecordReader &r, quint32 at, quint32 n, int limit, DecodeStop *stop)
{
    QPolygonF poly;
    if (!r.has(at, quint64(n) * 4))
        return poly;
    n = std::min<quint32>(n, quint32(limit));
    poly.reserve(int(n));
    for (quint32 i = 0; i < n && !stop->poll(); ++i)
        poly.append(QPointF(r.i16(at + i * 4), r.i16(at + i * 4 + 2)));
    return poly;
}

// Rectangle stored as bottom, right, top, left.
QRectF rectBRTL(const RecordReader &r, quint32 at)
{
    const double b = r.i16(at), rt = r.i16(at + 2), t = r.i16(at + 4), l = r.i16(at + 6);
    return QRectF(QPointF(l, t), QPointF(rt, b));
}

GdiFont readFont(const RecordReader &r, quint32 at)
{
    GdiFont f;
    f.height = r.i16(at);
    f.width = r.i16(at + 2);
    f.escapement = r.i16(at + 4);
    f.weight = r.i16(at + 8);
    f.italic = r.u8(at + 10);
    f.underline = r.u8(at + 11);
    f.strikeout = r.u8(at + 12);
    f.charset = r.u8(at + 13);
    QByteArray face;
    for (quint32 i = 0; i < 32 && r.has(at + 18 + i, 1); ++i) {
        const char c = char(r.u8(at + 18 + i));
        if (!c)
            break;
        face.append(c);
    }
    f.face = decodeAnsi(face, f.charset == 2 ? 0 : 134);
    return f;
}

// A DIB at the record's tail: BITMAPINFO, colour table, bits.
QImage tailDib(const RecordReader &r, quint32 at, DecodeStop *stop, bool *bottomUp = nullptr)
{
    if (!r.has(at, 12))
        return QImage();
    const quint32 hs = r.u32(at);
    if (hs < 12 || !r.has(at, hs))
        return QImage();
    if (bottomUp)
        *bottomUp = hs == 12 ? true : r.i32(at + 8) > 0;
    return decodeDib(r.data() + at, r.size() - at, nullptr, 0, stop);
}

// The rectangle [left, right) x [top, bottom) of a region, whichever way round.
QRect spanRect(int left, int right, int top, int bottom)
{
    return QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                 QSize(std::abs(right - left), std::abs(bottom - top)));
}

// A region object: a header (next in chain, object type, object count,
// region size, scan count, largest scan, bounding rectangle), then scans of
// (count, top, bottom, count x-coordinates as left/right pairs, count again).
// A scan that does not fit the record ends the region. One of more
// rectangles than the limits allow is taken as its bounding rectangle.
QRegion readRegion(const RecordReader &r, quint32 at, const GdiContext &dc)
{
    const quint32 scans = r.u16(at + 10);
    // Count first, allocating nothing, so the cost is known before the work.
    qint64 rects = 0;
    QRect bounds;
    quint32 q = at + 22;
    quint32 whole = 0; // scans that fit
    for (; whole < scans && r.has(q, 6) && !dc.stop()->poll(); ++whole) {
        const quint32 count = r.u16(q);
        if (count % 2 || !r.has(q + 6, quint64(count) * 2 + 2))
            break;
        if (count > 0) {
            const int top = r.i16(q + 2), bottom = r.i16(q + 4);
            int left = r.i16(q + 6), right = left;
            for (quint32 k = 0; k < count; ++k) {
                left = std::min<int>(left, r.i16(q + 6 + k * 2));
                right = std::max<int>(right, r.i16(q + 6 + k * 2));
            }
            bounds |= spanRect(left, right, top, bottom);
        }
        rects += count / 2;
        q += 6 + count * 2 + 2;
    }
    if (rects == 0 && r.has(at + 14, 8))
        return QRegion(spanRect(r.i16(at + 14), r.i16(at + 18), r.i16(at + 16), r.i16(at + 20)));
    if (rects > dc.limits().regionRects || !dc.mayHoldRegion(rects))
        return QRegion(bounds);
    QVector<QRect> list;
    list.reserve(int(rects));
    q = at + 22;
    for (quint32 i = 0; i < whole && !dc.stop()->poll(); ++i) {
        const quint32 count = r.u16(q);
        const int top = r.i16(q + 2), bottom = r.i16(q + 4);
        for (quint32 k = 0; k + 1 < count; k += 2)
            list.append(spanRect(r.i16(q + 6 + k * 2), r.i16(q + 8 + k * 2), top, bottom));
        q += 6 + count * 2 + 2;
    }
    return regionFromRects(list, dc.stop());
}

// An old device-dependent bitmap (type, width, height, bytes per row, planes,
// bits per pixel, then rows from the top). Monochrome ones take the text and
// background colours, as on a colour device.
QImage bitmap16(const RecordReader &r, quint32 at, QColor fore, QColor back, DecodeStop *stop)
{
    const int w = r.i16(at + 2), h = r.i16(at + 4), stride = r.i16(at + 6);
    const int planes = r.u8(at + 8), bpp = r.u8(at + 9);
    if (r.bad() || w <= 0 || h <= 0 || w > 4096 || h > 4096 || planes != 1 || stride <= 0 ||
        !r.has(at + 10, quint64(stride) * h))
        return QImage();
    if ((bpp == 1 && stride * 8 < w) || (bpp == 24 && stride < w * 3) || (bpp == 32 && stride < w * 4) ||
        (bpp == 8 && stride < w))
        return QImage();
    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull())
        return img;
    for (int y = 0; y < h; ++y) {
        if (stop->poll())
            return QImage();
        const uchar *row = r.data() + at + 10 + quint32(y) * quint32(stride);
        QRgb *out = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            switch (bpp) {
            case 1:
                out[x] = ((row[x / 8] >> (7 - x % 8)) & 1) ? back.rgb() : fore.rgb();
                break;
            case 8:
                out[x] = qRgb(row[x], row[x], row[x]);
                break;
            case 24:
                out[x] = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
                break;
            case 32:
                out[x] = qRgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
                break;
            default:
                return QImage();
            }
        }
    }
    return img;
}

QRectF srcRect(const QImage &img, double x, double y, double w, double h, bool flipY)
{
    if (img.isNull())
        return QRectF();
    if (flipY)
        y = img.height() - (y + h);
    return QRectF(x, y, w, h);
}

} // namespace

QImage playWmf(const QByteArray &data, const MetafileInfo &info, QSize imageSize, DecodeStop *stop)
{
    DecodeStop never;
    if (!stop)
        stop = &never;
    // Transparent where nothing is drawn: a metafile shows what lies under it.
    QImage image = transparentImage(imageSize, stop);
    if (image.isNull())
        return image;
    bool placeable = false;
    const quint32 start = firstRecord(data, &placeable);
    if (start == 0)
        return image;

    GdiContext dc(&image, stop);
    const int pointLimit = dc.limits().pathPoints;
    dc.setWindowOnPicture(true);
    dc.resizeObjects(info.objectCount);
    dc.s.winOrg = info.window.topLeft();
    dc.s.winExt = QPointF(info.window.width(), info.window.height());
    dc.s.mapMode = info.mapMode;

    RecordReader file(reinterpret_cast<const uchar *>(data.constData()), quint32(data.size()));
    quint32 at = start;
    quint32 count = 0;
    while (file.has(at, 6)) {
        const quint32 words = file.u32(at);
        const quint16 fn = file.u16(at + 4);
        if (words < 3 || quint64(words) * 2 > quint64(data.size()) - at || fn == 0 || ++count > kMaxRecords)
            break;
        if (stop->requested())
            break;
        const RecordReader r(file.data() + at, words * 2);
        at += words * 2;
        const quint32 p = 6; // parameters start here
        switch (fn) {
        case 0x0103:
            dc.s.mapMode = r.u16(p);
            break;
        case 0x0104:
            dc.s.rop2 = r.u16(p);
            break;
        case 0x0106:
            dc.s.polyFillMode = r.u16(p);
            break;
        case 0x0102:
            dc.s.bkMode = r.u16(p);
            break;
        case 0x0201:
            dc.s.bkColor = colorRef(r, p);
            break;
        case 0x0209:
            dc.s.textColor = colorRef(r, p);
            break;
        case 0x012E:
            dc.s.textAlign = r.u16(p);
            break;
        case 0x020B:
            dc.s.winOrg = QPointF(r.i16(p + 2), r.i16(p));
            break;
        case 0x020C:
            dc.s.winExt = QPointF(r.i16(p + 2), r.i16(p));
            break;
        case 0x020F:
            dc.s.winOrg += QPointF(r.i16(p + 2), r.i16(p));
            break;
        case 0x0410: {
            const double yd = r.i16(p), yn = r.i16(p + 2), xd = r.i16(p + 4), xn = r.i16(p + 6);
            if (xd != 0 && yd != 0)
                dc.s.winExt = QPointF(dc.s.winExt.x() * xn / xd, dc.s.winExt.y() * yn / yd);
            break;
        }
        case 0x0213:
            dc.lineTo(QPointF(r.i16(p + 2), r.i16(p)));
            break;
        case 0x0214:
            dc.moveTo(QPointF(r.i16(p + 2), r.i16(p)));
            break;
        case 0x0415:
            dc.excludeClipRect(rectBRTL(r, p));
            break;
        case 0x0416:
            dc.intersectClipRect(rectBRTL(r, p));
            break;
        case 0x0220:
            dc.offsetClip(QPointF(r.i16(p + 2), r.i16(p)));
            break;
        case 0x012C:
            dc.selectClipRegion(r.u16(p));
            break;
        case 0x0418:
            dc.ellipse(rectBRTL(r, p));
            break;
        case 0x041B:
            dc.rectangle(rectBRTL(r, p));
            break;
        case 0x061C:
            dc.roundRect(rectBRTL(r, p + 4), r.i16(p + 2), r.i16(p));
            break;
        case 0x0817:
        case 0x0830:
        case 0x081A: {
            const QPointF end(r.i16(p + 2), r.i16(p));
            const QPointF begin(r.i16(p + 6), r.i16(p + 4));
            const auto kind = fn == 0x0817 ? GdiContext::Arc : fn == 0x0830 ? GdiContext::Chord : GdiContext::Pie;
            dc.arc(kind, rectBRTL(r, p + 8), begin, end);
            break;
        }
        case 0x0324:
        case 0x0325: {
            const QPolygonF poly = points16(r, p + 2, r.u16(p), pointLimit, stop);
            if (fn == 0x0324)
                dc.polygon(poly);
            else
                dc.polyline(poly);
            break;
        }
        case 0x0538: {
            const quint32 n = r.u16(p);
            quint32 pts = p + 2 + n * 2;
            QVector<QPolygonF> polys;
            int room = pointLimit;
            for (quint32 i = 0; i < n && r.has(p + 2 + i * 2, 2) && room > 0 && !stop->poll(); ++i) {
                const quint32 c = r.u16(p + 2 + i * 2);
                if (!r.has(pts, quint64(c) * 4))
                    break;
                polys.append(points16(r, pts, c, room, stop));
                room -= int(polys.last().size());
                pts += c * 4;
            }
            dc.polyPolygon(polys);
            break;
        }
        case 0x041F:
            dc.setPixel(QPointF(r.i16(p + 6), r.i16(p + 4)), colorRef(r, p));
            break;
        case 0x0521: {
            const quint32 n = r.u16(p);
            if (!r.has(p + 2, n))
                break;
            const QByteArray bytes(reinterpret_cast<const char *>(r.data() + p + 2), int(n));
            const quint32 q = p + 2 + ((n + 1) & ~1u);
            dc.textOut(QPointF(r.i16(q + 2), r.i16(q)), decodeAnsi(bytes, dc.s.font.charset), {}, 0, QRectF());
            break;
        }
        case 0x0A32: {
            const QPointF pos(r.i16(p + 2), r.i16(p));
            const quint32 n = r.u16(p + 4);
            const quint16 options = r.u16(p + 6);
            quint32 q = p + 8;
            QRectF rect;
            if (options & 6) {
                rect = QRectF(QPointF(r.i16(q), r.i16(q + 2)), QPointF(r.i16(q + 4), r.i16(q + 6)));
                q += 8;
            }
            if (!r.has(q, n))
                break;
            const QByteArray bytes(reinterpret_cast<const char *>(r.data() + q), int(n));
            q += (n + 1) & ~1u;
            const QString text = decodeAnsi(bytes, dc.s.font.charset);
            QVector<double> dx;
            // Advances are per byte; a double-byte character takes two.
            if (r.has(q, quint64(n) * 2)) {
                QVector<double> perByte;
                perByte.reserve(int(n));
                for (quint32 i = 0; i < n && !stop->poll(); ++i)
                    perByte.append(r.i16(q + i * 2));
                if (text.size() == int(n)) {
                    dx = perByte;
                } else {
                    int b = 0;
                    for (int i = 0; i < text.size() && b + 1 <= int(perByte.size()); ++i) {
                        const bool wide = text.at(i).unicode() >= 0x80 && b + 1 < int(perByte.size());
                        dx.append(perByte[b] + (wide ? perByte[b + 1] : 0));
                        b += wide ? 2 : 1;
                    }
                }
            }
            dc.textOut(pos, text, dx, options, rect);
            break;
        }
        case 0x061D: {
            const quint32 rop = r.u32(p);
            const double h = r.i16(p + 4), w = r.i16(p + 6), y = r.i16(p + 8), x = r.i16(p + 10);
            dc.patBlt(QRectF(x, y, w, h), rop);
            break;
        }
        case 0x0922: { // BitBlt with an old bitmap, or none
            const quint32 rop = r.u32(p);
            const bool noBitmap = words == quint32(fn >> 8) + 3;
            const quint32 q = noBitmap ? p + 2 : p;
            const double ys = r.i16(q + 4), xs = r.i16(q + 6), h = r.i16(q + 8), w = r.i16(q + 10);
            const double yd = r.i16(q + 12), xd = r.i16(q + 14);
            if (noBitmap) {
                dc.patBlt(QRectF(xd, yd, w, h), rop);
            } else {
                const QImage img = bitmap16(r, q + 16, dc.s.textColor, dc.s.bkColor, stop);
                if (!img.isNull())
                    dc.drawImage(QRectF(xd, yd, w, h), img, QRectF(xs, ys, w, h), rop);
            }
            break;
        }
        case 0x0B23: { // StretchBlt with an old bitmap, or none
            const quint32 rop = r.u32(p);
            const bool noBitmap = words == quint32(fn >> 8) + 3;
            const double sh = r.i16(p + 4), sw = r.i16(p + 6), ys = r.i16(p + 8), xs = r.i16(p + 10);
            const quint32 q = noBitmap ? p + 14 : p + 12;
            const double dh = r.i16(q), dw = r.i16(q + 2), yd = r.i16(q + 4), xd = r.i16(q + 6);
            if (noBitmap) {
                dc.patBlt(QRectF(xd, yd, dw, dh), rop);
            } else {
                const QImage img = bitmap16(r, q + 8, dc.s.textColor, dc.s.bkColor, stop);
                if (!img.isNull())
                    dc.drawImage(QRectF(xd, yd, dw, dh), img, QRectF(xs, ys, sw, sh), rop);
            }
            break;
        }
        case 0x0940: { // DIBBitBlt
            const quint32 rop = r.u32(p);
            const bool noBitmap = words == quint32(fn >> 8) + 3;
            const quint32 q = noBitmap ? p + 2 : p;
            const double ys = r.i16(q + 4), xs = r.i16(q + 6), h = r.i16(q + 8), w = r.i16(q + 10);
            const double yd = r.i16(q + 12), xd = r.i16(q + 14);
            if (noBitmap) {
                dc.patBlt(QRectF(xd, yd, w, h), rop);
            } else {
                const QImage img = tailDib(r, q + 16, stop);
                dc.drawImage(QRectF(xd, yd, w, h), img, srcRect(img, xs, ys, w, h, false), rop);
            }
            break;
        }
        case 0x0B41: { // DIBStretchBlt
            const quint32 rop = r.u32(p);
            const bool noBitmap = words == quint32(fn >> 8) + 3;
            const double sh = r.i16(p + 4), sw = r.i16(p + 6), ys = r.i16(p + 8), xs = r.i16(p + 10);
            const quint32 q = noBitmap ? p + 14 : p + 12;
            const double dh = r.i16(q), dw = r.i16(q + 2), yd = r.i16(q + 4), xd = r.i16(q + 6);
            if (noBitmap) {
                dc.patBlt(QRectF(xd, yd, dw, dh), rop);
            } else {
                const QImage img = tailDib(r, q + 8, stop);
                dc.drawImage(QRectF(xd, yd, dw, dh), img, srcRect(img, xs, ys, sw, sh, false), rop);
            }
            break;
        }
        case 0x0F43: { // StretchDIBits
            const quint32 rop = r.u32(p);
            const double sh = r.i16(p + 6), sw = r.i16(p + 8), ys = r.i16(p + 10), xs = r.i16(p + 12);
            const double dh = r.i16(p + 14), dw = r.i16(p + 16), yd = r.i16(p + 18), xd = r.i16(p + 20);
            bool bottomUp = true;
            const QImage img = tailDib(r, p + 22, stop, &bottomUp);
            dc.drawImage(QRectF(xd, yd, dw, dh), img, srcRect(img, xs, ys, sw, sh, bottomUp), rop);
            break;
        }
        case 0x0D33: { // SetDIBitsToDevice
            const double ys = r.i16(p + 8), xs = r.i16(p + 10), h = r.i16(p + 12), w = r.i16(p + 14);
            const double yd = r.i16(p + 16), xd = r.i16(p + 18);
            bool bottomUp = true;
            const QImage img = tailDib(r, p + 20, stop, &bottomUp);
            dc.drawImage(QRectF(xd, yd, w, h), img, srcRect(img, xs, ys, w, h, bottomUp), 0x00CC0020);
            break;
        }
        case 0x02FA: {
            GdiObject o;
            o.kind = GdiObject::Pen;
            o.pen.style = r.u16(p);
            o.pen.width = r.i16(p + 2);
            o.pen.color = colorRef(r, p + 6);
            dc.addObject(o);
            break;
        }
        case 0x02FC: {
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush.style = r.u16(p);
            o.brush.color = colorRef(r, p + 2);
            o.brush.hatch = r.u16(p + 6);
            if (o.brush.style > 2)
                o.brush.style = GdiBrush::Solid;
            dc.addObject(o);
            break;
        }
        case 0x0142: {
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush.style = GdiBrush::Pattern;
            o.brush.color = Qt::gray;
            // Past the budget of pattern pixels, a grey stand-in.
            if (dc.mayHoldPattern(kMaxPatternPixels))
                o.brush.pattern = brushPattern(tailDib(r, p + 4, stop));
            dc.addObject(o);
            break;
        }
        case 0x02FB: {
            GdiObject o;
            o.kind = GdiObject::Font;
            o.font = readFont(r, p);
            dc.addObject(o);
            break;
        }
        case 0x01F9: { // old-style pattern brush: a grey stand-in
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush.color = Qt::gray;
            dc.addObject(o);
            break;
        }
        case 0x06FF: {
            GdiObject o;
            o.kind = GdiObject::Region;
            o.region = readRegion(r, p, dc);
            dc.addObject(o);
            break;
        }
        case 0x00F7: {
            GdiObject o;
            o.kind = GdiObject::Other;
            dc.addObject(o);
            break;
        }
        case 0x0228:
            dc.fillRegion(r.u16(p + 2), r.u16(p));
            break;
        case 0x012B:
            dc.fillRegion(r.u16(p), -1);
            break;
        case 0x0429:
            dc.frameRegion(r.u16(p + 6), r.u16(p + 4), r.i16(p + 2), r.i16(p));
            break;
        case 0x012D:
            dc.selectObject(r.u16(p));
            break;
        case 0x01F0:
            dc.deleteObject(r.u16(p));
            break;
        case 0x001E:
            dc.saveDc();
            break;
        case 0x0127:
            dc.restoreDc(r.i16(p));
            break;
        default:
            break;
        }
    }
    return image;
}

} // namespace ptt::metafile
