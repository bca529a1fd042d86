#pragma once
// Builders for picture files made byte by byte, so the loader's tests and
// the fuzzer's seeds need no files from outside the project.
#include <QByteArray>
#include <QPair>
#include <QRect>
#include <QVector>

namespace ptt::test {

void put16(QByteArray *d, int v);
void put32(QByteArray *d, quint32 v);

// A BMP with a 40-byte info header. bits are used as given (they may be
// short or RLE data); palette entries are 0xRRGGBB.
QByteArray craftBmp(int width, int height, int bpp, int compression, const QByteArray &bits,
                    const QVector<quint32> &palette = {});

// A WMF record: function and 16-bit parameters.
QByteArray wmfRecord(quint16 function, const QVector<qint16> &params);
QByteArray wmfEof();
// Standard header (+ placeable header when inch > 0) followed by records.
QByteArray craftWmf(const QByteArray &records, int objects, int inch = 0, QRect box = QRect());

// An EMF record: type and 32-bit parameters.
QByteArray emfRecord(quint32 type, const QVector<qint32> &params);
QByteArray emfEof();
// frame in 0.01 mm (left, top, right, bottom), device 1024x768 px over
// 320x240 mm unless given.
QByteArray craftEmf(const QByteArray &records, QRect frame01mm, int handles = 8, QSize devicePx = QSize(1024, 768),
                    QSize deviceMm = QSize(320, 240));

// A baseline JPEG made by Qt, then the given segments spliced in after SOI.
QByteArray craftJpeg(int width, int height);

// Metafiles made to be expensive rather than broken, each drawing over a
// picture of side x side pixels (device pixels equal picture pixels):
// one GradientFill of `triangles` triangles over the whole picture;
QByteArray craftGradientBomb(int side, int triangles);
// one ExtTextOutW of `chars` characters in a font `fontPixels` high;
QByteArray craftTextBomb(int side, int chars, int fontPixels);
// one Polyline of `points` points zigzagging over the whole picture;
QByteArray craftPolylineBomb(int side, int points);
// (WMF) one region of scans x rectsPerScan rectangles, filled and framed.
QByteArray craftRegionBomb(int side, int scans, int rectsPerScan);
// (EMF) `regions` clip unions of rectsPerRegion rectangles each over a
// 1000 x 1000 picture, then one rectangle over it all through that clip;
QByteArray craftClipUnions(int regions, int rectsPerRegion);
// (EMF, 96 x 96) `brushes` pattern brushes of side x side RLE bitmaps from four
// bytes each, all kept in the object table; the last fills (0,0)-(50,50)
// in its colour 0, green.
QByteArray craftPatternBrushes(int brushes, int side);
// A progressive JPEG of 16 x 16 whose frame is followed by `scans` empty scans.
QByteArray craftJpegManyScans(int scans);
// A WMF region record (CreateRegion) from bands of [left, right) spans.
struct RegionBand {
    int top, bottom;
    QVector<QPair<int, int>> spans;
};
QByteArray wmfRegionRecord(const QVector<RegionBand> &bands, int maxScan);

} // namespace ptt::test
