// Prints how fast TilePage and the BMP writer are, beside memset and memcpy of
// the same page, the per-tile painter loop, QImage's own BMP writer and
// ImageMagick's tiling where it is installed.
//
//   bench_tilepage [--quick] [--no-magick] [--dir FOLDER]
//
// Ratios are against memset of the page's bytes in the same run.
#include "formats/bmpwriter.h"
#include "formats/picture.h"
#include "pageops/tilepage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif
#include <cstring>
#include <functional>
#include <vector>

using namespace ptt;

namespace {

double bestOf(int runs, const std::function<void()> &work, bool settleDisk = false)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
#if defined(Q_OS_UNIX)
        // Let earlier files reach the disk first, so one writer does not pay
        // for the other's write-back.
        if (settleDisk)
            ::sync();
#endif
        QElapsedTimer timer;
        timer.start();
        work();
        best = qMin(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

QString magickProgram()
{
    // The plain binaries first: a wrapper script in front of them would add
    // its own start-up to every figure.
    for (const char *name : {"magick", "convert-im6.q16", "convert-im6", "convert"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

// Runs ImageMagick's tiling of pattern over a w x h page into a BMP file.
// Returns milliseconds, or a negative number when it failed or took too long.
double magickTile(const QString &program, int w, int h, const QString &pattern, const QString &out)
{
    QStringList args;
    // Raise the default resource limits so large pages are not refused.
    args << QStringLiteral("-limit") << QStringLiteral("width") << QStringLiteral("64KP") << QStringLiteral("-limit")
         << QStringLiteral("height") << QStringLiteral("64KP") << QStringLiteral("-limit") << QStringLiteral("area")
         << QStringLiteral("2GP") << QStringLiteral("-limit") << QStringLiteral("disk") << QStringLiteral("16GiB")
         << QStringLiteral("-size") << QStringLiteral("%1x%2").arg(w).arg(h) << QStringLiteral("tile:") + pattern
         << QStringLiteral("BMP3:") + out;
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        return -2;
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || !QFile::exists(out))
        return -1;
    return ms;
}

struct Case {
    QString name;
    QSize page;
    QImage source;
    QSize tile;
};

// A figure of a write that failed would mean nothing.
void mustWrite(const FileResult &result)
{
    if (!result) {
        std::fprintf(stderr, "write failed: %s\n", qPrintable(result.error));
        std::exit(1);
    }
}

QString figure(double ms)
{
    if (ms == -3)
        return QStringLiteral("skipped");
    if (ms == -2)
        return QStringLiteral("timeout");
    if (ms < 0)
        return QStringLiteral("failed");
    return QString::number(ms, 'f', ms < 10 ? 2 : 1);
}

QString ratio(double ms, double base)
{
    if (ms < 0 || base <= 0)
        return QStringLiteral("-");
    return QString::number(ms / base, 'f', 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool quick = args.contains(QStringLiteral("--quick"));
    const bool noMagick = args.contains(QStringLiteral("--no-magick"));
    QString dir;
    if (const int i = args.indexOf(QStringLiteral("--dir")); i >= 0 && i + 1 < args.size())
        dir = args.at(i + 1);
    QTemporaryDir tempDir(dir.isEmpty() ? QDir::tempPath() + QStringLiteral("/bench_tilepage-XXXXXX")
                                        : dir + QStringLiteral("/bench_tilepage-XXXXXX"));
    if (!tempDir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }

    const QString pictures = QStringLiteral(PTT_SOURCE_DIR "/resources/pictures/");
    const QImage pattern = loadPicture(pictures + QStringLiteral("pattern.bmp")).picture.image;
    const QImage sample = loadPicture(pictures + QStringLiteral("samples/sample01.jpg")).picture.image;
    if (pattern.isNull() || sample.isNull()) {
        std::fprintf(stderr, "cannot read the stored pictures under %s\n", qPrintable(pictures));
        return 1;
    }
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(qRgb(200, 40, 90));
    // A partly transparent pattern as GIF and ICO pictures load.
    QImage seeThrough = pattern.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < seeThrough.height(); ++y)
        for (int x = 0; x < seeThrough.width(); ++x)
            if ((x / 24 + y / 24) % 2)
                seeThrough.setPixel(x, y, seeThrough.pixel(x, y) & 0x80ffffff);

    const QSize startPage(2863, 2196);
    const QSize patternTile = pattern.size();
    std::vector<Case> cases = {
        {QStringLiteral("start page, 382x383 pattern"), startPage, pattern, patternTile},
        {QStringLiteral("start page, 685x685 sample scaled"), startPage, sample, patternTile},
        {QStringLiteral("start page, 1x1 pattern"), startPage, dot, QSize(1, 1)},
        {QStringLiteral("start page, half-transparent pattern"), startPage, seeThrough, patternTile},
        {QStringLiteral("8000x8000, 382x383 pattern"), QSize(8000, 8000), pattern, patternTile},
        {QStringLiteral("8000x8000, sample scaled"), QSize(8000, 8000), sample, patternTile},
        {QStringLiteral("8000x8000, 1x1 pattern"), QSize(8000, 8000), dot, QSize(1, 1)},
    };
    if (!quick) {
        cases.push_back({QStringLiteral("20000x20000, 382x383 pattern"), QSize(20000, 20000), pattern, patternTile});
        cases.push_back({QStringLiteral("20000x20000, sample scaled"), QSize(20000, 20000), sample, patternTile});
        cases.push_back({QStringLiteral("20000x20000, 1x1 pattern"), QSize(20000, 20000), dot, QSize(1, 1)});
    }

    const QString magick = noMagick ? QString() : magickProgram();
    std::printf("Times in milliseconds, best of several runs; x = ratio to memset of the page.\n");
    std::printf("ImageMagick: %s\n\n", magick.isEmpty() ? "not used" : qPrintable(magick));
    std::printf("| case | memset | memcpy | plain loop | TilePage | x memset | writeBmp24 | QImage BMP | "
                "ours / Qt | saveBmp24File (synced) | ImageMagick | tile+save | / ImageMagick |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);

    for (const Case &c : cases) {
        QImage page(c.page, QImage::Format_RGB32);
        if (page.isNull()) {
            std::printf("| %s | out of memory |\n", qPrintable(c.name));
            continue;
        }
        page.fill(Qt::white);
        const size_t bytes = size_t(page.sizeInBytes());
        const bool huge = qint64(c.page.width()) * c.page.height() > 100'000'000;
        const int runs = huge ? 2 : 5;

        const double memsetMs = bestOf(runs, [&] { std::memset(page.bits(), 0x5a, bytes); });
        double memcpyMs = -3;
        {
            std::vector<uchar> other(bytes, 1);
            memcpyMs = bestOf(runs, [&] { std::memcpy(other.data(), page.constBits(), bytes); });
        }

        // The plain loop only where it ends in reasonable time.
        const QSize grid = tileGrid(c.page, c.tile);
        const qint64 tiles = qint64(grid.width()) * grid.height();
        double plainMs = -3;
        if (tiles <= 7'000'000 && !(huge && quick))
            plainMs = bestOf(huge ? 1 : 2, [&] { TilePageReference(page, c.source, c.tile); });

        const double tileMs = bestOf(runs, [&] { TilePage(page, c.source, c.tile); });

        const QString ours = tempDir.filePath(QStringLiteral("ours.bmp"));
        const QString theirs = tempDir.filePath(QStringLiteral("qt.bmp"));
        // Our writer straight into a file, as QImage::save writes, and through
        // the temporary file that is synced to disk and renamed.
        const double oursMs = bestOf(
            huge ? 1 : 5,
            [&] {
                QFile file(ours);
                if (file.open(QIODevice::WriteOnly))
                    mustWrite(writeBmp24(&file, page));
            },
            true);
        QFile::remove(ours);
        const double savedMs = bestOf(
            huge ? 1 : 5, [&] { mustWrite(saveBmp24File(ours, page)); }, true);
        QFile::remove(ours);
        const double qtMs = bestOf(
            huge ? 1 : 5, [&] { page.save(theirs, "BMP"); }, true);
        QFile::remove(theirs);

        double magickMs = -3;
        double wholeMs = -3;
        if (!magick.isEmpty()) {
            // ImageMagick repeats a picture at its own size: give it the tile
            // as TilePage draws it.
            QImage tileImage(c.tile, QImage::Format_RGB32);
            tileImage.fill(Qt::white);
            {
                QPainter painter(&tileImage);
                painter.drawImage(QRect(QPoint(0, 0), c.tile), c.source);
            }
            const QString patternFile = tempDir.filePath(QStringLiteral("tile.bmp"));
            mustWrite(saveBmp24File(patternFile, tileImage));
            const QString out = tempDir.filePath(QStringLiteral("magick.bmp"));
            magickMs = magickTile(magick, c.page.width(), c.page.height(), patternFile, out);
            QFile::remove(out);
            QFile::remove(patternFile);
            // A fresh page each time, as ImageMagick starts from nothing.
            wholeMs = bestOf(
                huge ? 1 : 3,
                [&] {
                    QImage fresh(c.page, QImage::Format_RGB32);
                    TilePage(fresh, c.source, c.tile);
                    mustWrite(saveBmp24File(ours, fresh));
                },
                true);
            QFile::remove(ours);
        }

        std::printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", qPrintable(c.name),
                    qPrintable(figure(memsetMs)), qPrintable(figure(memcpyMs)), qPrintable(figure(plainMs)),
                    qPrintable(figure(tileMs)), qPrintable(ratio(tileMs, memsetMs)), qPrintable(figure(oursMs)),
                    qPrintable(figure(qtMs)), qPrintable(ratio(oursMs, qtMs)), qPrintable(figure(savedMs)),
                    qPrintable(figure(magickMs)), qPrintable(figure(wholeMs)), qPrintable(ratio(wholeMs, magickMs)));
        std::fflush(stdout);
    }
    return 0;
}
