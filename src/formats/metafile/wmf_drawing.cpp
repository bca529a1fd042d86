// WMF records that draw lines and shapes, fill and frame regions, and move
// the current position.
#include "decoding.h"
#include "wmfplay.h"

namespace ptt::metafile::wmf {

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

void polyPolygon(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    const quint32 n = r.u16(p);
    quint32 pts = p + 2 + n * 2;
    QVector<QPolygonF> polys;
    int room = rec.pointLimit;
    for (quint32 i = 0; i < n && r.has(p + 2 + i * 2, 2) && room > 0 && !rec.stop->poll(); ++i) {
        const quint32 c = r.u16(p + 2 + i * 2);
        if (!r.has(pts, quint64(c) * 4))
            break;
        polys.append(points16(r, pts, c, room, rec.stop));
        room -= int(polys.last().size());
        pts += c * 4;
    }
    rec.dc.polyPolygon(polys);
}

void arc(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    const QPointF end = pointYX(r, p);
    const QPointF begin = pointYX(r, p + 4);
    const auto kind = rec.fn == META_ARC ? GdiContext::Arc : rec.fn == META_CHORD ? GdiContext::Chord : GdiContext::Pie;
    rec.dc.arc(kind, rectBRTL(r, p + 8), begin, end);
}

} // namespace

bool playDrawing(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    switch (rec.fn) {
    case META_FLOODFILL: // colour, start; filled up to the border colour
        dc.floodFill(pointYX(r, p + 4), colorRef(r, p), false);
        break;
    case META_EXTFLOODFILL: // mode (1: the surface of that colour), colour, start
        dc.floodFill(pointYX(r, p + 6), colorRef(r, p + 2), r.u16(p) == 1);
        break;
    case META_MOVETO:
        dc.moveTo(pointYX(r, p));
        break;
    case META_LINETO:
        dc.lineTo(pointYX(r, p));
        break;
    case META_ELLIPSE:
        dc.ellipse(rectBRTL(r, p));
        break;
    case META_RECTANGLE:
        dc.rectangle(rectBRTL(r, p));
        break;
    case META_ROUNDRECT:
        dc.roundRect(rectBRTL(r, p + 4), r.i16(p + 2), r.i16(p));
        break;
    case META_ARC:
    case META_CHORD:
    case META_PIE:
        arc(rec);
        break;
    case META_POLYGON:
        dc.polygon(points16(r, p + 2, r.u16(p), rec.pointLimit, rec.stop));
        break;
    case META_POLYLINE:
        dc.polyline(points16(r, p + 2, r.u16(p), rec.pointLimit, rec.stop));
        break;
    case META_POLYPOLYGON:
        polyPolygon(rec);
        break;
    case META_SETPIXEL:
        dc.setPixel(pointYX(r, p + 4), colorRef(r, p));
        break;
    case META_FILLREGION:
        dc.fillRegion(r.u16(p + 2), r.u16(p));
        break;
    case META_PAINTREGION: // with the selected brush
        dc.fillRegion(r.u16(p), -1);
        break;
    case META_FRAMEREGION:
        dc.frameRegion(r.u16(p + 6), r.u16(p + 4), r.i16(p + 2), r.i16(p));
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::wmf
