// WMF records that draw text.
#include "decoding.h"
#include "wmfplay.h"

namespace ptt::metafile::wmf {

namespace {

// ExtTextOut options that bring a rectangle: ETO_OPAQUE, ETO_CLIPPED.
constexpr quint16 kEtoRect = 0x2 | 0x4;

QByteArray bytesAt(const RecordReader &r, quint32 at, quint32 n)
{
    return QByteArray(reinterpret_cast<const char *>(r.data() + at), int(n));
}

void textOut(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    const quint32 n = r.u16(p);
    if (!r.has(p + 2, n))
        return;
    const QByteArray bytes = bytesAt(r, p + 2, n);
    const quint32 q = p + 2 + ((n + 1) & ~1u);
    rec.dc.textOut(pointYX(r, q), decodeAnsi(bytes, rec.dc.font().charset, rec.dc.font().face, rec.stop), {}, 0,
                   QRectF());
}

void extTextOut(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    const QPointF pos = pointYX(r, p);
    const quint32 n = r.u16(p + 4);
    const quint16 options = r.u16(p + 6);
    quint32 q = p + 8;
    QRectF rect;
    if (options & kEtoRect) {
        rect = QRectF(QPointF(r.i16(q), r.i16(q + 2)), QPointF(r.i16(q + 4), r.i16(q + 6)));
        q += 8;
    }
    if (!r.has(q, n))
        return;
    const QByteArray bytes = bytesAt(r, q, n);
    q += (n + 1) & ~1u;
    const QString text = decodeAnsi(bytes, rec.dc.font().charset, rec.dc.font().face, rec.stop);
    QVector<double> dx;
    // Advances are per byte; a double-byte character takes two.
    if (r.has(q, quint64(n) * 2)) {
        QVector<double> perByte;
        perByte.reserve(int(n));
        for (quint32 i = 0; i < n && !rec.stop->poll(); ++i)
            perByte.append(r.i16(q + i * 2));
        if (text.size() == int(n)) {
            dx = perByte;
        } else if (symbolFace(rec.dc.font().face) != SymbolFace::None) {
            dx = advancesPerUnit(text, perByte, rec.stop); // a byte a code, some codes two units
        } else {
            int b = 0;
            for (int i = 0; i < text.size() && b + 1 <= int(perByte.size()); ++i) {
                const bool wide = text.at(i).unicode() >= 0x80 && b + 1 < int(perByte.size());
                dx.append(perByte[b] + (wide ? perByte[b + 1] : 0));
                b += wide ? 2 : 1;
            }
        }
    }
    rec.dc.textOut(pos, text, dx, options, rect);
}

} // namespace

bool playText(const Record &rec)
{
    switch (rec.fn) {
    case META_TEXTOUT:
        textOut(rec);
        break;
    case META_EXTTEXTOUT:
        extTextOut(rec);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::wmf
