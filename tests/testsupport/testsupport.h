#pragma once
// Shared helpers of the tests: a temporary program folder, test pictures,
// pixel checks, fonts.
#include "formats/fontdesc.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

namespace ptt {
class BandSource;
}

namespace ptt::test {

// Points AppDir at a fresh temporary folder for the life of the object.
class TempAppDir {
public:
    TempAppDir();
    ~TempAppDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// Folder of the third-party test pictures; empty when not present.
QString testDataDir();

// The whole content of a file; empty when it cannot be read.
QByteArray fileBytes(const QString &path);

// Writes an image in a given Qt format ("BMP", "JPG", "GIF", "PNG").
bool writeImage(const QString &path, const QImage &image, const char *format);

// A picture of the given size whose pixels encode their position, so any
// misplacement or scaling fault shows in a pixel comparison.
QImage patternImage(int width, int height, bool withAlpha = false);

// Bounding box of every pixel that differs between two images of one size.
QRect changedBox(const QImage &now, const QImage &before);

// The whole page of a band source drawn in bands of bandHeight rows (the last
// one shorter), each band first filled with junk, as a writer would reuse it.
// A null image, with *error set, when a band fails.
QImage drawInBands(BandSource &source, int bandHeight, QString *error = nullptr);

// Sets up the program's fonts for widget tests.
void initFonts();

// The bold Song face in GB2312 that the main window's page starts with (14.25 pt).
FontDesc songFont(double size = 14.25, int charset = FontDesc::kCharsetGB2312);

} // namespace ptt::test
