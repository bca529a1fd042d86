#include "samples.h"

#include <QFile>

static void initStoredPictures()
{
    // The pictures are compiled into the (static) window library.
    Q_INIT_RESOURCE(resources);
}

namespace ptt {

Picture storedPicture(const QString &path)
{
    static const bool once = (initStoredPictures(), true);
    Q_UNUSED(once);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return loadPictureFromData(file.readAll()).picture;
}

Picture patternPicture()
{
    return storedPicture(QStringLiteral(":/pictures/pattern.bmp"));
}

QString samplePicturePath(int k)
{
    const bool bitmap = (k == 9 || k == 11);
    return QStringLiteral(":/pictures/samples/sample%1.%2")
        .arg(k, 2, 10, QLatin1Char('0'))
        .arg(bitmap ? QStringLiteral("bmp") : QStringLiteral("jpg"));
}

Picture samplePicture(int k)
{
    if (k < 1 || k > 12)
        return {};
    return storedPicture(samplePicturePath(k));
}

} // namespace ptt
