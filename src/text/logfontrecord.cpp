#include "logfontrecord.h"

#include "platform/units.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cmath>
#include <cstring>

namespace ptt {

namespace {

// qGuiApp is a plain cast and is set under a QCoreApplication too.
bool haveGuiApp()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

quint8 flag(bool on)
{
    return on ? 255 : 0;
}

} // namespace

QString LogFontRecord::faceName() const
{
    const qsizetype length = qsizetype(strnlen(lfFaceName, sizeof lfFaceName));
    QStringDecoder decode("GBK");
    return decode(QByteArrayView(lfFaceName, length));
}

void setFaceName(LogFontRecord &record, const QString &name)
{
    std::memset(record.lfFaceName, 0, sizeof record.lfFaceName);
    QStringEncoder encode("GBK");
    qsizetype used = 0;
    // Character by character, so a double-byte character is never cut in half.
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype step = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QByteArray bytes = encode(QStringView(name).mid(i, step));
        if (used + bytes.size() > qsizetype(sizeof record.lfFaceName) - 1)
            break;
        std::memcpy(record.lfFaceName + used, bytes.constData(), size_t(bytes.size()));
        used += bytes.size();
        i += step;
    }
}

LogFontRecord makeLogFontRecord(const FontDesc &font, float rotation, int dpi)
{
    const double angle = std::isfinite(rotation) ? double(rotation) : 0.0;
    const double whole = roundHalfEven(angle);
    const bool turned = std::fmod(whole, 360.0) != 0.0;

    LogFontRecord r;
    r.lfHeight = roundHalfEvenInt(-(font.size * dpi / 72.0));
    r.lfWidth = 0;
    r.lfEscapement = roundHalfEvenInt(angle * 10.0);
    r.lfOrientation = r.lfEscapement;
    r.lfWeight = font.weight;
    r.lfItalic = flag(font.italic);
    r.lfUnderline = flag(font.underline);
    r.lfStrikeOut = flag(font.strikethrough);
    r.lfCharSet = quint8(font.charset);
    // OEM fonts are raster fonts that cannot turn.
    if (r.lfCharSet == kOemCharset && turned)
        r.lfCharSet = kAnsiCharset;
    r.lfOutPrecision = turned ? kOutTtOnlyPrecis : kOutDefaultPrecis;
    r.lfClipPrecision = 0;
    r.lfQuality = kProofQuality;
    r.lfPitchAndFamily = 0;
    setFaceName(r, font.name);
    return r;
}

QFont fontFromRecord(const LogFontRecord &record, const QString &fullFace)
{
    QString face = record.faceName();
    if (!fullFace.isEmpty()) {
        LogFontRecord probe;
        setFaceName(probe, fullFace);
        if (std::memcmp(probe.lfFaceName, record.lfFaceName, sizeof probe.lfFaceName) == 0)
            face = fullFace;
    }
    QFont font;
    // The font database needs a GUI application; without one the
    // substitutions installed in QFont still apply.
    const QString installed = haveGuiApp() ? substituteFace(face) : face;
    if (!face.isEmpty())
        font.setFamilies(installed == face ? QStringList{face} : QStringList{installed, face});
    // A height of 0 asks for the default size; a positive one is the cell
    // height, which comes close enough to the character height here.
    const int height = record.lfHeight == 0 ? 12 : (record.lfHeight == INT_MIN ? INT_MAX : std::abs(record.lfHeight));
    font.setPixelSize(qBound(1, height, 32767));
    font.setWeight(QFont::Weight(qBound(1, record.lfWeight > 0 ? record.lfWeight : 400, 1000)));
    font.setItalic(record.lfItalic != 0);
    font.setUnderline(record.lfUnderline != 0);
    font.setStrikeOut(record.lfStrikeOut != 0);
    return font;
}

int screenDpiY()
{
    if (haveGuiApp()) {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const int dpi = roundHalfEvenInt(screen->logicalDotsPerInchY());
            if (dpi > 0)
                return dpi;
        }
    }
    return 96;
}

} // namespace ptt
