// EMF records that draw bitmaps, or fill with the brush when they carry none.
#include "emfplay.h"

#include <cstdlib>
#include <limits>

namespace ptt::metafile::emf {

namespace {

constexpr int kMaxBlendSide = 4096;

// AlphaBlend's source as premultiplied colours: with per-pixel alpha
// (AlphaFormat 1 in the blend function's top byte) a 32-bit DIB whose fourth
// byte is alpha, otherwise opaque; either scaled by the constant alpha.
QImage blendSource(const Record &rec, const QImage &decoded)
{
    const RecordReader &r = rec.r;
    const int constant = r.u8(42);
    const bool perPixel = r.u8(43) & 1;
    const quint32 offBmi = r.u32(84), offBits = r.u32(92), cbBits = r.u32(96);
    QImage img;
    if (perPixel && r.has(offBmi, 40) && r.u16(offBmi + 14) == 32 && r.u32(offBmi + 16) == 0) {
        const qint32 w = r.i32(offBmi + 4), h = r.i32(offBmi + 8);
        const int rows = (h == std::numeric_limits<qint32>::min()) ? 0 : std::abs(h);
        const quint64 bytes = quint64(w) * 4 * quint64(rows);
        if (w > 0 && w <= kMaxBlendSide && rows > 0 && rows <= kMaxBlendSide && cbBits >= bytes &&
            r.has(offBits, bytes))
            img = QImage(w, rows, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < img.height(); ++y) {
            if (rec.stop->poll())
                return QImage();
            const uchar *in = r.data() + offBits + quint64(h > 0 ? rows - 1 - y : y) * quint64(w) * 4;
            auto *out = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < w; ++x, in += 4) {
                const int a = in[3];
                // Colours above their alpha are not premultiplied: held to it.
                out[x] = qRgba(std::min<int>(in[2], a), std::min<int>(in[1], a), std::min<int>(in[0], a), a);
            }
        }
    }
    if (img.isNull())
        img = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (constant == 255 || img.isNull())
        return img;
    for (int y = 0; y < img.height(); ++y) {
        if (rec.stop->poll())
            return QImage();
        auto *px = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            px[x] = qRgba(qRed(px[x]) * constant / 255, qGreen(px[x]) * constant / 255, qBlue(px[x]) * constant / 255,
                          qAlpha(px[x]) * constant / 255);
    }
    return img;
}

// BitBlt, StretchBlt, AlphaBlend and TransparentBlt share their layout up to
// the source bitmap; only the first two carry a raster operation.
void blt(const Record &rec)
{
    const RecordReader &r = rec.r;
    const bool bitBlt = rec.type == EMR_BITBLT;
    const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
    const quint32 rop = (bitBlt || rec.type == EMR_STRETCHBLT) ? r.u32(40) : kSrcCopy;
    const double xs = r.i32(44), ys = r.i32(48);
    QImage img =
        recordDib(r, r.u32(84), r.u32(88), r.u32(92), r.u32(96), rec.stop, nullptr, rec.dc.dibPalette(r.u32(80)));
    if (rec.type == EMR_ALPHABLEND)
        img = blendSource(rec, img);
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
    const QImage img =
        recordDib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), rec.stop, &bottomUp, rec.dc.dibPalette(r.u32(64)));
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

// MaskBlt: BitBlt's fields, then the mask's corner, colour usage and bitmap.
// Its raster operation holds two: the foreground one in the low three bytes,
// the background one's index in the top byte.
void maskBlt(const Record &rec)
{
    const RecordReader &r = rec.r;
    const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
    const quint32 rop4 = r.u32(40);
    const QImage img =
        recordDib(r, r.u32(84), r.u32(88), r.u32(92), r.u32(96), rec.stop, nullptr, rec.dc.dibPalette(r.u32(80)));
    const QImage mask = recordDib(r, r.u32(112), r.u32(116), r.u32(120), r.u32(124), rec.stop);
    const QRectF src(r.i32(44), r.i32(48), dest.width(), dest.height());
    rec.dc.maskBlt(dest, img, src, mask, QPoint(r.i32(100), r.i32(104)), rop4 & 0x00FFFFFF, (rop4 >> 8) & 0x00FF0000);
}

// PlgBlt: three corners of the destination, the source rectangle and bitmap,
// then the mask's corner and bitmap.
void plgBlt(const Record &rec)
{
    const RecordReader &r = rec.r;
    const QPolygonF corners({pointL(r, 24), pointL(r, 32), pointL(r, 40)});
    const QRectF src(r.i32(48), r.i32(52), r.i32(56), r.i32(60));
    const QImage img =
        recordDib(r, r.u32(96), r.u32(100), r.u32(104), r.u32(108), rec.stop, nullptr, rec.dc.dibPalette(r.u32(92)));
    const QImage mask = recordDib(r, r.u32(124), r.u32(128), r.u32(132), r.u32(136), rec.stop);
    rec.dc.plgBlt(corners, img, src, mask, QPoint(r.i32(112), r.i32(116)));
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
    case EMR_MASKBLT:
        maskBlt(rec);
        break;
    case EMR_PLGBLT:
        plgBlt(rec);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::emf
