#pragma once
// What every picture fuzz target shares: a GUI application (fonts for
// metafile text, image plugins) on the offscreen platform, and limits small
// enough that each input stays cheap. Smaller limits only refuse more
// pictures or draw metafiles smaller; the code that runs is the program's.
#include "formats/picture.h"

#include <QGuiApplication>

#include <cstdlib>

namespace ptt::fuzz {

// Images of at most 64 KB: the sanitizer's allocator reuses those, while
// larger ones come fresh from the system each time, a page fault per page.
constexpr qint64 kRasterPixels = 1 << 14;
constexpr int kRenderSide = 128;

inline void startApplication(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES",
            "*.debug=false;qt.gui.imageio*=false;qt.gui.icc=false;qt.text.font.*=false;qt.qpa.fonts=false");
    static QGuiApplication *app = new QGuiApplication(*argc, *argv);
    Q_UNUSED(app);
}

// A refusal always says why; an accepted picture has pixels to read.
inline void checkOutcome(const QImage &image, const QString &error)
{
    if (image.isNull()) {
        if (error.isEmpty())
            std::abort();
        return;
    }
    volatile uchar last = image.constScanLine(image.height() - 1)[image.bytesPerLine() - 1];
    (void)last;
}

} // namespace ptt::fuzz
