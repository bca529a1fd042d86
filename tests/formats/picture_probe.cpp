// Loads picture files one by one and prints, per file, "ok W H IW IH" or
// "refused <message>". With --png DIR it also writes each picture as a PNG.
// The robustness test runs it in a child process under time and memory limits.
#include "formats/picture.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <sys/resource.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString pngDir;
    if (args.size() >= 2 && args.first() == QLatin1String("--png")) {
        pngDir = args.at(1);
        args = args.mid(2);
    }
    if (args.size() >= 2 && args.first() == QLatin1String("--memory-mb")) {
        const rlim_t bytes = rlim_t(args.at(1).toLongLong()) << 20;
        const struct rlimit lim = {bytes, bytes};
        setrlimit(RLIMIT_AS, &lim);
        args = args.mid(2);
    }
    QTextStream out(stdout);
    for (const QString &path : args) {
        const ptt::PictureLoadResult r = ptt::loadPicture(path);
        if (r.ok()) {
            out << "ok " << r.picture.naturalSize.width() << ' ' << r.picture.naturalSize.height() << ' '
                << r.picture.image.width() << ' ' << r.picture.image.height() << '\n';
            if (!pngDir.isEmpty())
                r.picture.image.save(QDir(pngDir).filePath(QFileInfo(path).fileName() + QLatin1String(".png")));
        } else {
            out << "refused " << r.error << '\n';
        }
        out.flush();
    }
    return 0;
}
