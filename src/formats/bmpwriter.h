#pragma once
// Writes images as uncompressed 24-bit Windows bitmaps (BITMAPFILEHEADER +
// BITMAPINFOHEADER, bottom-up rows padded to 4 bytes, 96 dpi).
#include "fileio.h"

#include <QImage>
#include <QString>

namespace ptt {

// Size in bytes of the BMP file writeBmp24 produces for an image of w x h.
qint64 bmp24FileSize(int width, int height);

// Writes to an open device.
[[nodiscard]] FileResult writeBmp24(QIODevice *device, const QImage &image);

// Writes a file through saveAtomically: an existing file is never left
// half-written. The name is used as given.
[[nodiscard]] FileResult saveBmp24File(const QString &path, const QImage &image);

} // namespace ptt
