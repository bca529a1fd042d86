#pragma once
// The record a turned font is built from: the platform's LOGFONT fields,
// filled from a font description, an angle and the screen's vertical dpi.
#include "formats/fontdesc.h"

#include <QFont>

namespace ptt {

struct LogFontRecord {
    int lfHeight = 0; // negative: character height in pixels, not cell height
    int lfWidth = 0;
    int lfEscapement = 0; // tenths of a degree, counterclockwise
    int lfOrientation = 0;
    int lfWeight = 0;
    quint8 lfItalic = 0; // 255 = on
    quint8 lfUnderline = 0;
    quint8 lfStrikeOut = 0;
    quint8 lfCharSet = 0;
    quint8 lfOutPrecision = 0;
    quint8 lfClipPrecision = 0;
    quint8 lfQuality = 0;
    quint8 lfPitchAndFamily = 0;
    char lfFaceName[32] = {}; // NUL-terminated, in the ANSI code page (GBK)

    QString faceName() const;
};

constexpr quint8 kOemCharset = 255;
constexpr quint8 kAnsiCharset = 0;
constexpr quint8 kOutDefaultPrecis = 0;
constexpr quint8 kOutTtOnlyPrecis = 7;
constexpr quint8 kProofQuality = 2;

// rotation in degrees counterclockwise; dpi is the screen's vertical dpi.
LogFontRecord makeLogFontRecord(const FontDesc &font, float rotation, int dpi);

// Writes a face name into the 32-byte field: GBK, cut at a whole character
// so that at least one NUL remains.
void setFaceName(LogFontRecord &record, const QString &name);

// The unturned QFont a record describes: pixel size from lfHeight, the face
// mapped to the installed faces. The angle is lfEscapement / 10. fullFace,
// when given, replaces a face name the 32-byte field had to cut: installed
// family names here may be longer than the field.
QFont fontFromRecord(const LogFontRecord &record, const QString &fullFace = QString());

// The vertical logical dpi of the primary screen; 96 when there is none.
int screenDpiY();

} // namespace ptt
