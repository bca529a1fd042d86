// WMF records that set the device context's state: mapping, colours, modes,
// saved states.
#include "decoding.h"
#include "wmfplay.h"

namespace ptt::metafile::wmf {

namespace {

// Scales an extent by the record's numerators and denominators; false (and
// the extent unchanged) when a denominator is zero.
bool scaleExt(const RecordReader &r, QPointF *e)
{
    constexpr quint32 p = kParams;
    const double yd = r.i16(p), yn = r.i16(p + 2), xd = r.i16(p + 4), xn = r.i16(p + 6);
    if (xd == 0 || yd == 0)
        return false;
    *e = QPointF(e->x() * xn / xd, e->y() * yn / yd);
    return true;
}

} // namespace

bool playState(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    switch (rec.fn) {
    case META_SETMAPMODE:
        dc.setMapMode(r.u16(p));
        break;
    case META_SETROP2:
        dc.setRop2(r.u16(p));
        break;
    case META_SETTEXTJUSTIFICATION: // break count, extra
        dc.setTextJustification(r.i16(p + 2), r.u16(p));
        break;
    case META_SETSTRETCHBLTMODE:
        dc.setStretchMode(r.u16(p));
        break;
    case META_SETPOLYFILLMODE:
        dc.setPolyFillMode(r.u16(p));
        break;
    case META_SETBKMODE:
        dc.setBkMode(r.u16(p));
        break;
    case META_SETBKCOLOR:
        dc.setBkColor(colorRef(r, p));
        break;
    case META_SETTEXTCOLOR:
        dc.setTextColor(colorRef(r, p));
        break;
    case META_SETTEXTALIGN:
        dc.setTextAlign(r.u16(p));
        break;
    case META_SETTEXTCHAREXTRA:
        dc.setCharExtra(r.i16(p));
        break;
    case META_SETWINDOWORG:
        dc.setWindowOrg(pointYX(r, p));
        break;
    case META_SETWINDOWEXT:
        dc.setWindowExt(pointYX(r, p));
        break;
    case META_OFFSETWINDOWORG:
        dc.setWindowOrg(dc.windowOrg() + pointYX(r, p));
        break;
    case META_SCALEWINDOWEXT: {
        QPointF e = dc.windowExt();
        if (scaleExt(r, &e))
            dc.setWindowExt(e);
        break;
    }
    case META_SETVIEWPORTORG:
        dc.setViewportOrg(pointYX(r, p));
        break;
    case META_SETVIEWPORTEXT:
        dc.setViewportExt(pointYX(r, p));
        break;
    case META_OFFSETVIEWPORTORG:
        dc.setViewportOrg(dc.viewportOrg() + pointYX(r, p));
        break;
    case META_SCALEVIEWPORTEXT: {
        QPointF e = dc.viewportExt();
        if (scaleExt(r, &e))
            dc.setViewportExt(e);
        break;
    }
    case META_SAVEDC:
        dc.saveDc();
        break;
    case META_RESTOREDC:
        dc.restoreDc(r.i16(p));
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::wmf
