// EMF: header and record checks, natural size from the frame, and the
// player's loop. The records are played by kind (emf_*.cpp).
#include "decoding.h"
#include "emfplay.h"
#include "metafile.h"

#include "../checkednumber.h"

#include <optional>

namespace ptt::metafile {

namespace {

constexpr quint32 kMaxRecords = 4000000;
constexpr quint32 kMaxHandles = 65535;

QString corrupt()
{
    return QStringLiteral("文件已损坏，无法作为图片读取。");
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

// Whether a record of this type puts something on the page.
bool draws(EmfRecord type)
{
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_SETPIXELV:
    case EMR_ANGLEARC:
    case EMR_ELLIPSE:
    case EMR_RECTANGLE:
    case EMR_ROUNDRECT:
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_EXTFLOODFILL:
    case EMR_LINETO:
    case EMR_ARCTO:
    case EMR_POLYDRAW:
    case EMR_FILLPATH:
    case EMR_STROKEANDFILLPATH:
    case EMR_STROKEPATH:
    case EMR_FILLRGN:
    case EMR_FRAMERGN:
    case EMR_INVERTRGN:
    case EMR_PAINTRGN:
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_MASKBLT:
    case EMR_PLGBLT:
    case EMR_SETDIBITSTODEVICE:
    case EMR_STRETCHDIBITS:
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
    case EMR_POLYDRAW16:
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW:
    case EMR_SMALLTEXTOUT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
    case EMR_GRADIENTFILL:
        return true;
    default:
        return false;
    }
}

// A comment record holding EMF+ records.
bool emfPlusComment(const RecordReader &file, quint32 at, quint32 size)
{
    return EmfRecord(file.u32(at)) == EMR_GDICOMMENT && size >= 16 && file.u32(at + 12) == 0x2B464D45u; // "EMF+"
}

// A record of a type no kind plays is passed over.
bool play(const emf::Record &rec)
{
    return emf::playState(rec) || emf::playObjects(rec) || emf::playDrawing(rec) || emf::playClipping(rec) ||
           emf::playBitmaps(rec) || emf::playText(rec);
}

} // namespace

namespace emf {

int objectIndex(quint32 handle)
{
    return int(std::min<quint32>(handle, kMaxHandles + 1));
}

QRectF rectL(const RecordReader &r, quint32 at)
{
    return QRectF(QPointF(r.i32(at), r.i32(at + 4)), QPointF(r.i32(at + 8), r.i32(at + 12)));
}

QPointF pointL(const RecordReader &r, quint32 at)
{
    return QPointF(r.i32(at), r.i32(at + 4));
}

QImage recordDib(const RecordReader &r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits,
                 DecodeStop *stop, bool *bottomUp, const QVector<QRgb> *palette)
{
    if (cbBmi < 12 || !r.has(offBmi, cbBmi) || !r.has(offBits, cbBits))
        return QImage();
    if (bottomUp)
        *bottomUp = r.u32(offBmi) == 12 ? true : r.i32(offBmi + 8) > 0;
    if (palette) {
        quint32 used = 0;
        const QByteArray info = withPaletteColours(r.data() + offBmi, cbBmi, *palette, &used);
        return decodeDib(reinterpret_cast<const uchar *>(info.constData()), quint32(info.size()),
                         cbBits ? r.data() + offBits : nullptr, cbBits, stop);
    }
    return decodeDib(r.data() + offBmi, cbBmi, cbBits ? r.data() + offBits : nullptr, cbBits, stop);
}

// Files may list overlapping or unsorted rectangles, so they are united one
// by one; more of them than the limit allows give the region's bounding
// rectangle instead.
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

QRegion logicalRegionOf(const RecordReader &r, quint32 at, quint32 cb, const GdiContext &dc)
{
    if (cb < 32 || !r.has(at, cb))
        return QRegion();
    const quint32 n = r.u32(at + 8);
    if (quint64(n) * 16 > cb - 32)
        return QRegion();
    // Coordinates past this lie far off any picture; within it, framing and
    // moving the rectangles cannot overflow.
    constexpr qint32 kMaxLogical = 1 << 28;
    auto rectAt = [&r](quint32 p) -> std::optional<QRect> {
        const qint32 l = r.i32(p), t = r.i32(p + 4), rt = r.i32(p + 8), b = r.i32(p + 12);
        for (const qint32 v : {l, t, rt, b})
            if (v < -kMaxLogical || v > kMaxLogical)
                return std::nullopt;
        if (l == rt || t == b)
            return std::nullopt;
        return QRect(QPoint(std::min(l, rt), std::min(t, b)), QSize(std::abs(rt - l), std::abs(b - t)));
    };
    if (n > quint32(dc.limits().regionRects)) {
        const std::optional<QRect> box = rectAt(at + 16);
        return box ? QRegion(*box) : QRegion();
    }
    QVector<QRect> rects;
    rects.reserve(int(n));
    for (quint32 i = 0; i < n && !dc.stop()->poll(); ++i)
        if (const std::optional<QRect> q = rectAt(at + 32 + i * 16))
            rects.append(*q);
    return regionFromRects(rects, dc.stop());
}

} // namespace emf

bool probeEmf(const QByteArray &data, MetafileInfo *info, QString *error, DecodeStop *stop)
{
    *info = MetafileInfo();
    info->emf = true;
    RecordReader file(reinterpret_cast<const uchar *>(data.constData()), quint32(data.size()));
    const quint32 headerSize = file.u32(4);
    if (EmfRecord(file.u32(0)) != EMR_HEADER || headerSize < 88 || headerSize % 4 != 0 || !file.has(0, headerSize) ||
        file.u32(40) != 0x464D4520u) {
        *error = corrupt();
        return false;
    }
    const QRectF frame = emf::rectL(file, 24); // 0.01 mm
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
    bool emfPlus = false, drawing = false;
    while (file.has(at, 8)) {
        const quint32 type = file.u32(at);
        const quint32 size = file.u32(at + 4);
        if (size < 8 || size % 4 != 0 || !file.has(at, size) || ++count > kMaxRecords || type == 0 ||
            (stop && stop->poll())) {
            *error = corrupt();
            return false;
        }
        emfPlus = emfPlus || emfPlusComment(file, at, size);
        drawing = drawing || draws(EmfRecord(type));
        at += size;
        if (EmfRecord(type) == EMR_EOF) {
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
    // Drawn by EMF+ records alone, it would show as an empty picture.
    if (emfPlus && !drawing) {
        *error = QStringLiteral("这张图片只用 EMF+ 记录绘制，无法读取。");
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
    const QTransform device(sx, 0, 0, sy, -fp.left() * sx, -fp.top() * sy);
    dc.setDeviceTransform(device);
    const double devW = file.i32(72), devH = file.i32(76), mmW = file.i32(80), mmH = file.i32(84);
    if (mmW > 0 && mmH > 0)
        dc.setDevicePixelsPerMm(devW / mmW, devH / mmH);
    dc.resizeObjects(info.objectCount);

    quint32 at = 0;
    quint32 count = 0;
    while (file.has(at, 8)) {
        const EmfRecord type = EmfRecord(file.u32(at));
        const quint32 size = file.u32(at + 4);
        if (size < 8 || size % 4 != 0 || !file.has(at, size) || ++count > kMaxRecords)
            break;
        if (stop->requested())
            break;
        const RecordReader r(file.data() + at, size);
        at += size;
        if (type == EMR_EOF)
            break;
        play(emf::Record{type, r, dc, stop, limits, device});
    }
    return image;
}

} // namespace ptt::metafile
