// Loading speed of the picture loader beside Qt's plain QImageReader, in
// milliseconds per megapixel, side by side in one run: each file is loaded by
// both in turn, several rounds, and each side's best round counts, so other
// work on the machine weighs on both alike.
//
// The sample pictures are JPEG and BMP files; GIF and ICO versions of them are
// made in memory (GIF by a small encoder here, ICO by Qt's writer, which
// scales to 256 x 256), so every format both read is measured on the same
// pictures. The shared test pictures follow, where present.
//   bench_picture [folder-of-test-pictures] [rounds] [--samples-only]
// A last part times the unit tests' expensive files, then loads files made to
// be expensive with a short time limit and measures how soon each abandoned
// decode stops.
#include "formats/craftedpictures.h"
#include "formats/picture.h"

#include <QBuffer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTextStream>

#include <QThread>

#include <algorithm>
#include <map>
#include <sys/stat.h>
#include <vector>

namespace {

struct Totals {
    int files = 0;
    double megapixels = 0;
    double oursMs = 0;
    double nowMs = 0; // ours on the calling thread
    double qtMs = 0;
    double qtMegapixels = 0;
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

const char *groupOf(ptt::PictureFormat f)
{
    switch (f) {
    case ptt::PictureFormat::Bmp:
        return "BMP";
    case ptt::PictureFormat::Dib:
        return "DIB";
    case ptt::PictureFormat::Jpeg:
        return "JPEG";
    case ptt::PictureFormat::Gif:
        return "GIF";
    case ptt::PictureFormat::Ico:
    case ptt::PictureFormat::Cur:
        return "ICO/CUR";
    case ptt::PictureFormat::Wmf:
        return "WMF";
    case ptt::PictureFormat::Emf:
        return "EMF";
    default:
        return "other";
    }
}

// Qt's plain reader as a program would use it: content sniffing, no checks.
bool qtRead(const QByteArray &data)
{
    QByteArray copy = data;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    QImageReader r(&b);
    return !r.read().isNull();
}

void measure(const QByteArray &data, int rounds, std::map<QString, Totals> *groups)
{
    const ptt::PictureFormat format = ptt::sniffPictureFormat(data);
    if (format == ptt::PictureFormat::Unknown)
        return;
    const ptt::PictureLoadResult first = ptt::loadPictureFromData(data);
    if (!first.ok())
        return;
    const bool qtReads = format != ptt::PictureFormat::Wmf && format != ptt::PictureFormat::Emf &&
                         format != ptt::PictureFormat::Dib && qtRead(data);
    std::vector<double> ours, now, qt;
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        t.start();
        ptt::loadPictureFromData(data);
        ours.push_back(t.nsecsElapsed() / 1e6);
        t.start();
        ptt::decodePictureNow(data);
        now.push_back(t.nsecsElapsed() / 1e6);
        if (qtReads) {
            t.start();
            qtRead(data);
            qt.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    const double mp = first.picture.image.width() * double(first.picture.image.height()) / 1e6;
    Totals &g = (*groups)[QString::fromLatin1(groupOf(format))];
    ++g.files;
    g.megapixels += mp;
    g.oursMs += *std::min_element(ours.begin(), ours.end());
    g.nowMs += *std::min_element(now.begin(), now.end());
    if (qtReads) {
        g.qtMs += *std::min_element(qt.begin(), qt.end());
        g.qtMegapixels += mp;
    }
}

void print(QTextStream &out, const QString &title, const std::map<QString, Totals> &groups)
{
    out << title << '\n';
    out << QStringLiteral("  %1 %2 %3 %4 %5 %6 %7\n")
               .arg(QStringLiteral("format"), -9)
               .arg(QStringLiteral("files"), 6)
               .arg(QStringLiteral("Mpx"), 9)
               .arg(QStringLiteral("ours ms/Mpx"), 12)
               .arg(QStringLiteral("same thread"), 12)
               .arg(QStringLiteral("Qt ms/Mpx"), 12)
               .arg(QStringLiteral("ours / Qt"), 10);
    for (const auto &[name, g] : groups) {
        const bool haveQt = g.qtMegapixels > 0 && g.qtMegapixels == g.megapixels;
        const QString qt = haveQt ? QString::number(g.qtMs / g.qtMegapixels, 'f', 2) : QStringLiteral("-");
        const QString ratio = haveQt ? QString::number(g.oursMs / g.qtMs, 'f', 2) : QStringLiteral("-");
        out << QStringLiteral("  %1 %2 %3 %4 %5 %6 %7\n")
                   .arg(name, -9)
                   .arg(g.files, 6)
                   .arg(g.megapixels, 9, 'f', 3)
                   .arg(g.megapixels > 0 ? g.oursMs / g.megapixels : 0.0, 12, 'f', 2)
                   .arg(g.megapixels > 0 ? g.nowMs / g.megapixels : 0.0, 12, 'f', 2)
                   .arg(qt, 12)
                   .arg(ratio, 10);
    }
    out.flush();
}

// A GIF of the picture: Qt's own 256-colour conversion, then LZW codes in
// the variable width the format uses, the table started afresh when full.
QByteArray encodeGif(const QImage &picture)
{
    const QImage img = picture.convertToFormat(QImage::Format_Indexed8);
    QByteArray out("GIF89a");
    auto put16 = [&out](int v) {
        out.append(char(v & 0xff));
        out.append(char(v >> 8));
    };
    put16(img.width());
    put16(img.height());
    out.append(char(0xF7)); // global table of 256 entries
    out.append('\0');
    out.append('\0');
    const QVector<QRgb> table = img.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(',');
    put16(0);
    put16(0);
    put16(img.width());
    put16(img.height());
    out.append('\0');
    out.append(char(8)); // minimum code size

    const int clearCode = 256, endCode = 257;
    std::vector<qint16> next(4096 * 256, -1); // (code, byte) -> longer code
    int width = 9, lastCode = endCode;
    QByteArray data;
    quint32 bits = 0;
    int bitCount = 0;
    auto putCode = [&](int code) {
        bits |= quint32(code) << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            data.append(char(bits & 0xff));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    putCode(clearCode);
    int code = -1;
    for (int y = 0; y < img.height(); ++y) {
        const uchar *row = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            const int k = row[x];
            if (code < 0) {
                code = k;
                continue;
            }
            const int longer = next[size_t(code) * 256 + size_t(k)];
            if (longer >= 0) {
                code = longer;
                continue;
            }
            putCode(code);
            next[size_t(code) * 256 + size_t(k)] = qint16(++lastCode);
            if (lastCode >= (1 << width))
                ++width;
            if (lastCode == 4095) {
                putCode(clearCode);
                std::fill(next.begin(), next.end(), qint16(-1));
                width = 9;
                lastCode = endCode;
            }
            code = k;
        }
    }
    if (code >= 0)
        putCode(code);
    putCode(endCode);
    if (bitCount > 0)
        data.append(char(bits & 0xff));
    for (int at = 0; at < data.size(); at += 255) {
        const int n = std::min<int>(255, int(data.size()) - at);
        out.append(char(n));
        out.append(data.mid(at, n));
    }
    out.append('\0');
    out.append(';');
    return out;
}

QByteArray encodeIco(const QImage &picture)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    QImageWriter w(&b, "ico");
    w.write(picture.width() > 256 || picture.height() > 256
                ? picture.scaled(256, 256, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                : picture);
    return out;
}

// How soon a decode given up on stops: files far slower than a short limit,
// each refused, then the time until no decode runs any more.
void measureStops(QTextStream &out)
{
    using namespace ptt::test;
    QByteArray ellipses;
    for (int i = 0; i < 200000; ++i)
        ellipses += emfRecord(42, {i % 50, i % 70, 30000 - i % 90, 30000 - i % 30});
    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral("gradient, 100000 triangles"), craftGradientBomb(4096, 100000)},
        {QStringLiteral("text, 100000 characters at 4096 px"), craftTextBomb(4096, 100000, 4096)},
        {QStringLiteral("polyline, 3 million points"), craftPolylineBomb(4096, 3000000)},
        {QStringLiteral("region, 1000 x 2000 rectangles"), craftRegionBomb(4096, 1000, 2000)},
        {QStringLiteral("200000 ellipses"), craftEmf(ellipses + emfEof(), QRect(0, 0, 100000, 100000))},
    };
    const int limit = 100;
    out << QStringLiteral("Abandoned decodes (limit %1 ms): refused after, stopped after (ms)\n").arg(limit);
    for (const auto &[name, data] : files) {
        const int before = ptt::pictureDecodeTimeout();
        ptt::setPictureDecodeTimeout(limit);
        QElapsedTimer t;
        t.start();
        const ptt::PictureLoadResult r = ptt::loadPictureFromData(data);
        const double refused = t.nsecsElapsed() / 1e6;
        ptt::setPictureDecodeTimeout(before);
        while (ptt::runningPictureDecodes() > 0)
            QThread::usleep(200);
        const double stopped = t.nsecsElapsed() / 1e6 - refused;
        if (r.ok())
            out << QStringLiteral("  %1 %2 loaded in time\n").arg(name, -36).arg(refused, 8, 'f', 1);
        else
            out << QStringLiteral("  %1 %2 %3\n").arg(name, -36).arg(refused, 8, 'f', 1).arg(stopped, 8, 'f', 1);
        out.flush();
    }
}

// The unit tests' files made to be expensive, which they check by their
// result: how long each takes to load or be refused.
void measureCrafted(QTextStream &out)
{
    using namespace ptt::test;
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.jpg"));
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral("JPEG of 30000 scans (refused)"), craftJpegManyScans(30000)},
        {QStringLiteral("300 clip unions of 500 rectangles"), craftClipUnions(300, 500)},
        {QStringLiteral("60 pattern brushes of 4000 x 4000"), craftPatternBrushes(60, 4000)},
        {QStringLiteral("FIFO named .jpg (refused)"), QByteArray()},
    };
    out << "Crafted files of the unit tests: load or refusal (ms, best of 3)\n";
    for (const auto &[name, data] : files) {
        double best = 1e30;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer t;
            t.start();
            if (data.isEmpty())
                ptt::loadPicture(fifo);
            else
                ptt::loadPictureFromData(data);
            best = std::min(best, t.nsecsElapsed() / 1e6);
        }
        out << QStringLiteral("  %1 %2\n").arg(name, -36).arg(best, 8, 'f', 2);
        out.flush();
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.gui.imageio*=false;qt.gui.icc=false");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString testData = args.value(1, QStringLiteral(PTT_TESTDATA_DIR));
    const int rounds = std::max(1, args.value(2, QStringLiteral("7")).toInt());
    QTextStream out(stdout);

    std::map<QString, Totals> samples;
    QDirIterator s(QStringLiteral(PTT_SOURCE_DIR "/resources/pictures/samples"), QDir::Files);
    QStringList names;
    while (s.hasNext())
        names << s.next();
    names.sort();
    for (const QString &name : names) {
        const QByteArray data = readAll(name);
        measure(data, rounds, &samples);
        const QImage picture = QImage::fromData(data);
        if (picture.isNull())
            continue;
        measure(encodeGif(picture), rounds, &samples);
        measure(encodeIco(picture), rounds, &samples);
    }
    print(out, QStringLiteral("Sample pictures, best of %1 rounds (GIF and ICO made from them):").arg(rounds), samples);
    if (args.contains(QStringLiteral("--samples-only")))
        return 0;
    measureCrafted(out);
    measureStops(out);

    std::map<QString, Totals> corpus;
    if (QDir(testData).exists()) {
        QDirIterator c(testData, QDir::Files, QDirIterator::Subdirectories);
        while (c.hasNext())
            measure(readAll(c.next()), std::min(rounds, 3), &corpus);
    }
    if (corpus.empty())
        out << "Shared test pictures not found at " << testData << '\n';
    else
        print(out, QStringLiteral("Valid files of %1 (Qt columns only where Qt reads every file):").arg(testData),
              corpus);
    out << "ours: loadPictureFromData (header walk, checked decode on a worker thread, time limit);\n"
           "same thread: the same decode on the calling thread; Qt: QImageReader::read with content sniffing.\n";
    return 0;
}
