// EMF: header and record checks, natural size from the frame, player.
#include "gdicontext.h"
#include "metafile.h"
#include "recordreader.h"

#include "../checkednumber.h"

#include <QLinearGradient>

#include <cmath>
#include <cstring>

namespace ptt::metafile {

namespace {

constexpr quint32 kMaxRecords = 4000000;
constexpr quint32 kMaxHandles = 65535;

QString corrupt()
{
    return QStringLiteral("文件已损坏，无法作为图片读取。");
}

QColor colorRef(const RecordReader &r, quint32 at)
{
    return QColor(r.u8(at), r.u8(at + 1), r.u8(at + 2));
}

QRectF rectL(const RecordReader &r, quint32 at)
{
    return QRectF(QPointF(r.i32(at), r.i32(at + 4)), QPointF(r.i32(at + 8), r.i32(at + 12)));
}

QPointF pointL(const RecordReader &r, quint32 at)
{
    return QPointF(r.i32(at), r.i32(at + 4));
}

// n points at at (16-bit when small); past limit they are left out.
QPolygonF points(const RecordReader &r, quint32 at, quint32 n, bool small, int limit, DecodeStop *stop)
{
    QPolygonF poly;
    const quint32 step = small ? 4 : 8;
    if (!r.has(at, quint64(n) * step))
        return poly;
    n = std::min<quint32>(n, quint32(std::max(0, limit)));
    poly.reserve(int(n));
    for (quint32 i = 0; i < n && !stop->poll(); ++i) {
        if (small)
            poly.append(QPointF(r.i16(at + i * 4), r.i16(at + i * 4 + 2)));
        else
            poly.append(QPointF(r.i32(at + i * 8), r.i32(at + i * 8 + 4)));
    }
    return poly;
}

QVector<QPolygonF> polyPolys(const RecordReader &r, bool small, int limit, DecodeStop *stop)
{
    QVector<QPolygonF> polys;
    const quint32 n = r.u32(24);
    const quint32 total = r.u32(28);
    if (!r.has(32, quint64(n) * 4))
        return polys;
    const quint32 step = small ? 4 : 8;
    quint32 at = 32 + n * 4;
    if (!r.has(at, quint64(total) * step))
        return polys;
    quint64 used = 0;
    for (quint32 i = 0; i < n && used < quint64(limit) && !stop->poll(); ++i) {
        const quint32 c = r.u32(32 + i * 4);
        if (used + c > total)
            break;
        polys.append(points(r, at, c, small, int(limit - used), stop));
        used += c;
        at += c * step;
    }
    return polys;
}

QImage recordDib(const RecordReader &r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits,
                 DecodeStop *stop, bool *bottomUp = nullptr)
{
    if (cbBmi < 12 || !r.has(offBmi, cbBmi) || !r.has(offBits, cbBits))
        return QImage();
    if (bottomUp)
        *bottomUp = r.u32(offBmi) == 12 ? true : r.i32(offBmi + 8) > 0;
    return decodeDib(r.data() + offBmi, cbBmi, cbBits ? r.data() + offBits : nullptr, cbBits, stop);
}

// A rectangle (device units) in whole image pixels, every edge pushed
// outwards; nothing when it lies beyond any picture.
std::optional<QRect> imagePixels(const QRectF &device, const QTransform &toImage)
{
    const QRectF d = toImage.mapRect(device.normalized());
    constexpr int kFar = 10000000;
    const auto l = checkedInt(d.left(), Rounding::Down, -kFar, kFar);
    const auto t = checkedInt(d.top(), Rounding::Down, -kFar, kFar);
    const auto rt = checkedInt(d.right(), Rounding::Up, -kFar, kFar);
    const auto b = checkedInt(d.bottom(), Rounding::Up, -kFar, kFar);
    if (!l || !t || !rt || !b)
        return std::nullopt;
    return QRect(QPoint(*l, *t), QPoint(*rt - 1, *b - 1));
}

// Region data's rectangles (device units) in image pixels. Files may list
// overlapping or unsorted rectangles, so they are united one by one; more of
// them than the limit allows give the region's bounding rectangle instead.
QRegion regionOf(const RecordReader &r, quint32 at, quint32 cb, const QTransform &toImage, const GdiContext &dc)
{
    if (cb < 32 || !r.has(at, cb))
        return QRegion();
    const quint32 n = r.u32(at + 8);
    if (quint64(n) * 16 > cb - 32)
        return QRegion();
    if (n > quint32(dc.limits().regionRects)) {
        const std::optional<QRect> box = imagePixels(rectL(r, at + 16), toImage);
        return box ? QRegion(*box) : QRegion();
    }
    QVector<QRect> rects;
    rects.reserve(int(n));
    for (quint32 i = 0; i < n && !dc.stop()->poll(); ++i)
        if (const std::optional<QRect> d = imagePixels(rectL(r, at + 32 + i * 16), toImage))
            rects.append(*d);
    return regionFromRects(rects, dc.stop());
}

// A 1-bit pattern brush's bits, coloured as the device context colours them.
QImage monoPattern(const RecordReader &r, quint32 offBmi, quint32 offBits, quint32 cbBits, QColor fore, QColor back)
{
    if (!r.has(offBmi, 16) || r.u32(offBmi) < 40)
        return QImage();
    const qint32 w = r.i32(offBmi + 4), h = r.i32(offBmi + 8);
    if (w <= 0 || w > 256 || h == 0 || std::abs(h) > 256 || r.u16(offBmi + 14) != 1)
        return QImage();
    const quint32 stride = quint32((w + 31) / 32 * 4);
    const int rows = std::abs(h);
    if (!r.has(offBits, quint64(stride) * rows) || cbBits < stride * quint32(rows))
        return QImage();
    QImage img(w, rows, QImage::Format_Mono);
    img.setColorTable({fore.rgb(), back.rgb()});
    for (int y = 0; y < rows; ++y) {
        const quint32 src = offBits + quint32(h > 0 ? rows - 1 - y : y) * stride;
        std::memcpy(img.scanLine(y), r.data() + src, std::min<size_t>(size_t(img.bytesPerLine()), stride));
    }
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

bool probeEmf(const QByteArray &data, MetafileInfo *info, QString *error, DecodeStop *stop)
{
    *info = MetafileInfo();
    info->emf = true;
    RecordReader file(reinterpret_cast<const uchar *>(data.constData()), quint32(data.size()));
    const quint32 headerSize = file.u32(4);
    if (file.u32(0) != 1 || headerSize < 88 || headerSize % 4 != 0 || !file.has(0, headerSize) ||
        file.u32(40) != 0x464D4520u) {
        *error = corrupt();
        return false;
    }
    const QRectF frame = rectL(file, 24); // 0.01 mm
    const double devW = file.i32(72), devH = file.i32(76), mmW = file.i32(80), mmH = file.i32(84);
    const quint32 handles = file.u16(56);
    if (frame.width() <= 0 || frame.height() <= 0 || devW <= 0 || devH <= 0 || mmW <= 0 || mmH <= 0 || handles == 0) {
        *error = corrupt();
        return false;
    }
    const QSizeF natural(frame.width() * 96 / 2540, frame.height() * 96 / 2540);
    if (natural.width() > 1e6 || natural.height() > 1e6) {
        *error = QStringLiteral("图片大于 32767 × 32767 像素（或超过 6400 万像素），无法读取。");
        return false;
    }
    info->naturalSize = QSize(boundedInt(natural.width(), Rounding::HalfAway, 1, INT_MAX, 1),
                              boundedInt(natural.height(), Rounding::HalfAway, 1, INT_MAX, 1));
    const double pxPerMmX = devW / mmW, pxPerMmY = devH / mmH;
    info->framePixels = QRectF(frame.left() / 100 * pxPerMmX, frame.top() / 100 * pxPerMmY,
                               frame.width() / 100 * pxPerMmX, frame.height() / 100 * pxPerMmY);
    info->objectCount = int(std::min(handles, kMaxHandles));

    quint32 at = 0;
    quint32 count = 0;
    bool sawEof = false;
    while (file.has(at, 8)) {
        const quint32 type = file.u32(at);
        const quint32 size = file.u32(at + 4);
        if (size < 8 || size % 4 != 0 || !file.has(at, size) || ++count > kMaxRecords || type == 0 ||
            (stop && stop->poll())) {
            *error = corrupt();
            return false;
        }
        at += size;
        if (type == 14) {
            sawEof = true;
            break;
        }
    }
    // Nothing after the header is no picture; a file cut after whole records
    // still shows what it has.
    if (count < 2 && !sawEof) {
        *error = corrupt();
        return false;
    }
    return true;
}

QImage playEmf(const QByteArray &data, const MetafileInfo &info, QSize imageSize, DecodeStop *stop)
{
    DecodeStop never;
    if (!stop)
        stop = &never;
    // Transparent where nothing is drawn: a metafile shows what lies under it.
    QImage image = transparentImage(imageSize, stop);
    if (image.isNull())
        return image;
    RecordReader file(reinterpret_cast<const uchar *>(data.constData()), quint32(data.size()));
    GdiContext dc(&image, stop);
    const RecordLimits &limits = dc.limits();
    const QRectF fp = info.framePixels;
    if (fp.width() <= 0 || fp.height() <= 0)
        return image;
    const double sx = imageSize.width() / fp.width(), sy = imageSize.height() / fp.height();
    dc.setDeviceTransform(QTransform(sx, 0, 0, sy, -fp.left() * sx, -fp.top() * sy));
    const double devW = file.i32(72), devH = file.i32(76), mmW = file.i32(80), mmH = file.i32(84);
    if (mmW > 0 && mmH > 0)
        dc.setDevicePixelsPerMm(devW / mmW, devH / mmH);
    dc.resizeObjects(info.objectCount);

    quint32 at = 0;
    quint32 count = 0;
    while (file.has(at, 8)) {
        const quint32 type = file.u32(at);
        const quint32 size = file.u32(at + 4);
        if (size < 8 || size % 4 != 0 || !file.has(at, size) || ++count > kMaxRecords)
            break;
        if (stop->requested())
            break;
        const RecordReader r(file.data() + at, size);
        at += size;
        if (type == 14)
            break;
        switch (type) {
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 85:
        case 86:
        case 87:
        case 88:
        case 89: {
            const bool small = type >= 85;
            const QPolygonF poly = points(r, 28, r.u32(24), small, limits.pathPoints, stop);
            switch (small ? type - 83 : type) {
            case 2:
                dc.polyBezier(poly, false);
                break;
            case 3:
                dc.polygon(poly);
                break;
            case 4:
                dc.polyline(poly);
                break;
            case 5:
                dc.polyBezier(poly, true);
                break;
            case 6:
                dc.polylineTo(poly);
                break;
            }
            break;
        }
        case 56:
        case 92: { // PolyDraw: points with a type byte each
            const bool small = type == 92;
            const quint32 all = r.u32(24);
            const quint32 typesAt = 28 + all * (small ? 4 : 8);
            if (!r.has(28, quint64(all) * (small ? 4 : 8)) || !r.has(typesAt, all))
                break;
            const QPolygonF pts = points(r, 28, all, small, limits.pathPoints, stop);
            const quint32 n = quint32(pts.size());
            if (pts.isEmpty())
                break;
            QPainterPath path;
            path.moveTo(dc.s.cur);
            for (quint32 i = 0; i < n && !stop->poll(); ++i) {
                const quint8 t = r.u8(typesAt + i);
                if ((t & 6) == 6) {
                    path.moveTo(pts[int(i)]);
                } else if ((t & 6) == 4 && i + 2 < n) {
                    path.cubicTo(pts[int(i)], pts[int(i + 1)], pts[int(i + 2)]);
                    i += 2;
                } else {
                    path.lineTo(pts[int(i)]);
                }
                if (t & 1)
                    path.closeSubpath();
            }
            dc.s.cur = path.currentPosition();
            const QList<QPolygonF> parts = path.toSubpathPolygons();
            dc.polyPolyline(QVector<QPolygonF>(parts.begin(), parts.end()));
            break;
        }
        case 74: { // PaintRgn with the selected brush
            const QTransform dev(sx, 0, 0, sy, -fp.left() * sx, -fp.top() * sy);
            dc.fillImageRegion(regionOf(r, 28, r.u32(24), dev, dc));
            break;
        }
        case 108: { // SmallTextOut
            const QPointF pos = pointL(r, 8);
            const quint32 n = std::min<quint32>(r.u32(16), quint32(limits.textChars));
            const quint32 options = r.u32(20);
            quint32 q = 36;
            QRectF rect;
            if (!(options & 0x100)) {
                rect = rectL(r, q);
                q += 16;
            }
            QString text;
            if (options & 0x200) {
                if (!r.has(q, n))
                    break;
                text = decodeAnsi(QByteArray(reinterpret_cast<const char *>(r.data() + q), int(n)), dc.s.font.charset);
            } else {
                if (!r.has(q, quint64(n) * 2))
                    break;
                text.reserve(int(n));
                for (quint32 i = 0; i < n && !stop->poll(); ++i)
                    text.append(QChar(r.u16(q + i * 2)));
            }
            dc.textOut(pos, text, {}, int(options & 0x6), rect);
            break;
        }
        case 118: { // GradientFill
            const quint32 nVer = r.u32(24), nTri = r.u32(28), mode = r.u32(32);
            if (nVer == 0 || nVer > 100000 || !r.has(36, quint64(nVer) * 16))
                break;
            auto vertex = [&](quint32 i, QPointF *pt, QColor *c) {
                const quint32 at = 36 + i * 16;
                *pt = pointL(r, at);
                *c = QColor(r.u16(at + 8) >> 8, r.u16(at + 10) >> 8, r.u16(at + 12) >> 8);
            };
            const quint32 meshAt = 36 + nVer * 16;
            const quint32 step = mode == 2 ? 12 : 8;
            // How many shapes, and how much of the picture they may cover
            // together, is settled before the first is drawn.
            const quint32 shapes = std::min<quint32>(nTri, quint32(limits.gradientShapes));
            qint64 area = limits.gradientPixels;
            for (quint32 k = 0; k < shapes && r.has(meshAt + k * step, step) && !stop->requested(); ++k) {
                QPointF a, b, c3;
                QColor ca, cb, cc;
                const quint32 i0 = r.u32(meshAt + k * step), i1 = r.u32(meshAt + k * step + 4);
                if (i0 >= nVer || i1 >= nVer)
                    continue;
                vertex(i0, &a, &ca);
                vertex(i1, &b, &cb);
                if (mode == 2) {
                    const quint32 i2 = r.u32(meshAt + k * step + 8);
                    if (i2 >= nVer)
                        continue;
                    vertex(i2, &c3, &cc);
                    const QPolygonF corners({a, b, c3});
                    area -= dc.imageArea(corners.boundingRect());
                    if (area < 0)
                        break;
                    // One colour per triangle: the mean of its corners.
                    const QColor mean((ca.red() + cb.red() + cc.red()) / 3, (ca.green() + cb.green() + cc.green()) / 3,
                                      (ca.blue() + cb.blue() + cc.blue()) / 3);
                    QPainterPath tri;
                    tri.addPolygon(corners);
                    tri.closeSubpath();
                    dc.fillLogicalPath(tri, QBrush(mean));
                } else {
                    const QRectF box = QRectF(a, b).normalized();
                    area -= dc.imageArea(box);
                    if (area < 0)
                        break;
                    QLinearGradient g = mode == 1 ? QLinearGradient(box.topLeft(), box.bottomLeft())
                                                  : QLinearGradient(box.topLeft(), box.topRight());
                    g.setColorAt(0, ca);
                    g.setColorAt(1, cb);
                    QPainterPath rp;
                    rp.addRect(box);
                    dc.fillLogicalPath(rp, QBrush(g));
                }
            }
            break;
        }
        case 7:
            dc.polyPolyline(polyPolys(r, false, limits.pathPoints, stop));
            break;
        case 8:
            dc.polyPolygon(polyPolys(r, false, limits.pathPoints, stop));
            break;
        case 90:
            dc.polyPolyline(polyPolys(r, true, limits.pathPoints, stop));
            break;
        case 91:
            dc.polyPolygon(polyPolys(r, true, limits.pathPoints, stop));
            break;
        case 9:
            dc.s.winExt = pointL(r, 8);
            break;
        case 10:
            dc.s.winOrg = pointL(r, 8);
            break;
        case 11:
            dc.s.vpExt = pointL(r, 8);
            break;
        case 12:
            dc.s.vpOrg = pointL(r, 8);
            break;
        case 15:
            dc.setPixel(pointL(r, 8), colorRef(r, 16));
            break;
        case 17:
            dc.s.mapMode = int(r.u32(8));
            break;
        case 18:
            dc.s.bkMode = int(r.u32(8));
            break;
        case 19:
            dc.s.polyFillMode = int(r.u32(8));
            break;
        case 20:
            dc.s.rop2 = int(r.u32(8));
            break;
        case 22:
            dc.s.textAlign = int(r.u32(8));
            break;
        case 24:
            dc.s.textColor = colorRef(r, 8);
            break;
        case 25:
            dc.s.bkColor = colorRef(r, 8);
            break;
        case 26:
            dc.offsetClip(pointL(r, 8));
            break;
        case 27:
            dc.moveTo(pointL(r, 8));
            break;
        case 29:
            dc.excludeClipRect(rectL(r, 8));
            break;
        case 30:
            dc.intersectClipRect(rectL(r, 8));
            break;
        case 31:
        case 32: {
            const double xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
            if (xd != 0 && yd != 0) {
                QPointF &e = type == 31 ? dc.s.vpExt : dc.s.winExt;
                e = QPointF(e.x() * xn / xd, e.y() * yn / yd);
            }
            break;
        }
        case 33:
            dc.saveDc();
            break;
        case 34:
            dc.restoreDc(r.i32(8));
            break;
        case 35:
        case 36: {
            const QTransform x(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28));
            const quint32 mode = type == 35 ? 4 : r.u32(32);
            bool finite = true;
            for (double v : {x.m11(), x.m12(), x.m21(), x.m22(), x.dx(), x.dy()})
                finite = finite && std::isfinite(v) && std::abs(v) < 1e9;
            if (mode == 1)
                dc.s.world = QTransform();
            else if (!finite)
                break;
            else if (mode == 2)
                dc.s.world = x * dc.s.world;
            else if (mode == 3)
                dc.s.world = dc.s.world * x;
            else if (mode == 4)
                dc.s.world = x;
            break;
        }
        case 37: {
            const quint32 ih = r.u32(8);
            if (ih & 0x80000000u)
                dc.selectStockObject(int(ih & 0x7FFFFFFF));
            else
                dc.selectObject(int(std::min<quint32>(ih, kMaxHandles + 1)));
            break;
        }
        case 38: {
            GdiObject o;
            o.kind = GdiObject::Pen;
            o.pen.style = int(r.u32(12));
            o.pen.width = r.i32(16);
            o.pen.color = colorRef(r, 24);
            dc.setObject(int(std::min<quint32>(r.u32(8), kMaxHandles + 1)), o);
            break;
        }
        case 95: {
            GdiObject o;
            o.kind = GdiObject::Pen;
            o.pen.style = int(r.u32(24));
            o.pen.width = r.u32(28);
            if (!(o.pen.style & 0x10000)) // cosmetic: one pixel
                o.pen.width = 0;
            if (r.u32(32) == 1)
                o.pen.style = (o.pen.style & ~0xF) | 5;
            o.pen.color = colorRef(r, 36);
            dc.setObject(int(std::min<quint32>(r.u32(8), kMaxHandles + 1)), o);
            break;
        }
        case 39: {
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush.style = int(r.u32(12));
            o.brush.color = colorRef(r, 16);
            o.brush.hatch = int(r.u32(20));
            if (o.brush.style > 2)
                o.brush.style = GdiBrush::Solid;
            dc.setObject(int(std::min<quint32>(r.u32(8), kMaxHandles + 1)), o);
            break;
        }
        case 93: { // monochrome pattern: set bits in the background colour, clear in the text colour
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush.style = GdiBrush::Pattern;
            o.brush.color = dc.s.textColor;
            if (dc.mayHoldPattern(kMaxPatternPixels))
                o.brush.pattern = monoPattern(r, r.u32(16), r.u32(24), r.u32(28), dc.s.textColor, dc.s.bkColor);
            dc.setObject(int(std::min<quint32>(r.u32(8), kMaxHandles + 1)), o);
            break;
        }
        case 94: {
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush.style = GdiBrush::Pattern;
            o.brush.color = Qt::gray;
            // Past the budget of pattern pixels, a grey stand-in.
            if (dc.mayHoldPattern(kMaxPatternPixels))
                o.brush.pattern = brushPattern(recordDib(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28), stop));
            dc.setObject(int(std::min<quint32>(r.u32(8), kMaxHandles + 1)), o);
            break;
        }
        case 82: {
            GdiObject o;
            o.kind = GdiObject::Font;
            GdiFont &f = o.font;
            f.height = r.i32(12);
            f.width = r.i32(16);
            f.escapement = r.i32(20);
            f.weight = r.i32(28);
            f.italic = r.u8(32);
            f.underline = r.u8(33);
            f.strikeout = r.u8(34);
            f.charset = r.u8(35);
            QString face;
            for (quint32 i = 0; i < 32 && r.has(40 + i * 2, 2); ++i) {
                const QChar c(r.u16(40 + i * 2));
                if (c.isNull())
                    break;
                face.append(c);
            }
            f.face = face;
            dc.setObject(int(std::min<quint32>(r.u32(8), kMaxHandles + 1)), o);
            break;
        }
        case 49: {
            GdiObject o;
            o.kind = GdiObject::Other;
            dc.setObject(int(std::min<quint32>(r.u32(8), kMaxHandles + 1)), o);
            break;
        }
        case 40:
            dc.deleteObject(int(std::min<quint32>(r.u32(8), kMaxHandles + 1)));
            break;
        case 41: { // AngleArc
            const QPointF c = pointL(r, 8);
            const double rad = r.u32(16);
            const double a0 = r.f32(20), sw = r.f32(24);
            if (!std::isfinite(a0) || !std::isfinite(sw) || rad > 1e8)
                break;
            const QRectF box(c.x() - rad, c.y() - rad, 2 * rad, 2 * rad);
            QPainterPath path;
            path.moveTo(dc.s.cur);
            path.arcTo(box, a0, std::clamp(sw, -3600.0, 3600.0));
            dc.polyline(path.toFillPolygon());
            dc.s.cur = path.currentPosition();
            break;
        }
        case 42:
            dc.ellipse(rectL(r, 8));
            break;
        case 43:
            dc.rectangle(rectL(r, 8));
            break;
        case 44:
            dc.roundRect(rectL(r, 8), r.i32(24), r.i32(28));
            break;
        case 45:
            dc.arc(GdiContext::Arc, rectL(r, 8), pointL(r, 24), pointL(r, 32));
            break;
        case 46:
            dc.arc(GdiContext::Chord, rectL(r, 8), pointL(r, 24), pointL(r, 32));
            break;
        case 47:
            dc.arc(GdiContext::Pie, rectL(r, 8), pointL(r, 24), pointL(r, 32));
            break;
        case 55:
            dc.arc(GdiContext::ArcTo, rectL(r, 8), pointL(r, 24), pointL(r, 32));
            break;
        case 54:
            dc.lineTo(pointL(r, 8));
            break;
        case 57:
            dc.s.arcDirection = int(r.u32(8));
            break;
        case 59:
            dc.beginPath();
            break;
        case 60:
            dc.endPath();
            break;
        case 61:
            dc.closeFigure();
            break;
        case 62:
            dc.fillPath();
            break;
        case 63:
            dc.strokeAndFillPath();
            break;
        case 64:
            dc.strokePath();
            break;
        case 67:
            dc.selectClipPath(int(r.u32(8)));
            break;
        case 68:
            dc.abortPath();
            break;
        case 71: { // FillRgn: region in device units, with a given brush
            const quint32 ih = r.u32(24);
            const GdiBrush saved = dc.s.brush;
            if (ih & 0x80000000u)
                dc.selectStockObject(int(ih & 0x7FFFFFFF));
            else
                dc.selectObject(int(std::min<quint32>(ih, kMaxHandles + 1)));
            const QTransform dev(sx, 0, 0, sy, -fp.left() * sx, -fp.top() * sy);
            dc.fillImageRegion(regionOf(r, 32, r.u32(28), dev, dc));
            dc.s.brush = saved;
            break;
        }
        case 75: { // ExtSelectClipRgn: rectangles in device units
            const quint32 cb = r.u32(8);
            const int mode = int(r.u32(12));
            const QTransform dev(sx, 0, 0, sy, -fp.left() * sx, -fp.top() * sy);
            if (cb == 0 && mode == 5)
                dc.resetClip();
            else
                dc.setClipRegion(regionOf(r, 16, cb, dev, dc), mode);
            break;
        }
        case 76:    // BitBlt
        case 77:    // StretchBlt
        case 114:   // AlphaBlend
        case 116: { // TransparentBlt
            const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
            const quint32 rop = (type == 76 || type == 77) ? r.u32(40) : 0x00CC0020;
            const double xs = r.i32(44), ys = r.i32(48);
            const QImage img = recordDib(r, r.u32(84), r.u32(88), r.u32(92), r.u32(96), stop);
            QRectF src;
            if (type == 76)
                src = QRectF(xs, ys, dest.width(), dest.height());
            else
                src = QRectF(xs, ys, r.i32(100), r.i32(104));
            if (r.u32(88) == 0)
                dc.patBlt(dest, rop);
            else
                dc.drawImage(dest, img, src, rop);
            break;
        }
        case 80:   // SetDIBitsToDevice
        case 81: { // StretchDIBits
            const double xd = r.i32(24), yd = r.i32(28), xs = r.i32(32), ys = r.i32(36);
            const double cxs = r.i32(40), cys = r.i32(44);
            bool bottomUp = true;
            const QImage img = recordDib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), stop, &bottomUp);
            QRectF dest(xd, yd, cxs, cys);
            quint32 rop = 0x00CC0020;
            if (type == 81) {
                rop = r.u32(68);
                dest = QRectF(xd, yd, r.i32(72), r.i32(76));
            }
            QRectF src(xs, ys, cxs, cys);
            if (bottomUp && !img.isNull())
                src.moveTop(img.height() - (ys + cys));
            if (img.isNull() && r.u32(52) == 0)
                dc.patBlt(dest, rop);
            else if (!img.isNull())
                dc.drawImage(dest, img, src, rop);
            break;
        }
        case 83:
        case 84: { // ExtTextOutA / ExtTextOutW
            const QPointF pos = pointL(r, 36);
            // Characters past the limit are not even read.
            const quint32 n = std::min<quint32>(r.u32(44), quint32(limits.textChars));
            const quint32 offString = r.u32(48);
            const quint32 options = r.u32(52);
            const QRectF rect = rectL(r, 56);
            const quint32 offDx = r.u32(72);
            QString text;
            if (type == 84) {
                if (!r.has(offString, quint64(n) * 2))
                    break;
                text.reserve(int(n));
                for (quint32 i = 0; i < n && !stop->poll(); ++i)
                    text.append(QChar(r.u16(offString + i * 2)));
            } else {
                if (!r.has(offString, n))
                    break;
                text = decodeAnsi(QByteArray(reinterpret_cast<const char *>(r.data() + offString), int(n)),
                                  dc.s.font.charset);
            }
            QVector<double> dx;
            // With ETO_PDY the advances come in x,y pairs.
            const quint32 stride = (options & 0x2000) ? 8 : 4;
            if (offDx && r.has(offDx, quint64(n) * stride) && text.size() == int(n)) {
                dx.reserve(int(n));
                for (quint32 i = 0; i < n && !stop->poll(); ++i)
                    dx.append(r.i32(offDx + i * stride));
            }
            dc.textOut(pos, text, dx, int(options), rect);
            break;
        }
        default:
            break;
        }
    }
    return image;
}

} // namespace ptt::metafile
