#pragma once
// What both players decode from records, apart from the device context:
// text in a font's character set, packed bitmaps, pattern brushes, regions
// and colours.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QVector>

#include "recordreader.h"

namespace ptt {
class DecodeStop;
}

namespace ptt::metafile {

// Faces whose text is the face's own codes rather than characters.
enum class SymbolFace { None, Symbol, Wingdings, Wingdings2, Wingdings3, MtExtra };
SymbolFace symbolFace(const QString &face);

// Text in a font's character set (the font record's charset byte); the
// system's code page is taken as a Chinese system's. Text in a symbol face
// (Symbol, Euclid Symbol, Wingdings 1 to 3, MT Extra) is that face's codes,
// a byte each, drawn as the signs and pictographs they stand for.
QString decodeAnsi(const QByteArray &bytes, int charset, const QString &face = QString(), DecodeStop *stop = nullptr);
// UTF-16 text in a symbol face mapped likewise (its codes also at F020..F0FF);
// other text unchanged. A code without a counterpart becomes a space. A
// pictograph may take two UTF-16 units where its code took one.
QString fromSymbolCodes(const QString &codes, const QString &face, DecodeStop *stop = nullptr);
// Advances given one per character, spread over the UTF-16 units of text:
// the second unit of a pair advances nothing. Empty when they do not match.
QVector<double> advancesPerUnit(const QString &text, const QVector<double> &perCharacter, DecodeStop *stop);

// Reads a packed DIB (BITMAPINFO followed by the bits) as the metafile records
// carry it. Returns a null image for anything malformed or out of limits.
QImage decodeDib(const uchar *info, quint32 infoSize, const uchar *bits, quint32 bitsSize, DecodeStop *stop);

// A logical palette's entries (red, green, blue, flags each) at `at`: count
// of them, as many as the record holds, at most kMaxPaletteEntries.
constexpr int kMaxPaletteEntries = 4096;
QVector<QRgb> paletteEntries(const RecordReader &r, quint32 at, quint32 count, DecodeStop *stop);

// A DIB's header with a colour table of 16-bit indexes into the palette
// (DIB_PAL_COLORS), rewritten with the colours they name; an index past the
// palette wraps round. *used: the bytes of header, masks and index table
// read. Empty when the header is malformed.
QByteArray withPaletteColours(const uchar *info, quint32 size, const QVector<QRgb> &palette, quint32 *used);

// A pattern brush keeps at most a corner of its bitmap; it repeats anyway.
constexpr int kMaxPatternSide = 256;
constexpr qint64 kMaxPatternPixels = kMaxPatternSide * kMaxPatternSide;
QImage brushPattern(const QImage &bitmap);

// A region from rectangles in the order given (bands top to bottom make it
// quick); stops early when told to.
QRegion regionFromRects(const QVector<QRect> &rects, DecodeStop *stop);

// A COLORREF (red, green, blue, reserved).
inline QColor colorRef(const RecordReader &r, quint32 at)
{
    return QColor(r.u8(at), r.u8(at + 1), r.u8(at + 2));
}

} // namespace ptt::metafile
