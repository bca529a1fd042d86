#include "decoding.h"

#include "../decodestop.h"
#include "../picture_raster.h"

#include <QStringDecoder>

namespace ptt::metafile {

namespace {

constexpr qint64 kMaxEmbeddedPixels = 4096ll * 4096;

} // namespace

QString decodeAnsi(const QByteArray &bytes, int charset)
{
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
