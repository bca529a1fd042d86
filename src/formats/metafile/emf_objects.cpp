// EMF records that make, select and delete objects: pens, brushes, fonts.
#include "decoding.h"
#include "emfplay.h"

#include <cstdlib>
#include <cstring>

namespace ptt::metafile::emf {

namespace {

// A 1-bit pattern brush's bits, left 1-bit: the device context colours them
// when the brush paints.
QImage monoPattern(const RecordReader &r, quint32 offBmi, quint32 offBits, quint32 cbBits)
{
    if (!r.has(offBmi, 16) || r.u32(offBmi) < 40)
        return QImage();
    const qint32 w = r.i32(offBmi + 4), h = r.i32(offBmi + 8);
    if (w <= 0 || w > 256 || h == 0 || std::abs(h) > 256 || r.u16(offBmi + 14) != 1)
        return QImage();
    const quint32 stride = quint32((w + 31) / 32 * 4);
    const int rows = std::abs(h);
    if (!r.has(offBits, quint64(stride) * rows) || cbBits < stride * quint32(rows))
        return QImage();
    QImage img(w, rows, QImage::Format_Mono);
    img.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < rows; ++y) {
        const quint32 src = offBits + quint32(h > 0 ? rows - 1 - y : y) * stride;
        std::memcpy(img.scanLine(y), r.data() + src, std::min<size_t>(size_t(img.bytesPerLine()), stride));
    }
    return img;
}

// Pen style bits.
constexpr int kPenStyleMask = 0xF;
constexpr int kPenNull = 5;
constexpr int kPenGeometric = 0x10000;
// LOGBRUSH styles.
constexpr quint32 kBrushNull = 1;
constexpr int kBrushHatched = 2;

GdiObject pen(const RecordReader &r)
{
    GdiObject o;
    o.kind = GdiObject::Pen;
    o.pen.style = int(r.u32(12));
    o.pen.width = r.i32(16);
    o.pen.color = colorRef(r, 24);
    return o;
}

GdiObject extPen(const RecordReader &r)
{
    GdiObject o;
    o.kind = GdiObject::Pen;
    // The bitmap's offsets and sizes (8 to 27) come before the pen itself.
    o.pen.style = int(r.u32(28));
    o.pen.width = r.u32(32);
    if (!(o.pen.style & kPenGeometric)) // cosmetic: one pixel
        o.pen.width = 0;
    if (r.u32(36) == kBrushNull)
        o.pen.style = (o.pen.style & ~kPenStyleMask) | kPenNull;
    o.pen.color = colorRef(r, 40);
    return o;
}

GdiObject brush(const RecordReader &r)
{
    GdiObject o;
    o.kind = GdiObject::Brush;
    o.brush.style = int(r.u32(12));
    o.brush.color = colorRef(r, 16);
    o.brush.hatch = int(r.u32(20));
    if (o.brush.style > kBrushHatched)
        o.brush.style = GdiBrush::Solid;
    return o;
}

// Monochrome pattern: set bits in the background colour, clear in the text
// colour, both taken when the brush paints.
GdiObject monoBrush(const Record &rec)
{
    const RecordReader &r = rec.r;
    GdiObject o;
    o.kind = GdiObject::Brush;
    o.brush.style = GdiBrush::Pattern;
    o.brush.color = rec.dc.textColor();
    o.brush.mono = true;
    if (rec.dc.mayHoldPattern(kMaxPatternPixels))
        o.brush.pattern = monoPattern(r, r.u32(16), r.u32(24), r.u32(28));
    return o;
}

GdiObject dibPatternBrush(const Record &rec)
{
    const RecordReader &r = rec.r;
    GdiObject o;
    o.kind = GdiObject::Brush;
    o.brush.style = GdiBrush::Pattern;
    o.brush.color = Qt::gray;
    // Past the budget of pattern pixels, a grey stand-in.
    if (rec.dc.mayHoldPattern(kMaxPatternPixels))
        o.brush.pattern = brushPattern(
            recordDib(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28), rec.stop, nullptr, rec.dc.dibPalette(r.u32(12))));
    return o;
}

GdiObject font(const RecordReader &r)
{
    GdiObject o;
    o.kind = GdiObject::Font;
    GdiFont &f = o.font;
    f.height = r.i32(12);
    f.width = r.i32(16);
    f.escapement = r.i32(20);
    f.weight = r.i32(28);
    f.italic = r.u8(32);
    f.underline = r.u8(33);
    f.strikeout = r.u8(34);
    f.charset = r.u8(35);
    QString face;
    for (quint32 i = 0; i < 32 && r.has(40 + i * 2, 2); ++i) {
        const QChar c(r.u16(40 + i * 2));
        if (c.isNull())
            break;
        face.append(c);
    }
    f.face = face;
    return o;
}

} // namespace

void selectObject(GdiContext &dc, quint32 handle)
{
    if (handle & kStockObject)
        dc.selectStockObject(int(handle & ~kStockObject));
    else
        dc.selectObject(objectIndex(handle));
}

bool playObjects(const Record &rec)
{
    const RecordReader &r = rec.r;
    GdiContext &dc = rec.dc;
    // Every record that makes an object names its slot first.
    const int slot = objectIndex(r.u32(8));
    switch (rec.type) {
    case EMR_SELECTOBJECT:
        selectObject(dc, r.u32(8));
        break;
    case EMR_DELETEOBJECT:
        dc.deleteObject(slot);
        break;
    case EMR_CREATEPEN:
        dc.setObject(slot, pen(r));
        break;
    case EMR_EXTCREATEPEN:
        dc.setObject(slot, extPen(r));
        break;
    case EMR_CREATEBRUSHINDIRECT:
        dc.setObject(slot, brush(r));
        break;
    case EMR_CREATEMONOBRUSH:
        dc.setObject(slot, monoBrush(rec));
        break;
    case EMR_CREATEDIBPATTERNBRUSHPT:
        dc.setObject(slot, dibPatternBrush(rec));
        break;
    case EMR_EXTCREATEFONTINDIRECTW:
        dc.setObject(slot, font(r));
        break;
    case EMR_CREATEPALETTE: {
        // LOGPALETTE: version, count, then the entries.
        GdiObject o;
        o.kind = GdiObject::Palette;
        if (dc.mayHoldPalette(std::min<int>(r.u16(14), kMaxPaletteEntries)))
            o.palette = paletteEntries(r, 16, r.u16(14), rec.stop);
        dc.setObject(slot, o);
        break;
    }
    case EMR_SELECTPALETTE:
        dc.selectPalette(r.u32(8) & kStockObject ? -1 : slot);
        break;
    case EMR_SETPALETTEENTRIES:
        dc.setPaletteEntries(slot, int(std::min<quint32>(r.u32(12), kMaxPaletteEntries)),
                             paletteEntries(r, 20, r.u32(16), rec.stop));
        break;
    case EMR_RESIZEPALETTE:
        dc.resizePalette(slot, int(std::min<quint32>(r.u32(12), kMaxPaletteEntries)));
        break;
    case EMR_REALIZEPALETTE: // the palette is used as selected
        break;
    default:
        return false;
    }
    return true;
}

} // namespace ptt::metafile::emf
