#include "testsupport.h"

#include "formats/bandsource.h"
#include "formats/fontdesc.h"
#include "platform/appdir.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>

#include <cstring>

namespace ptt::test {

TempAppDir::TempAppDir()
{
    setAppDirOverride(m_dir.path());
}

TempAppDir::~TempAppDir()
{
    setAppDirOverride(QString());
}

QString testDataDir()
{
    const QString dir = QStringLiteral(PTT_TESTDATA_DIR);
    return QDir(dir).exists() ? QDir(dir).absolutePath() : QString();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeImage(const QString &path, const QImage &image, const char *format)
{
    QImageWriter writer(path, format);
    return writer.write(image);
}

QImage drawInBands(BandSource &source, int bandHeight, QString *error)
{
    const QSize page = source.pageSize();
    QImage whole(page, QImage::Format_RGB32);
    QImage band(page.width(), bandHeight, QImage::Format_RGB32);
    for (int top = 0; top < page.height(); top += bandHeight) {
        if (top + bandHeight > page.height())
            band = QImage(page.width(), page.height() - top, QImage::Format_RGB32);
        band.fill(qRgb(0x12, 0x34, 0x56));
        if (!source.drawBand(band, top)) {
            if (error)
                *error = source.error();
            return QImage();
        }
        for (int y = 0; y < band.height(); ++y)
            std::memcpy(whole.scanLine(top + y), band.constScanLine(y), size_t(band.bytesPerLine()));
    }
    return whole;
}

QImage patternImage(int width, int height, bool withAlpha)
{
    QImage image(width, height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int alpha = withAlpha ? ((x + y) % 3 == 0 ? 0 : (x % 2 ? 255 : 128)) : 255;
            line[x] = qRgba((x * 7 + y) & 0xff, (y * 5 + 3 * x) & 0xff, (x ^ y) & 0xff, alpha);
        }
    }
    return image;
}

QRect changedBox(const QImage &now, const QImage &before)
{
    QRect box;
    for (int y = 0; y < now.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(now.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(before.constScanLine(y));
        for (int x = 0; x < now.width(); ++x)
            if (a[x] != b[x])
                box |= QRect(x, y, 1, 1);
    }
    return box;
}

void initFonts()
{
    installFontSubstitutions();
}

FontDesc songFont(double size, int charset)
{
    FontDesc f;
    f.name = QStringLiteral("宋体");
    f.size = size;
    f.bold = true;
    f.weight = 700;
    f.charset = charset;
    return f;
}

} // namespace ptt::test
