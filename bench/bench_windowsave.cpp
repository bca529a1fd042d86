// Prints how long the windows' bitmap save of the start page takes (the streaming writer with its
// progress dialog, through a temporary file and a rename; synced to the disk first when it replaces a
// file) beside QImage::save(..., "BMP"), which neither syncs nor renames, and our writer into a plain
// file the way QImage::save writes. Each writer makes a new file unless the case says otherwise.
//
//   bench_windowsave [--dir FOLDER]
#include "formats/bmpwriter.h"
#include "pageops/samples.h"
#include "pageops/saveasbitmap.h"
#include "pageops/tilepage.h"
#include "platform/dialogs.h"
#include "testsupport/scripteddialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <unistd.h>

using namespace ptt;

namespace {

double bestOf(int runs, const QString &removed, const std::function<void()> &work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        if (!removed.isEmpty())
            QFile::remove(removed);
        ::sync(); // one writer does not pay for the other's write-back
        QElapsedTimer timer;
        timer.start();
        work();
        best = qMin(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int dirAt = int(args.indexOf(QStringLiteral("--dir")));
    QTemporaryDir dir(dirAt > 0 && dirAt + 1 < args.size() ? args.at(dirAt + 1) + QStringLiteral("/bench-XXXXXX")
                                                           : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    if (!dir.isValid())
        return 1;
    // The start page as the main window holds it: 2863 x 2196 pixels tiled with the stored pattern.
    QImage page(2863, 2196, QImage::Format_RGB32);
    page.fill(QColor(0, 64, 0));
    const Picture pattern = patternPicture();
    TilePage(page, pattern.image, pattern.naturalSize);
    const QString path = dir.filePath(QStringLiteral("page.bmp"));
    constexpr int kRuns = 15;

    ScriptedDialogs dialogs; // lets every progress dialog run to the end
    CommonDialog dialog;
    const auto windowsSave = [&] {
        if (!SaveBitmapFile(dialog, path, page))
            std::fprintf(stderr, "save failed\n");
    };
    const double windows = bestOf(kRuns, path, windowsSave);
    const double replacing = bestOf(kRuns, QString(), windowsSave);
    const double plain = bestOf(kRuns, path, [&] {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !writeBmp24(&file, page))
            std::fprintf(stderr, "write failed\n");
    });
    const double qt = bestOf(kRuns, path, [&] {
        if (!page.save(path, "BMP"))
            std::fprintf(stderr, "QImage::save failed\n");
    });
    std::printf(
        "| case | windows' save (ms) | the same, replacing a file: synced (ms) | our writer, plain file (ms) | "
        "QImage::save BMP (ms) | save / Qt | replacing / Qt | plain / Qt |\n|---|---|---|---|---|---|---|---|\n");
    std::printf("| start page 2863x2196 | %.1f | %.1f | %.1f | %.1f | %.2f | %.2f | %.2f |\n", windows, replacing,
                plain, qt, windows / qt, replacing / qt, plain / qt);
    return 0;
}
