// EMF records that set the device context's state: mapping, colours, modes,
// the world transform, saved states.
#include "decoding.h"
#include "emfplay.h"

#include <cmath>

namespace ptt::metafile::emf {

namespace {

void scaleExtent(const Record &rec)
{
    const RecordReader &r = rec.r;
    const double xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
    if (xd == 0 || yd == 0)
        return;
    const bool viewport = rec.type == EMR_SCALEVIEWPORTEXTEX;
    const QPointF e = viewport ? rec.dc.viewportExt() : rec.dc.windowExt();
    const QPointF scaled(e.x() * xn / xd, e.y() * yn / yd);
    if (viewport)
        rec.dc.setViewportExt(scaled);
    else
        rec.dc.setWindowExt(scaled);
}

// The ModifyWorldTransform modes; SetWorldTransform is a set.
enum WorldMode { MwtIdentity = 1, MwtLeftMultiply = 2, MwtRightMultiply = 3, MwtSet = 4 };

void worldTransform(const Record &rec)
{
    const RecordReader &r = rec.r;
    const QTransform x(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28));
    const quint32 mode = rec.type == EMR_SETWORLDTRANSFORM ? quint32(MwtSet) : r.u32(32);
    bool finite = true;
    for (double v : {x.m11(), x.m12(), x.m21(), x.m22(), x.dx(), x.dy()})
        finite = finite && std::isfinite(v) && std::abs(v) < 1e9;
    GdiContext &dc = rec.dc;
    if (mode == MwtIdentity)
        dc.setWorldTransform(QTransform());
    else if (!finite)
        return;
    else if (mode == MwtLeftMultiply)
        dc.setWorldTransform(x * dc.worldTransform());
    else if (mode == MwtRightMultiply)
        dc.setWorldTransform(dc.worldTransform() * x);
    else if (mode == MwtSet)
        dc.setWorldTransform(x);
}

} // namespace

bool playState(const Record &rec)
{
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    switch (rec.type) {
    case EMR_SETWINDOWEXTEX:
        dc.setWindowExt(pointL(r, 8));
        break;
    case EMR_SETWINDOWORGEX:
        dc.setWindowOrg(pointL(r, 8));
        break;
    case EMR_SETVIEWPORTEXTEX:
        dc.setViewportExt(pointL(r, 8));
        break;
    case EMR_SETVIEWPORTORGEX:
        dc.setViewportOrg(pointL(r, 8));
        break;
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX:
        scaleExtent(rec);
        break;
    case EMR_SETMAPMODE:
        dc.setMapMode(int(r.u32(8)));
        break;
    case EMR_SETBKMODE:
        dc.setBkMode(int(r.u32(8)));
        break;
    case EMR_SETPOLYFILLMODE:
        dc.setPolyFillMode(int(r.u32(8)));
        break;
    case EMR_SETROP2:
        dc.setRop2(int(r.u32(8)));
        break;
    case EMR_SETTEXTALIGN:
        dc.setTextAlign(int(r.u32(8)));
        break;
    case EMR_SETTEXTCOLOR:
        dc.setTextColor(colorRef(r, 8));
        break;
    case EMR_SETBKCOLOR:
        dc.setBkColor(colorRef(r, 8));
        break;
    case EMR_SETARCDIRECTION:
        dc.setArcDirection(int(r.u32(8)));
        break;
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM:
        worldTransform(rec);
        break;
    case EMR_SETBRUSHORGEX:
        dc.setBrushOrigin(pointL(r, 8));
        break;
    case EMR_SETSTRETCHBLTMODE:
        dc.setStretchMode(int(r.u32(8)));
        break;
    case EMR_SETTEXTJUSTIFICATION: // extra, break count
        dc.setTextJustification(r.i32(8), r.i32(12));
        break;
    case EMR_SETMITERLIMIT:
        dc.setMiterLimit(r.u32(8));
        break;
    case EMR_SAVEDC:
        dc.saveDc();
        break;
    case EMR_RESTOREDC:
        dc.restoreDc(r.i32(8));
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::emf
