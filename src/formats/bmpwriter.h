#pragma once
// Writes pages as uncompressed 24-bit Windows bitmaps (BITMAPFILEHEADER +
// BITMAPINFOHEADER, bottom-up rows padded to 4 bytes, 96 dpi), from an image
// in memory or band by band from a BandSource, so a page need not fit in memory.
#include "bandsource.h"
#include "fileio.h"

#include <QImage>
#include <QString>

namespace ptt {

// Size in bytes of the BMP file writeBmp24 produces for an image of w x h.
qint64 bmp24FileSize(int width, int height);

// A failed result, with a sentence naming the size, for a page the format cannot
// hold (empty, or a file over 4 GiB); success otherwise.
FileResult checkBmp24Size(const QSize &page);

struct BmpWriteOptions {
    Progress progress;          // told the share of rows written; false stops with FileResult::userCancelled()
    qint64 bandBytes = 4 << 20; // about how much of the page is drawn at a time (RGB32)
};

// Writes to an open device. progress may be empty.
[[nodiscard]] FileResult writeBmp24(QIODevice *device, const QImage &image, const Progress &progress = {});
// The same bytes for the same page, drawn band by band from the bottom up.
[[nodiscard]] FileResult writeBmp24(QIODevice *device, BandSource &source, const BmpWriteOptions &options = {});

// Write a file through saveAtomically: an existing file is never left
// half-written, a stopped or failed write leaves no file behind. The name is
// used as given.
[[nodiscard]] FileResult saveBmp24File(const QString &path, const QImage &image, const Progress &progress = {});
[[nodiscard]] FileResult saveBmp24File(const QString &path, BandSource &source, const BmpWriteOptions &options = {});

// An image in memory seen as bands.
class ImageBandSource : public BandSource {
public:
    explicit ImageBandSource(const QImage &image);
    QSize pageSize() const override { return m_image.size(); }
    bool drawBand(QImage &band, int top) override;

private:
    QImage m_image;
};

} // namespace ptt
