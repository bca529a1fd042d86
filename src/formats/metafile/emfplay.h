#pragma once
// Inside the EMF player: one record as its handler sees it, the handlers by
// kind, and the readers of the fields several kinds share. Offsets are from
// the start of the record (type at 0, size at 4).
#include "emfrecords.h"
#include "gdicontext.h"
#include "recordreader.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QTransform>

namespace ptt::metafile::emf {

// One record being played.
struct Record {
    EmfRecord type;
    const RecordReader &r;
    GdiContext &dc;
    DecodeStop *stop;
    const RecordLimits &limits;
    QTransform device; // device units to image pixels, for regions given in device units
};

// Each plays the records of its kind and says whether the record was one.
bool playState(const Record &rec);    // mapping, colours, modes, saved states, world transform
bool playObjects(const Record &rec);  // pens, brushes, fonts: created, selected, deleted
bool playDrawing(const Record &rec);  // lines, shapes, paths, regions, gradients
bool playClipping(const Record &rec); // clip rectangles, regions and paths
bool playBitmaps(const Record &rec);  // bitmaps drawn and blits without one
bool playText(const Record &rec);     // text output

// The handle-table index a record names, capped one past any real slot.
int objectIndex(quint32 handle);
// A handle with this bit names a stock object.
constexpr quint32 kStockObject = 0x80000000u;
// Selects the object a handle names, a stock object or one from the table.
void selectObject(GdiContext &dc, quint32 handle);
// The usual raster operation: source copied.
constexpr quint32 kSrcCopy = 0x00CC0020;

QRectF rectL(const RecordReader &r, quint32 at);
QPointF pointL(const RecordReader &r, quint32 at);
// The bitmap a record carries: BITMAPINFO at offBmi, bits at offBits;
// *bottomUp tells whether its rows run from the bottom. With a palette
// (GdiContext::dibPalette) its colour table holds indexes into it.
QImage recordDib(const RecordReader &r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits,
                 DecodeStop *stop, bool *bottomUp = nullptr, const QVector<QRgb> *palette = nullptr);
// Region data's rectangles (device units) in image pixels.
QRegion regionOf(const RecordReader &r, quint32 at, quint32 cb, const QTransform &toImage, const GdiContext &dc);
// Region data's rectangles as they stand (logical units, in the drawing records).
QRegion logicalRegionOf(const RecordReader &r, quint32 at, quint32 cb, const GdiContext &dc);

} // namespace ptt::metafile::emf
