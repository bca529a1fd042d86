// EMF records that draw lines, shapes, paths, regions and gradients, and
// move the current position.
#include "decoding.h"
#include "emfplay.h"

#include <QLinearGradient>

#include <algorithm>
#include <cmath>

namespace ptt::metafile::emf {

namespace {

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

// The records' points, as many as the record says (16-bit in the *16 types).
QPolygonF recordPoints(const Record &rec, bool small)
{
    return points(rec.r, 28, rec.r.u32(24), small, rec.limits.pathPoints, rec.stop);
}

// PolyDraw: points with a type byte each, its kind in the bits of kPointKind.
enum PointType { PtCloseFigure = 1, PtLineTo = 2, PtBezierTo = 4, PtMoveTo = 6 };
constexpr int kPointKind = PtLineTo | PtBezierTo;

void polyDraw(const Record &rec, bool small)
{
    const RecordReader &r = rec.r;
    const quint32 all = r.u32(24);
    const quint32 typesAt = 28 + all * (small ? 4 : 8);
    if (!r.has(28, quint64(all) * (small ? 4 : 8)) || !r.has(typesAt, all))
        return;
    const QPolygonF pts = points(r, 28, all, small, rec.limits.pathPoints, rec.stop);
    const quint32 n = quint32(pts.size());
    if (pts.isEmpty())
        return;
    QPainterPath path;
    path.moveTo(rec.dc.currentPosition());
    for (quint32 i = 0; i < n && !rec.stop->poll(); ++i) {
        const quint8 t = r.u8(typesAt + i);
        if ((t & kPointKind) == PtMoveTo) {
            path.moveTo(pts[int(i)]);
        } else if ((t & kPointKind) == PtBezierTo && i + 2 < n) {
            path.cubicTo(pts[int(i)], pts[int(i + 1)], pts[int(i + 2)]);
            i += 2;
        } else {
            path.lineTo(pts[int(i)]);
        }
        if (t & PtCloseFigure)
            path.closeSubpath();
    }
    rec.dc.setCurrentPosition(path.currentPosition());
    const QList<QPolygonF> parts = path.toSubpathPolygons();
    rec.dc.polyPolyline(QVector<QPolygonF>(parts.begin(), parts.end()));
}

void angleArc(const Record &rec)
{
    const RecordReader &r = rec.r;
    const QPointF c = pointL(r, 8);
    const double rad = r.u32(16);
    const double a0 = r.f32(20), sw = r.f32(24);
    if (!std::isfinite(a0) || !std::isfinite(sw) || rad > 1e8)
        return;
    const QRectF box(c.x() - rad, c.y() - rad, 2 * rad, 2 * rad);
    QPainterPath path;
    path.moveTo(rec.dc.currentPosition());
    path.arcTo(box, a0, std::clamp(sw, -3600.0, 3600.0));
    rec.dc.polyline(path.toFillPolygon());
    rec.dc.setCurrentPosition(path.currentPosition());
}

// FillRgn: a region in logical units, with a given brush.
void fillRgn(const Record &rec)
{
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    const GdiBrush saved = dc.brush();
    selectObject(dc, r.u32(28));
    dc.paintLogicalRegion(logicalRegionOf(r, 32, r.u32(24), dc));
    dc.setBrush(saved);
}

// FrameRgn: a region in logical units, framed with a given brush by strokes
// of a given width and height.
void frameRgn(const Record &rec)
{
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    const GdiBrush saved = dc.brush();
    selectObject(dc, r.u32(28));
    dc.frameLogicalRegion(logicalRegionOf(r, 40, r.u32(24), dc), r.i32(32), r.i32(36));
    dc.setBrush(saved);
}

enum GradientMode { GradientFillRectH = 0, GradientFillRectV = 1, GradientFillTriangle = 2 };

void gradientFill(const Record &rec)
{
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    const RecordLimits &limits = rec.limits;
    const quint32 nVer = r.u32(24), nTri = r.u32(28), mode = r.u32(32);
    if (nVer == 0 || nVer > 100000 || !r.has(36, quint64(nVer) * 16))
        return;
    auto vertex = [&](quint32 i, QPointF *pt, QColor *c) {
        const quint32 at = 36 + i * 16;
        *pt = pointL(r, at);
        *c = QColor(r.u16(at + 8) >> 8, r.u16(at + 10) >> 8, r.u16(at + 12) >> 8);
    };
    const quint32 meshAt = 36 + nVer * 16;
    const quint32 step = mode == GradientFillTriangle ? 12 : 8;
    // How many shapes, and how much of the picture they may cover
    // together, is settled before the first is drawn.
    const quint32 shapes = std::min<quint32>(nTri, quint32(limits.gradientShapes));
    qint64 area = limits.gradientPixels;
    for (quint32 k = 0; k < shapes && r.has(meshAt + k * step, step) && !rec.stop->requested(); ++k) {
        QPointF a, b, c3;
        QColor ca, cb, cc;
        const quint32 i0 = r.u32(meshAt + k * step), i1 = r.u32(meshAt + k * step + 4);
        if (i0 >= nVer || i1 >= nVer)
            continue;
        vertex(i0, &a, &ca);
        vertex(i1, &b, &cb);
        if (mode == GradientFillTriangle) {
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
            QLinearGradient g = mode == GradientFillRectV ? QLinearGradient(box.topLeft(), box.bottomLeft())
                                                          : QLinearGradient(box.topLeft(), box.topRight());
            g.setColorAt(0, ca);
            g.setColorAt(1, cb);
            QPainterPath rp;
            rp.addRect(box);
            dc.fillLogicalPath(rp, QBrush(g));
        }
    }
}

} // namespace

bool playDrawing(const Record &rec)
{
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    const int pointLimit = rec.limits.pathPoints;
    switch (rec.type) {
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIER16:
        dc.polyBezier(recordPoints(rec, rec.type == EMR_POLYBEZIER16), false);
        break;
    case EMR_POLYGON:
    case EMR_POLYGON16:
        dc.polygon(recordPoints(rec, rec.type == EMR_POLYGON16));
        break;
    case EMR_POLYLINE:
    case EMR_POLYLINE16:
        dc.polyline(recordPoints(rec, rec.type == EMR_POLYLINE16));
        break;
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16:
        dc.polyBezier(recordPoints(rec, rec.type == EMR_POLYBEZIERTO16), true);
        break;
    case EMR_POLYLINETO:
    case EMR_POLYLINETO16:
        dc.polylineTo(recordPoints(rec, rec.type == EMR_POLYLINETO16));
        break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYLINE16:
        dc.polyPolyline(polyPolys(r, rec.type == EMR_POLYPOLYLINE16, pointLimit, rec.stop));
        break;
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYGON16:
        dc.polyPolygon(polyPolys(r, rec.type == EMR_POLYPOLYGON16, pointLimit, rec.stop));
        break;
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16:
        polyDraw(rec, rec.type == EMR_POLYDRAW16);
        break;
    case EMR_SETPIXELV:
        dc.setPixel(pointL(r, 8), colorRef(r, 16));
        break;
    case EMR_MOVETOEX:
        dc.moveTo(pointL(r, 8));
        break;
    case EMR_LINETO:
        dc.lineTo(pointL(r, 8));
        break;
    case EMR_ANGLEARC:
        angleArc(rec);
        break;
    case EMR_ELLIPSE:
        dc.ellipse(rectL(r, 8));
        break;
    case EMR_RECTANGLE:
        dc.rectangle(rectL(r, 8));
        break;
    case EMR_ROUNDRECT:
        dc.roundRect(rectL(r, 8), r.i32(24), r.i32(28));
        break;
    case EMR_ARC:
        dc.arc(GdiContext::Arc, rectL(r, 8), pointL(r, 24), pointL(r, 32));
        break;
    case EMR_CHORD:
        dc.arc(GdiContext::Chord, rectL(r, 8), pointL(r, 24), pointL(r, 32));
        break;
    case EMR_PIE:
        dc.arc(GdiContext::Pie, rectL(r, 8), pointL(r, 24), pointL(r, 32));
        break;
    case EMR_ARCTO:
        dc.arc(GdiContext::ArcTo, rectL(r, 8), pointL(r, 24), pointL(r, 32));
        break;
    case EMR_BEGINPATH:
        dc.beginPath();
        break;
    case EMR_ENDPATH:
        dc.endPath();
        break;
    case EMR_CLOSEFIGURE:
        dc.closeFigure();
        break;
    case EMR_FILLPATH:
        dc.fillPath();
        break;
    case EMR_STROKEANDFILLPATH:
        dc.strokeAndFillPath();
        break;
    case EMR_STROKEPATH:
        dc.strokePath();
        break;
    case EMR_ABORTPATH:
        dc.abortPath();
        break;
    case EMR_PAINTRGN: // with the selected brush; like every region here, in logical units
        dc.paintLogicalRegion(logicalRegionOf(r, 28, r.u32(24), dc));
        break;
    case EMR_FILLRGN:
        fillRgn(rec);
        break;
    case EMR_FRAMERGN:
        frameRgn(rec);
        break;
    case EMR_INVERTRGN:
        dc.invertLogicalRegion(logicalRegionOf(r, 28, r.u32(24), dc));
        break;
    case EMR_GRADIENTFILL:
        gradientFill(rec);
        break;
    case EMR_EXTFLOODFILL: // start, colour, mode (1: the surface of that colour)
        dc.floodFill(pointL(r, 8), colorRef(r, 16), r.u32(20) == 1);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::emf
