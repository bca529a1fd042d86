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
                      rec.dc.font().face);
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
        text = fromSymbolCodes(utf16(r, q, n, rec.stop), rec.dc.font().face);
    }
    rec.dc.textOut(pos, text, {}, int(options & (kEtoOpaque | kEtoClipped)), rect);
}

void extTextOut(const Record &rec)
{
    const RecordReader &r = rec.r;
    const QPointF pos = pointL(r, 36);
    // Characters past the limit are not even read.
    const quint32 n = std::min<quint32>(r.u32(44), quint32(rec.limits.textChars));
    const quint32 offString = r.u32(48);
    const quint32 options = r.u32(52);
    const QRectF rect = rectL(r, 56);
    const quint32 offDx = r.u32(72);
    QString text;
    if (rec.type == EMR_EXTTEXTOUTW) {
        if (!r.has(offString, quint64(n) * 2))
            return;
        text = fromSymbolCodes(utf16(r, offString, n, rec.stop), rec.dc.font().face);
    } else {
        if (!r.has(offString, n))
            return;
        text = ansi(rec, offString, n);
    }
    QVector<double> dx;
    const quint32 stride = (options & kEtoPdy) ? 8 : 4;
    if (offDx && r.has(offDx, quint64(n) * stride) && text.size() == int(n)) {
        dx.reserve(int(n));
        for (quint32 i = 0; i < n && !rec.stop->poll(); ++i)
            dx.append(r.i32(offDx + i * stride));
    }
    rec.dc.textOut(pos, text, dx, int(options), rect);
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
        extTextOut(rec);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::emf
