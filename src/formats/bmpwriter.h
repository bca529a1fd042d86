#pragma once
// Writes images as uncompressed 24-bit Windows bitmaps (BITMAPFILEHEADER +
// BITMAPINFOHEADER, bottom-up rows padded to 4 bytes, 96 dpi).
#include <QImage>
#include <QString>

class QIODevice;

namespace ptt {

// Size in bytes of the BMP file writeBmp24 produces for an image of w x h.
qint64 bmp24FileSize(int width, int height);

// Writes to an open device. On failure returns false and sets *error.
bool writeBmp24(QIODevice *device, const QImage &image, QString *error = nullptr);

// Writes to a file through a temporary file beside it, renamed on success,
// so an existing file is never left half-written. The name is used as given.
bool saveBmp24File(const QString &path, const QImage &image, QString *error = nullptr);

} // namespace ptt
