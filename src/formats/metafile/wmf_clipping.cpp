// WMF records that set the clip.
#include "wmfplay.h"

namespace ptt::metafile::wmf {

bool playClipping(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    switch (rec.fn) {
    case META_EXCLUDECLIPRECT:
        dc.excludeClipRect(rectBRTL(r, p));
        break;
    case META_INTERSECTCLIPRECT:
        dc.intersectClipRect(rectBRTL(r, p));
        break;
    case META_OFFSETCLIPRGN:
        dc.offsetClip(pointYX(r, p));
        break;
    case META_SELECTCLIPREGION:
        dc.selectClipRegion(r.u16(p));
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::wmf
