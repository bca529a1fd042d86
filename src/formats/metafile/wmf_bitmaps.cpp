// WMF records that draw bitmaps, or fill with the brush when they carry none.
#include "decoding.h"
#include "wmfplay.h"

namespace ptt::metafile::wmf {

namespace {

// An old device-dependent bitmap (type, width, height, bytes per row, planes,
// bits per pixel, then rows from the top). Monochrome ones take the text and
// background colours, as on a colour device.
QImage bitmap16(const RecordReader &r, quint32 at, QColor fore, QColor back, DecodeStop *stop)
{
    const int w = r.i16(at + 2), h = r.i16(at + 4), stride = r.i16(at + 6);
    const int planes = r.u8(at + 8), bpp = r.u8(at + 9);
    if (r.bad() || w <= 0 || h <= 0 || w > 4096 || h > 4096 || planes != 1 || stride <= 0 ||
        !r.has(at + 10, quint64(stride) * h))
        return QImage();
    if ((bpp == 1 && stride * 8 < w) || (bpp == 24 && stride < w * 3) || (bpp == 32 && stride < w * 4) ||
        (bpp == 8 && stride < w))
        return QImage();
    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull())
        return img;
    for (int y = 0; y < h; ++y) {
        if (stop->poll())
            return QImage();
        const uchar *row = r.data() + at + 10 + quint32(y) * quint32(stride);
        QRgb *out = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            switch (bpp) {
            case 1:
                out[x] = ((row[x / 8] >> (7 - x % 8)) & 1) ? back.rgb() : fore.rgb();
                break;
            case 8:
                out[x] = qRgb(row[x], row[x], row[x]);
                break;
            case 24:
                out[x] = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
                break;
            case 32:
                out[x] = qRgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
                break;
            default:
                return QImage();
            }
        }
    }
    return img;
}

QRectF srcRect(const QImage &img, double x, double y, double w, double h, bool flipY)
{
    if (img.isNull())
        return QRectF();
    if (flipY)
        y = img.height() - (y + h);
    return QRectF(x, y, w, h);
}

// A blit record of just its fixed words, one more than its function's high
// byte hints, carries no bitmap and fills with the brush.
bool withoutBitmap(const Record &rec)
{
    return rec.r.size() / 2 == quint32(quint16(rec.fn) >> 8) + 3;
}

void patBlt(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    const quint32 rop = r.u32(p);
    const double h = r.i16(p + 4), w = r.i16(p + 6), y = r.i16(p + 8), x = r.i16(p + 10);
    rec.dc.patBlt(QRectF(x, y, w, h), rop);
}

// The drawing both blits share: a pattern fill without a bitmap, else the
// old-style bitmap or the DIB at bits, its source rectangle onto dst.
void blt(const Record &rec, quint32 rop, bool noBitmap, bool oldBitmap, quint32 bits, const QRectF &dst, double xs,
         double ys, double sw, double sh)
{
    GdiContext &dc = rec.dc;
    if (noBitmap) {
        dc.patBlt(dst, rop);
    } else if (oldBitmap) {
        const QImage img = bitmap16(rec.r, bits, dc.textColor(), dc.bkColor(), rec.stop);
        if (!img.isNull())
            dc.drawImage(dst, img, QRectF(xs, ys, sw, sh), rop);
    } else {
        const QImage img = tailDib(rec.r, bits, rec.stop);
        dc.drawImage(dst, img, srcRect(img, xs, ys, sw, sh, false), rop);
    }
}

// BitBlt with an old bitmap, DibBitBlt with a DIB, or either with none.
void bitBlt(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    const quint32 rop = r.u32(p);
    const bool noBitmap = withoutBitmap(rec);
    const quint32 q = noBitmap ? p + 2 : p;
    const double ys = r.i16(q + 4), xs = r.i16(q + 6), h = r.i16(q + 8), w = r.i16(q + 10);
    const double yd = r.i16(q + 12), xd = r.i16(q + 14);
    blt(rec, rop, noBitmap, rec.fn == META_BITBLT, q + 16, QRectF(xd, yd, w, h), xs, ys, w, h);
}

// StretchBlt with an old bitmap, DibStretchBlt with a DIB, or either with none.
void stretchBlt(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    const quint32 rop = r.u32(p);
    const bool noBitmap = withoutBitmap(rec);
    const double sh = r.i16(p + 4), sw = r.i16(p + 6), ys = r.i16(p + 8), xs = r.i16(p + 10);
    const quint32 q = noBitmap ? p + 14 : p + 12;
    const double dh = r.i16(q), dw = r.i16(q + 2), yd = r.i16(q + 4), xd = r.i16(q + 6);
    blt(rec, rop, noBitmap, rec.fn == META_STRETCHBLT, q + 8, QRectF(xd, yd, dw, dh), xs, ys, sw, sh);
}

void stretchDib(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    const quint32 rop = r.u32(p);
    const double sh = r.i16(p + 6), sw = r.i16(p + 8), ys = r.i16(p + 10), xs = r.i16(p + 12);
    const double dh = r.i16(p + 14), dw = r.i16(p + 16), yd = r.i16(p + 18), xd = r.i16(p + 20);
    bool bottomUp = true;
    const QImage img = tailDib(r, p + 22, rec.stop, &bottomUp, rec.dc.dibPalette(r.u16(p + 4)));
    rec.dc.drawImage(QRectF(xd, yd, dw, dh), img, srcRect(img, xs, ys, sw, sh, bottomUp), rop);
}

void setDibToDev(const Record &rec)
{
    constexpr quint32 p = kParams;
    const RecordReader &r = rec.r;
    // Colour use, scan count and first scan come before the source corner.
    const double ys = r.i16(p + 6), xs = r.i16(p + 8), h = r.i16(p + 10), w = r.i16(p + 12);
    const double yd = r.i16(p + 14), xd = r.i16(p + 16);
    bool bottomUp = true;
    const QImage img = tailDib(r, p + 18, rec.stop, &bottomUp, rec.dc.dibPalette(r.u16(p)));
    rec.dc.drawImage(QRectF(xd, yd, w, h), img, srcRect(img, xs, ys, w, h, bottomUp), kSrcCopy);
}

} // namespace

bool playBitmaps(const Record &rec)
{
    switch (rec.fn) {
    case META_PATBLT:
        patBlt(rec);
        break;
    case META_BITBLT:
    case META_DIBBITBLT:
        bitBlt(rec);
        break;
    case META_STRETCHBLT:
    case META_DIBSTRETCHBLT:
        stretchBlt(rec);
        break;
    case META_STRETCHDIB:
        stretchDib(rec);
        break;
    case META_SETDIBTODEV:
        setDibToDev(rec);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::wmf
