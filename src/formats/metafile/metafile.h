#pragma once
// Windows metafiles (WMF, placeable or not, and EMF): header checks, natural
// size at 96 dpi, and a record player that draws on a QImage through QPainter.
#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include "../picture.h"

namespace ptt {
class DecodeStop;
}

namespace ptt::metafile {

struct MetafileInfo {
    bool emf = false;
    bool placeable = false;
    QSize naturalSize;   // pixels at 96 dpi
    QRectF window;       // logical rectangle mapped onto the picture (WMF)
    int mapMode = 1;     // map mode of the first window extent (WMF)
    QRectF framePixels;  // EMF: the frame in reference-device pixels
    int objectCount = 0; // handle table size from the header
};

// Checks the header and every record's framing, and works out the natural
// size. Returns false with a sentence for the user when the file is refused.
bool probeWmf(const QByteArray &data, MetafileInfo *info, QString *error, DecodeStop *stop = nullptr);
bool probeEmf(const QByteArray &data, MetafileInfo *info, QString *error, DecodeStop *stop = nullptr);

// Plays the records into an image of imageSize (the natural size or a reduced
// one), transparent where no record draws. Stops early, returning what is
// drawn so far, when *stop says so (no stop: plays to the end). Never reads
// outside data.
QImage playWmf(const QByteArray &data, const MetafileInfo &info, QSize imageSize, DecodeStop *stop = nullptr);
QImage playEmf(const QByteArray &data, const MetafileInfo &info, QSize imageSize, DecodeStop *stop = nullptr);

// The natural size, scaled down to fit maxSide when it is larger.
QSize renderSizeFor(QSize naturalSize, int maxSide = PictureLimits::maxRenderSide);

} // namespace ptt::metafile
