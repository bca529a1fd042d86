// WMF records that set the device context's state: mapping, colours, modes,
// saved states.
#include "decoding.h"
#include "wmfplay.h"

namespace ptt::metafile::wmf {

namespace {

void scaleWindowExt(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    const double yd = r.i16(p), yn = r.i16(p + 2), xd = r.i16(p + 4), xn = r.i16(p + 6);
    if (xd == 0 || yd == 0)
        return;
    const QPointF e = rec.dc.windowExt();
    rec.dc.setWindowExt(QPointF(e.x() * xn / xd, e.y() * yn / yd));
}

} // namespace

bool playState(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    switch (rec.fn) {
    case WmfRecord::SetMapMode:
        dc.setMapMode(r.u16(p));
        break;
    case WmfRecord::SetRop2:
        dc.setRop2(r.u16(p));
        break;
    case WmfRecord::SetPolyFillMode:
        dc.setPolyFillMode(r.u16(p));
        break;
    case WmfRecord::SetBkMode:
        dc.setBkMode(r.u16(p));
        break;
    case WmfRecord::SetBkColor:
        dc.setBkColor(colorRef(r, p));
        break;
    case WmfRecord::SetTextColor:
        dc.setTextColor(colorRef(r, p));
        break;
    case WmfRecord::SetTextAlign:
        dc.setTextAlign(r.u16(p));
        break;
    case WmfRecord::SetWindowOrg:
        dc.setWindowOrg(pointYX(r, p));
        break;
    case WmfRecord::SetWindowExt:
        dc.setWindowExt(pointYX(r, p));
        break;
    case WmfRecord::OffsetWindowOrg:
        dc.setWindowOrg(dc.windowOrg() + pointYX(r, p));
        break;
    case WmfRecord::ScaleWindowExt:
        scaleWindowExt(rec);
        break;
    case WmfRecord::SaveDC:
        dc.saveDc();
        break;
    case WmfRecord::RestoreDC:
        dc.restoreDc(r.i16(p));
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::wmf
