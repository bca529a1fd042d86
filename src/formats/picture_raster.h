#pragma once
// Raster picture files: our own header walk before Qt's decoders see a byte,
// then decoding into images that never show unwritten pixels.
#include "decodestop.h"
#include "picture.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace ptt::detail {

QString tooLargeMessage();

// An image of zero bytes (Indexed8, or a 32-bit format), allocated so that a
// large one costs no pass over its pixels: memory fresh from the system is
// zero already. Null when memory is short.
QImage zeroedImage(QSize size, QImage::Format format);
QString corruptMessage();

// Empty when the size is within the limits, otherwise the sentence to show.
QString checkDimensions(qint64 width, qint64 height);

// Checks the header of a raster file of the given (sniffed) format; on
// success stores the size its decoder works at (for a GIF, enough for the
// screen and the first frame where it lies), and in onePass whether the
// decoder reads it in a single pass (false for progressive JPEG).
bool checkRasterHeader(PictureFormat format, const QByteArray &data, QSize *size, QString *error,
                       DecodeStop *stop = nullptr, bool *onePass = nullptr);

// Decodes a raster file whose header passed checkRasterHeader. Pictures of
// more than maxPixels are refused.
QImage decodeRaster(PictureFormat format, const QByteArray &data, QString *error, DecodeStop *stop = nullptr,
                    qint64 maxPixels = PictureLimits::maxPixels);

// A packed DIB (info header, colour table, bits) of size bytes, or one in
// two parts (info header and colour table; bits). Bitmaps of more than
// maxPixels are refused. The bytes are read where they lie, not copied.
QImage decodeDibChecked(const uchar *packed, quint64 size, QString *error, qint64 maxPixels = PictureLimits::maxPixels,
                        DecodeStop *stop = nullptr);
QImage decodeDibChecked(const uchar *info, quint32 infoSize, const uchar *bits, quint64 bitsSize, QString *error,
                        qint64 maxPixels = PictureLimits::maxPixels, DecodeStop *stop = nullptr);

// Bytes of one row of a DIB, padded to four bytes.
inline quint64 dibStride(quint64 width, quint32 bpp)
{
    return ((width * bpp + 31) / 32) * 4;
}

// The JPEG walk's limit on scans: more is a hostile file.
constexpr int kMaxJpegScans = 100;

} // namespace ptt::detail
