#include "appdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ptt {

namespace {
QString &overridePath()
{
    static QString path;
    return path;
}

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}
} // namespace

void setAppDirOverride(const QString &path)
{
    overridePath() = path;
}

QString AppDir()
{
    if (!overridePath().isEmpty())
        return withSlash(QDir::cleanPath(overridePath()));
    const QString env = qEnvironmentVariable("PTT_APPDIR");
    if (!env.isEmpty())
        return withSlash(QDir::cleanPath(env));

    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable())
        return withSlash(exeDir);

    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share/pintietong");
    QDir().mkpath(data);
    return withSlash(data);
}

} // namespace ptt
