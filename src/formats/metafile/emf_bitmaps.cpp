// EMF records that draw bitmaps, or fill with the brush when they carry none.
#include "emfplay.h"

namespace ptt::metafile::emf {

namespace {

// BitBlt, StretchBlt, AlphaBlend and TransparentBlt share their layout up to
// the source bitmap; only the first two carry a raster operation.
void blt(const Record &rec)
{
    const RecordReader &r = rec.r;
    const bool bitBlt = rec.type == EMR_BITBLT;
    const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
    const quint32 rop = (bitBlt || rec.type == EMR_STRETCHBLT) ? r.u32(40) : kSrcCopy;
    const double xs = r.i32(44), ys = r.i32(48);
    const QImage img = recordDib(r, r.u32(84), r.u32(88), r.u32(92), r.u32(96), rec.stop);
    QRectF src;
    if (bitBlt)
        src = QRectF(xs, ys, dest.width(), dest.height());
    else
        src = QRectF(xs, ys, r.i32(100), r.i32(104));
    if (r.u32(88) == 0)
        rec.dc.patBlt(dest, rop);
    else
        rec.dc.drawImage(dest, img, src, rop);
}

// SetDIBitsToDevice and StretchDIBits.
void dibits(const Record &rec)
{
    const RecordReader &r = rec.r;
    const double xd = r.i32(24), yd = r.i32(28), xs = r.i32(32), ys = r.i32(36);
    const double cxs = r.i32(40), cys = r.i32(44);
    bool bottomUp = true;
    const QImage img = recordDib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), rec.stop, &bottomUp);
    QRectF dest(xd, yd, cxs, cys);
    quint32 rop = kSrcCopy;
    if (rec.type == EMR_STRETCHDIBITS) {
        rop = r.u32(68);
        dest = QRectF(xd, yd, r.i32(72), r.i32(76));
    }
    QRectF src(xs, ys, cxs, cys);
    if (bottomUp && !img.isNull())
        src.moveTop(img.height() - (ys + cys));
    if (img.isNull() && r.u32(52) == 0)
        rec.dc.patBlt(dest, rop);
    else if (!img.isNull())
        rec.dc.drawImage(dest, img, src, rop);
}

} // namespace

bool playBitmaps(const Record &rec)
{
    switch (rec.type) {
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
        blt(rec);
        break;
    case EMR_SETDIBITSTODEVICE:
    case EMR_STRETCHDIBITS:
        dibits(rec);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::emf
