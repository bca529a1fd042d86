// Renders WMF and EMF files with the program's own loader to PNG, for
// compare.py. Usage:
//   metafile_render [--scale K] IN OUT.png [IN OUT.png ...]
// Prints one line per pair: "ok NW NH IW IH MS" (natural size, size of the
// written image, milliseconds the load took) or "refused MESSAGE".
// At scale 1 the picture goes through loadPicture, exactly as a window gets
// it; another scale plays the records into an image K times the natural size,
// which sharpens small clip art for comparison but is not what a user sees.
#include "formats/metafile/metafile.h"
#include "formats/picture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cmath>

namespace {

ptt::PictureLoadResult loadScaled(const QString &path, double scale)
{
    ptt::PictureLoadResult r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = f.errorString();
        return r;
    }
    const QByteArray data = f.readAll();
    const ptt::PictureFormat format = ptt::sniffPictureFormat(data);
    if (format != ptt::PictureFormat::Wmf && format != ptt::PictureFormat::Emf)
        return ptt::loadPictureFromData(data);
    // Refusals and fonts exactly as the loader has them.
    const ptt::PictureLoadResult plain = ptt::loadPictureFromData(data);
    if (!plain.ok())
        return plain;
    ptt::metafile::MetafileInfo info;
    QString error;
    const bool emf = format == ptt::PictureFormat::Emf;
    if (!(emf ? ptt::metafile::probeEmf(data, &info, &error) : ptt::metafile::probeWmf(data, &info, &error))) {
        r.error = error;
        return r;
    }
    const QSize scaled(std::max(1, int(std::lround(info.naturalSize.width() * scale))),
                       std::max(1, int(std::lround(info.naturalSize.height() * scale))));
    const QSize size = ptt::metafile::renderSizeFor(scaled);
    r.picture.image = emf ? ptt::metafile::playEmf(data, info, size) : ptt::metafile::playWmf(data, info, size);
    r.picture.naturalSize = info.naturalSize;
    if (r.picture.image.isNull())
        r.error = QStringLiteral("out of memory");
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    double scale = 1;
    if (args.size() >= 2 && args.first() == QLatin1String("--scale")) {
        scale = args.at(1).toDouble();
        args = args.mid(2);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.isEmpty() || args.size() % 2 != 0 || !(scale > 0 && scale <= 16)) {
        err << "usage: metafile_render [--scale K] IN OUT.png [IN OUT.png ...]\n";
        return 2;
    }
    for (int i = 0; i + 1 < args.size(); i += 2) {
        QElapsedTimer timer;
        timer.start();
        const ptt::PictureLoadResult r = scale == 1 ? ptt::loadPicture(args.at(i)) : loadScaled(args.at(i), scale);
        const qint64 ms = timer.elapsed();
        if (r.ok()) {
            if (!r.picture.image.save(args.at(i + 1), "PNG")) {
                out << "refused cannot write " << args.at(i + 1) << '\n';
            } else {
                out << "ok " << r.picture.naturalSize.width() << ' ' << r.picture.naturalSize.height() << ' '
                    << r.picture.image.width() << ' ' << r.picture.image.height() << ' ' << ms << '\n';
            }
        } else {
            out << "refused " << QString(r.error).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\n';
        }
        out.flush();
    }
    return 0;
}
