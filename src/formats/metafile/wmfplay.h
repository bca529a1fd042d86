#pragma once
// Inside the WMF player: one record as its handler sees it, the handlers by
// kind, and the readers of the fields several kinds share. Offsets are from
// the start of the record; its parameters start at kParams, after the size
// (32 bits) and the function (16 bits).
#include "gdicontext.h"
#include "recordreader.h"
#include "wmfrecords.h"

#include <QImage>
#include <QPointF>
#include <QRectF>

namespace ptt::metafile::wmf {

constexpr quint32 kParams = 6;

// One record being played.
struct Record {
    WmfRecord fn;
    const RecordReader &r;
    GdiContext &dc;
    DecodeStop *stop;
    int pointLimit; // points of one record
};

// Each plays the records of its kind and says whether the record was one.
bool playState(const Record &rec);    // mapping, colours, modes, saved states
bool playObjects(const Record &rec);  // pens, brushes, fonts, regions: created, selected, deleted
bool playDrawing(const Record &rec);  // lines, shapes, regions filled and framed
bool playClipping(const Record &rec); // clip rectangles and regions
bool playBitmaps(const Record &rec);  // bitmaps drawn and blits without one
bool playText(const Record &rec);     // text output

// The usual raster operation: source copied.
constexpr quint32 kSrcCopy = 0x00CC0020;

// A point stored as y, x.
inline QPointF pointYX(const RecordReader &r, quint32 at)
{
    return QPointF(r.i16(at + 2), r.i16(at));
}
// A rectangle stored as bottom, right, top, left.
QRectF rectBRTL(const RecordReader &r, quint32 at);
// A DIB at the record's tail: BITMAPINFO, colour table, bits; *bottomUp
// tells whether its rows run from the bottom. With a palette
// (GdiContext::dibPalette) its colour table holds indexes into it.
QImage tailDib(const RecordReader &r, quint32 at, DecodeStop *stop, bool *bottomUp = nullptr,
               const QVector<QRgb> *palette = nullptr);

} // namespace ptt::metafile::wmf
