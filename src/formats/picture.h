#pragma once
// Picture files: BMP/DIB, JPEG, GIF, ICO/CUR, WMF and EMF.
// The format is decided by the file's first bytes, never by its name. Every
// header is checked by our own code before a decoder runs, what one record
// of a metafile may cost is bounded before it is drawn, and decoding runs off
// the calling thread with a time limit (except small one-pass raster
// pictures, whose worst case is a few tens of milliseconds), so a hostile
// file is refused rather than hanging, crashing or exhausting memory.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace ptt {

// An image loaded from a picture file, with its natural size in pixels at
// 96 dpi. For raster files the image has the natural size; a metafile may be
// rendered at a reduced scale, so always draw it into naturalSize.
struct Picture {
    QImage image;
    QSize naturalSize;

    bool isNull() const { return image.isNull(); }
    int width() const { return naturalSize.width(); }
    int height() const { return naturalSize.height(); }
};

enum class PictureFormat { Unknown, Bmp, Dib, Jpeg, Gif, Ico, Cur, Wmf, Emf };

struct PictureLoadResult {
    Picture picture;
    QString error; // a sentence for the user when loading failed
    bool ok() const { return !picture.isNull(); }
};

// Limits checked before any decoder runs.
struct PictureLimits {
    static constexpr qint64 maxFileBytes = 256ll << 20;
    static constexpr int maxSide = 32767;
    static constexpr qint64 maxPixels = 64ll * 1000 * 1000;
    static constexpr int maxRenderSide = 4096; // metafiles larger are drawn reduced
};

// What one decode may produce. The program uses the defaults; fuzzing uses
// smaller ones so that each input stays cheap. Smaller limits only refuse
// more pictures (raster) or draw metafiles smaller, never change a pixel's
// meaning.
struct DecodeLimits {
    qint64 rasterPixels = PictureLimits::maxPixels;
    int renderSide = PictureLimits::maxRenderSide;
};

PictureFormat sniffPictureFormat(const QByteArray &head);

PictureLoadResult loadPicture(const QString &path);
PictureLoadResult loadPictureFromData(const QByteArray &data);

// The same work on the calling thread, with no time limit: for fuzzing and
// tools that run in a child process.
PictureLoadResult decodePictureNow(const QByteArray &data, const DecodeLimits &limits = {});

// Time a decode may take before the load gives up (milliseconds), counted
// from the moment the decode starts. A decode given up on is told to stop
// and does so within a fraction of a second.
void setPictureDecodeTimeout(int ms);
int pictureDecodeTimeout();

// Decodes executing right now, including those their loads gave up on.
int runningPictureDecodes();

// Waits until no decode is executing, however long that takes: a decode given
// up on stops on its own, so this returns soon unless one fails to stop.
void waitForPictureDecodes();

// Pictures that passed every check and went to a decoder (a raster reader or
// a metafile player) since the program started: tells a refusal by the
// checks from one by a decoder.
qint64 pictureDecodesStarted();

} // namespace ptt
