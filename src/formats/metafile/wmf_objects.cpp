// WMF records that make, select and delete objects: pens, brushes, fonts,
// regions.
#include "decoding.h"
#include "wmfplay.h"

#include <cstdlib>

namespace ptt::metafile::wmf {

namespace {

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

// LOGBRUSH styles past this one are taken as solid.
constexpr int kBrushHatched = 2;

GdiObject pen(const RecordReader &r)
{
    constexpr quint32 p = kParams;
    GdiObject o;
    o.kind = GdiObject::Pen;
    o.pen.style = r.u16(p);
    o.pen.width = r.i16(p + 2);
    o.pen.color = colorRef(r, p + 6);
    return o;
}

GdiObject brush(const RecordReader &r)
{
    constexpr quint32 p = kParams;
    GdiObject o;
    o.kind = GdiObject::Brush;
    o.brush.style = r.u16(p);
    o.brush.color = colorRef(r, p + 2);
    o.brush.hatch = r.u16(p + 6);
    if (o.brush.style > kBrushHatched)
        o.brush.style = GdiBrush::Solid;
    return o;
}

GdiObject dibPatternBrush(const Record &rec)
{
    GdiObject o;
    o.kind = GdiObject::Brush;
    o.brush.style = GdiBrush::Pattern;
    o.brush.color = Qt::gray;
    // Past the budget of pattern pixels, a grey stand-in.
    if (rec.dc.mayHoldPattern(kMaxPatternPixels))
        o.brush.pattern =
            brushPattern(tailDib(rec.r, kParams + 4, rec.stop, nullptr, rec.dc.dibPalette(rec.r.u16(kParams + 2))));
    return o;
}

GdiObject object(GdiObject::Kind kind)
{
    GdiObject o;
    o.kind = kind;
    return o;
}

} // namespace

bool playObjects(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    switch (rec.fn) {
    case META_SELECTOBJECT:
        dc.selectObject(r.u16(p));
        break;
    case META_DELETEOBJECT:
        dc.deleteObject(r.u16(p));
        break;
    case META_CREATEPENINDIRECT:
        dc.addObject(pen(r));
        break;
    case META_CREATEBRUSHINDIRECT:
        dc.addObject(brush(r));
        break;
    case META_DIBCREATEPATTERNBRUSH:
        dc.addObject(dibPatternBrush(rec));
        break;
    case META_CREATEPATTERNBRUSH: { // old-style pattern brush: a grey stand-in
        GdiObject o = object(GdiObject::Brush);
        o.brush.color = Qt::gray;
        dc.addObject(o);
        break;
    }
    case META_CREATEFONTINDIRECT: {
        GdiObject o = object(GdiObject::Font);
        o.font = readFont(r, p);
        dc.addObject(o);
        break;
    }
    case META_CREATEREGION: {
        GdiObject o = object(GdiObject::Region);
        o.region = readRegion(r, p, dc);
        dc.addObject(o);
        break;
    }
    case META_CREATEPALETTE: {
        // Version, count, then the entries.
        GdiObject o = object(GdiObject::Palette);
        if (dc.mayHoldPalette(std::min<int>(r.u16(p + 2), kMaxPaletteEntries)))
            o.palette = paletteEntries(r, p + 4, r.u16(p + 2), rec.stop);
        dc.addObject(o);
        break;
    }
    case META_SELECTPALETTE:
        dc.selectPalette(r.u16(p));
        break;
    case META_SETPALENTRIES:
    case META_ANIMATEPALETTE: // its colours, shown at once
        dc.setPaletteEntries(-1, r.u16(p), paletteEntries(r, p + 4, r.u16(p + 2), rec.stop));
        break;
    case META_RESIZEPALETTE:
        dc.resizePalette(-1, r.u16(p));
        break;
    case META_REALIZEPALETTE: // the palette is used as selected
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::wmf
