// Loading speed of the picture loader beside Qt's plain QImageReader, in
// milliseconds per megapixel, over the sample pictures and the valid files of
// the shared test pictures.
//   bench_picture [folder-of-test-pictures] [repeats]
#include "formats/picture.h"

#include <QBuffer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTextStream>

#include <map>

namespace {

struct Totals {
    int files = 0;
    double megapixels = 0;
    double oursMs = 0;
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
    case ptt::PictureFormat::Dib: return "BMP/DIB";
    case ptt::PictureFormat::Jpeg: return "JPEG";
    case ptt::PictureFormat::Gif: return "GIF";
    case ptt::PictureFormat::Ico:
    case ptt::PictureFormat::Cur: return "ICO/CUR";
    case ptt::PictureFormat::Wmf: return "WMF";
    case ptt::PictureFormat::Emf: return "EMF";
    default: return "other";
    }
}

void measure(const QString &path, int repeats, std::map<QString, Totals> *groups)
{
    const QByteArray data = readAll(path);
    const ptt::PictureFormat format = ptt::sniffPictureFormat(data);
    if (format == ptt::PictureFormat::Unknown)
        return;
    const ptt::PictureLoadResult first = ptt::loadPictureFromData(data);
    if (!first.ok())
        return;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < repeats; ++i)
        ptt::loadPictureFromData(data);
    const double ours = t.nsecsElapsed() / 1e6 / repeats;
    const double mp = first.picture.image.width() * double(first.picture.image.height()) / 1e6;
    Totals &g = (*groups)[QString::fromLatin1(groupOf(format))];
    ++g.files;
    g.megapixels += mp;
    g.oursMs += ours;
    if (format == ptt::PictureFormat::Wmf || format == ptt::PictureFormat::Emf)
        return; // Qt reads no metafiles
    t.restart();
    bool qtOk = true;
    for (int i = 0; i < repeats; ++i) {
        QByteArray copy = data;
        QBuffer b(&copy);
        b.open(QIODevice::ReadOnly);
        QImageReader r(&b);
        qtOk = !r.read().isNull() && qtOk;
    }
    if (qtOk) {
        g.qtMs += t.nsecsElapsed() / 1e6 / repeats;
        g.qtMegapixels += mp;
    }
}

void print(QTextStream &out, const QString &title, const std::map<QString, Totals> &groups)
{
    out << title << '\n';
    out << QStringLiteral("  %1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("format"), -9)
               .arg(QStringLiteral("files"), 6)
               .arg(QStringLiteral("Mpx"), 9)
               .arg(QStringLiteral("ours ms/Mpx"), 12)
               .arg(QStringLiteral("Qt ms/Mpx"), 12);
    for (const auto &[name, g] : groups) {
        const QString qt = g.qtMegapixels > 0 ? QString::number(g.qtMs / g.qtMegapixels, 'f', 2) : QStringLiteral("-");
        out << QStringLiteral("  %1 %2 %3 %4 %5\n")
                   .arg(name, -9)
                   .arg(g.files, 6)
                   .arg(g.megapixels, 9, 'f', 3)
                   .arg(g.megapixels > 0 ? g.oursMs / g.megapixels : 0.0, 12, 'f', 2)
                   .arg(qt, 12);
    }
    out.flush();
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
    const int repeats = std::max(1, args.value(2, QStringLiteral("3")).toInt());
    QTextStream out(stdout);

    std::map<QString, Totals> samples;
    QDirIterator s(QStringLiteral(PTT_SOURCE_DIR "/resources/pictures/samples"), QDir::Files);
    while (s.hasNext())
        measure(s.next(), repeats, &samples);
    print(out, QStringLiteral("Sample pictures (%1 repeats):").arg(repeats), samples);

    std::map<QString, Totals> corpus;
    QDirIterator c(testData, QDir::Files, QDirIterator::Subdirectories);
    while (c.hasNext())
        measure(c.next(), repeats, &corpus);
    if (corpus.empty())
        out << "Shared test pictures not found at " << testData << '\n';
    else
        print(out, QStringLiteral("Valid files of %1:").arg(testData), corpus);
    out << "ours: header walk + checked decode on a worker thread; Qt: QImageReader::read with content sniffing.\n";
    return 0;
}
