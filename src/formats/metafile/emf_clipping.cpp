// EMF records that set the clip.
#include "emfplay.h"

namespace ptt::metafile::emf {

namespace {

// RGN_COPY, with no region: the clip is reset.
constexpr int kRgnCopy = 5;

// ExtSelectClipRgn: rectangles in device units.
void extSelectClipRgn(const Record &rec)
{
    const quint32 cb = rec.r.u32(8);
    const int mode = int(rec.r.u32(12));
    if (cb == 0 && mode == kRgnCopy)
        rec.dc.resetClip();
    else
        rec.dc.setClipRegion(regionOf(rec.r, 16, cb, rec.device, rec.dc), mode);
}

} // namespace

bool playClipping(const Record &rec)
{
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    switch (rec.type) {
    case EMR_OFFSETCLIPRGN:
        dc.offsetClip(pointL(r, 8));
        break;
    case EMR_EXCLUDECLIPRECT:
        dc.excludeClipRect(rectL(r, 8));
        break;
    case EMR_INTERSECTCLIPRECT:
        dc.intersectClipRect(rectL(r, 8));
        break;
    case EMR_SELECTCLIPPATH:
        dc.selectClipPath(int(r.u32(8)));
        break;
    case EMR_EXTSELECTCLIPRGN:
        extSelectClipRgn(rec);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::emf
