// EMF records that draw text.
#include "decoding.h"
#include "emfplay.h"

namespace ptt::metafile::emf {

namespace {

// ExtTextOut options.
constexpr quint32 kEtoOpaque = 0x2;
constexpr quint32 kEtoClipped = 0x4;
constexpr quint32 kEtoNoRect = 0x100;     // SmallTextOut: no rectangle
constexpr quint32 kEtoSmallChars = 0x200; // SmallTextOut: 8-bit characters
constexpr quint32 kEtoPdy = 0x2000;       // advances in x,y pairs

QString utf16(const RecordReader &r, quint32 at, quint32 n, DecodeStop *stop)
{
    QString text;
    text.reserve(int(n));
    for (quint32 i = 0; i < n && !stop->poll(); ++i)
        text.append(QChar(r.u16(at + i * 2)));
    return text;
}

QString ansi(const Record &rec, quint32 at, quint32 n)
{
    return decodeAnsi(QByteArray(reinterpret_cast<const char *>(rec.r.data() + at), int(n)), rec.dc.font().charset,
                      rec.dc.font().face, rec.stop);
}

void smallTextOut(const Record &rec)
{
    const RecordReader &r = rec.r;
    const QPointF pos = pointL(r, 8);
    const quint32 n = std::min<quint32>(r.u32(16), quint32(rec.limits.textChars));
    const quint32 options = r.u32(20);
    quint32 q = 36;
    QRectF rect;
    if (!(options & kEtoNoRect)) {
        rect = rectL(r, q);
        q += 16;
    }
    QString text;
    if (options & kEtoSmallChars) {
        if (!r.has(q, n))
            return;
        text = ansi(rec, q, n);
    } else {
        if (!r.has(q, quint64(n) * 2))
            return;
        text = fromSymbolCodes(utf16(r, q, n, rec.stop), rec.dc.font().face, rec.stop);
    }
    rec.dc.textOut(pos, text, {}, int(options & (kEtoOpaque | kEtoClipped)), rect);
}

// One EMRTEXT at `at` (reference point, count, string offset, options,
// rectangle, advances offset; offsets from the record's start), drawing at
// most maxChars characters; returns how many it drew.
quint32 emrText(const Record &rec, quint32 at, bool wide, quint32 maxChars)
{
    const RecordReader &r = rec.r;
    const QPointF pos = pointL(r, at);
    // Characters past the limit are not even read.
    const quint32 n = std::min(r.u32(at + 8), maxChars);
    const quint32 offString = r.u32(at + 12);
    const quint32 options = r.u32(at + 16);
    const QRectF rect = rectL(r, at + 20);
    const quint32 offDx = r.u32(at + 36);
    QString text;
    if (wide) {
        if (!r.has(offString, quint64(n) * 2))
            return 0;
        text = fromSymbolCodes(utf16(r, offString, n, rec.stop), rec.dc.font().face, rec.stop);
    } else {
        if (!r.has(offString, n))
            return 0;
        text = ansi(rec, offString, n);
    }
    QVector<double> dx;
    const quint32 stride = (options & kEtoPdy) ? 8 : 4;
    if (offDx && r.has(offDx, quint64(n) * stride)) {
        dx.reserve(int(n));
        for (quint32 i = 0; i < n && !rec.stop->poll(); ++i)
            dx.append(r.i32(offDx + i * stride));
        dx = advancesPerUnit(text, dx, rec.stop);
    }
    rec.dc.textOut(pos, text, dx, int(options), rect);
    return n;
}

// PolyTextOut: after the graphics mode and scales, a count of EMRTEXTs of
// 40 bytes each; all of them share one record's limit of characters.
void polyTextOut(const Record &rec)
{
    constexpr quint32 kEmrTextSize = 40;
    const quint32 count = rec.r.u32(36);
    quint32 budget = quint32(rec.limits.textChars);
    for (quint32 i = 0; i < count && budget > 0 && !rec.stop->poll(); ++i) {
        const quint64 at = 40 + quint64(i) * kEmrTextSize;
        if (!rec.r.has(at, kEmrTextSize))
            break;
        budget -= emrText(rec, quint32(at), rec.type == EMR_POLYTEXTOUTW, budget);
    }
}

} // namespace

bool playText(const Record &rec)
{
    switch (rec.type) {
    case EMR_SMALLTEXTOUT:
        smallTextOut(rec);
        break;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        emrText(rec, 36, rec.type == EMR_EXTTEXTOUTW, quint32(rec.limits.textChars));
        break;
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW:
        polyTextOut(rec);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::emf
