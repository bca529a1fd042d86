#include "decoding.h"

#include "../decodestop.h"
#include "../picture_raster.h"

#include <QStringDecoder>

namespace ptt::metafile {

namespace {

constexpr qint64 kMaxEmbeddedPixels = 4096ll * 4096;

// The Symbol face's codes 0x20 to 0xFF as Unicode; 0 where it has no glyph.
constexpr char16_t kSymbolCodes[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, // 0x20
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F, // 0x28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, // 0x30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, // 0x38
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, // 0x40
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F, // 0x48
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, // 0x50
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F, // 0x58
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, // 0x60
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, // 0x68
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, // 0x70
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0000, // 0x78
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, // 0x80
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, // 0x88
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, // 0x90
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, // 0x98
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, // 0xA0
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193, // 0xA8
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, // 0xB0
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5, // 0xB8
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, // 0xC0
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209, // 0xC8
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, // 0xD0
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3, // 0xD8
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, // 0xE0
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA, // 0xE8
    0x0000, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, // 0xF0
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0000, // 0xF8
};

bool symbolFace(const QString &face)
{
    return face.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0 ||
           face.compare(QLatin1String("Euclid Symbol"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString fromSymbolCodes(const QString &codes, const QString &face)
{
    if (!symbolFace(face))
        return codes;
    QString text = codes;
    for (QChar &c : text) {
        // Such faces are also written in the private use area at F020..F0FF.
        char16_t u = c.unicode();
        if (u >= 0xF020 && u <= 0xF0FF)
            u -= 0xF000;
        if (u >= 0x20 && u <= 0xFF && kSymbolCodes[u - 0x20])
            c = QChar(kSymbolCodes[u - 0x20]);
    }
    return text;
}

QString decodeAnsi(const QByteArray &bytes, int charset, const QString &face)
{
    // A symbol face's bytes are its own codes, one byte each, whatever the charset.
    if (symbolFace(face))
        return fromSymbolCodes(QString::fromLatin1(bytes), face);
    const char *codec = "windows-1252";
    switch (charset) {
    case 1: // the system's code page: a Chinese system's is GBK
    case 134:
        codec = "GBK";
        break;
    case 136:
        codec = "Big5";
        break;
    case 128:
        codec = "Shift_JIS";
        break;
    case 129:
        codec = "EUC-KR";
        break;
    case 161:
        codec = "windows-1253";
        break;
    case 162:
        codec = "windows-1254";
        break;
    case 204:
        codec = "windows-1251";
        break;
    case 238:
        codec = "windows-1250";
        break;
    case 2:
        return QString::fromLatin1(bytes);
    default:
        break;
    }
    QStringDecoder dec(codec);
    if (!dec.isValid())
        return QString::fromLatin1(bytes);
    return dec(bytes);
}

QImage decodeDib(const uchar *info, quint32 infoSize, const uchar *bits, quint32 bitsSize, DecodeStop *stop)
{
    // Without separate bits, "info" is the whole packed bitmap.
    if (!info || infoSize < 12 || infoSize > (256u << 20) || bitsSize > (256u << 20))
        return QImage();
    QString error;
    // Bitmaps inside a metafile are held as brushes or drawn one per record:
    // a smaller cap keeps many of them within memory.
    if (bits && bitsSize)
        return ptt::detail::decodeDibChecked(info, infoSize, bits, bitsSize, &error, kMaxEmbeddedPixels, stop);
    return ptt::detail::decodeDibChecked(info, infoSize, &error, kMaxEmbeddedPixels, stop);
}

QVector<QRgb> paletteEntries(const RecordReader &r, quint32 at, quint32 count, DecodeStop *stop)
{
    QVector<QRgb> entries;
    for (quint32 i = 0; i < count && i < quint32(kMaxPaletteEntries) && r.has(at + quint64(i) * 4, 4); ++i) {
        if (stop->poll())
            break;
        const quint32 e = at + i * 4;
        entries.append(qRgb(r.u8(e), r.u8(e + 1), r.u8(e + 2)));
    }
    return entries;
}

QByteArray withPaletteColours(const uchar *info, quint32 size, const QVector<QRgb> &palette, quint32 *used)
{
    const RecordReader r(info, size);
    const quint32 hs = r.u32(0);
    // Between the core header and the 40-byte one there is no colour count to rewrite.
    if (hs < 12 || (hs > 12 && hs < 40) || hs > 124 || !r.has(0, hs) || palette.isEmpty())
        return QByteArray();
    const bool core = hs == 12;
    const quint32 bpp = core ? r.u16(10) : r.u16(14);
    const quint32 compression = core ? 0 : r.u32(16);
    quint32 colours = core ? 0 : r.u32(32);
    if (colours == 0 && bpp <= 8)
        colours = 1u << bpp;
    colours = std::min(colours, 256u);
    const quint32 masks = (hs == 40 && compression == 3) ? 12 : (hs == 40 && compression == 6) ? 16 : 0;
    if (!r.has(0, quint64(hs) + masks + colours * 2))
        return QByteArray();
    QByteArray out(reinterpret_cast<const char *>(info), qsizetype(hs + masks));
    if (!core) // the table written is as long as the header says
        for (int i = 0; i < 4; ++i)
            out[32 + i] = char((colours >> (8 * i)) & 0xff);
    for (quint32 i = 0; i < colours; ++i) {
        const QRgb c = palette[r.u16(hs + masks + i * 2) % palette.size()];
        out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        if (!core)
            out.append('\0');
    }
    *used = hs + masks + colours * 2;
    return out;
}

QImage brushPattern(const QImage &bitmap)
{
    if (bitmap.width() <= kMaxPatternSide && bitmap.height() <= kMaxPatternSide)
        return bitmap;
    return bitmap.copy(0, 0, std::min(bitmap.width(), kMaxPatternSide), std::min(bitmap.height(), kMaxPatternSide));
}

QRegion regionFromRects(const QVector<QRect> &rects, DecodeStop *stop)
{
    QRegion region;
    for (const QRect &r : rects) {
        if (stop->poll())
            break;
        region += r;
    }
    return region;
}

} // namespace ptt::metafile
