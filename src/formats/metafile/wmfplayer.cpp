// Standard and placeable WMF: header and record checks, natural size, and
// the player's loop. The records are played by kind (wmf_*.cpp).
#include "decoding.h"
#include "metafile.h"
#include "wmfplay.h"

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
        if (WmfRecord(fn) == META_EOF)
            break;
        RecordReader rec(file.data() + at, words * 2);
        if (!haveExt) {
            if (WmfRecord(fn) == META_SETMAPMODE && words >= 4)
                mapMode = rec.u16(6);
            else if (WmfRecord(fn) == META_SETWINDOWORG && words >= 5)
                org = QPointF(rec.i16(8), rec.i16(6));
            else if (WmfRecord(fn) == META_SETWINDOWEXT && words >= 5) {
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

// A record of a type no kind plays is passed over.
bool play(const wmf::Record &rec)
{
    return wmf::playState(rec) || wmf::playObjects(rec) || wmf::playDrawing(rec) || wmf::playClipping(rec) ||
           wmf::playBitmaps(rec) || wmf::playText(rec);
}

} // namespace

namespace wmf {

QRectF rectBRTL(const RecordReader &r, quint32 at)
{
    const double b = r.i16(at), rt = r.i16(at + 2), t = r.i16(at + 4), l = r.i16(at + 6);
    return QRectF(QPointF(l, t), QPointF(rt, b));
}

QImage tailDib(const RecordReader &r, quint32 at, DecodeStop *stop, bool *bottomUp, const QVector<QRgb> *palette)
{
    if (!r.has(at, 12))
        return QImage();
    const quint32 hs = r.u32(at);
    if (hs < 12 || !r.has(at, hs))
        return QImage();
    if (bottomUp)
        *bottomUp = hs == 12 ? true : r.i32(at + 8) > 0;
    if (palette) {
        // The colours take twice the room of the indexes: the bits move.
        quint32 used = 0;
        QByteArray dib = withPaletteColours(r.data() + at, r.size() - at, *palette, &used);
        if (dib.isEmpty())
            return QImage();
        dib.append(reinterpret_cast<const char *>(r.data() + at + used), qsizetype(r.size() - at - used));
        return decodeDib(reinterpret_cast<const uchar *>(dib.constData()), quint32(dib.size()), nullptr, 0, stop);
    }
    return decodeDib(r.data() + at, r.size() - at, nullptr, 0, stop);
}

} // namespace wmf

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
    dc.setWindowOnPicture(QRectF(info.window));
    dc.resizeObjects(info.objectCount);
    dc.setWindowOrg(info.window.topLeft());
    dc.setWindowExt(QPointF(info.window.width(), info.window.height()));
    dc.setMapMode(info.mapMode);

    RecordReader file(reinterpret_cast<const uchar *>(data.constData()), quint32(data.size()));
    quint32 at = start;
    quint32 count = 0;
    while (file.has(at, 6)) {
        const quint32 words = file.u32(at);
        const quint16 fn = file.u16(at + 4);
        if (words < 3 || quint64(words) * 2 > quint64(data.size()) - at || WmfRecord(fn) == META_EOF ||
            ++count > kMaxRecords)
            break;
        if (stop->requested())
            break;
        const RecordReader r(file.data() + at, words * 2);
        at += words * 2;
        play(wmf::Record{WmfRecord(fn), r, dc, stop, pointLimit});
    }
    return image;
}

} // namespace ptt::metafile
