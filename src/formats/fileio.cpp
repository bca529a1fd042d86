#include "fileio.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace ptt {

FileResult writeFailed(const QIODevice *device)
{
    return FileResult::failed(QStringLiteral("写入失败（%1）。").arg(device->errorString()));
}

FileResult readFailed(const QIODevice *device)
{
    return FileResult::failed(QStringLiteral("读取失败（%1）。").arg(device->errorString()));
}

FileResult writeAll(QIODevice *device, const QByteArray &bytes)
{
    if (device->write(bytes) != bytes.size())
        return writeFailed(device);
    return {};
}

FileResult saveAtomically(const QString &path, const DeviceWriter &write)
{
    const QFileInfo target(path);
    if (target.isDir())
        return FileResult::failed(QStringLiteral("该位置已有同名的文件夹。"));
    if (!target.absoluteDir().exists())
        return FileResult::failed(QStringLiteral("文件夹不存在。"));
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return FileResult::failed(QStringLiteral("无法在该文件夹中建立文件（%1）。").arg(file.errorString()));
    const FileResult written = write(&file);
    if (!written) {
        file.cancelWriting();
        return written;
    }
    if (!file.commit())
        return FileResult::failed(QStringLiteral("无法完成保存（%1），原有的文件没有改动。").arg(file.errorString()));
    return {};
}

QString openFailedText(const QFile &file)
{
    return QStringLiteral("无法打开文件（%1）。").arg(file.errorString());
}

} // namespace ptt
