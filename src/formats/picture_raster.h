#pragma once
// Raster picture files: our own header walk before Qt's decoders see a byte,
// then decoding into images that never show unwritten pixels.
#include "picture.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace ptt::detail {

QString tooLargeMessage();
QString corruptMessage();

// Empty when the size is within the limits, otherwise the sentence to show.
QString checkDimensions(qint64 width, qint64 height);

// Checks the header of a raster file of the given (sniffed) format; on
// success stores the picture's size.
bool checkRasterHeader(PictureFormat format, const QByteArray &data, QSize *size, QString *error);

// Decodes a raster file whose header passed checkRasterHeader.
QImage decodeRaster(PictureFormat format, const QByteArray &data, QString *error);

// A packed DIB (info header, colour table, bits). bitsOffset 0 works the
// offset out from the header. Bitmaps of more than maxPixels are refused.
QImage decodeDibChecked(
    const QByteArray &packed, quint32 bitsOffset, QString *error, qint64 maxPixels = PictureLimits::maxPixels);

// The JPEG walk's limit on scans: more is a hostile file.
constexpr int kMaxJpegScans = 100;

} // namespace ptt::detail
