#include "fileio.h"

#include <QDir>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

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

namespace {

FileResult createFailed(const QString &why)
{
    return FileResult::failed(QStringLiteral("无法在该文件夹中建立文件（%1）。").arg(why));
}

FileResult commitFailed(const QString &why)
{
    return FileResult::failed(QStringLiteral("无法完成保存（%1），原有的文件没有改动。").arg(why));
}

} // namespace

#if defined(Q_OS_UNIX)

namespace {

// The temporary file a save writes. It waits for the disk before the rename only when it replaces a
// file: then a crash can never leave the user's old file replaced by an empty one. A new file has
// nothing to lose, and waiting for the disk there would make every batch render as slow as the disk.
class SaveFile : public QFile {
public:
    bool syncs = false;
};

QString errnoText(int error)
{
    return qt_error_string(error);
}

} // namespace

void startWriteBack(QIODevice *device, qint64 bytes)
{
#if defined(Q_OS_LINUX)
    auto *file = dynamic_cast<SaveFile *>(device);
    if (file && file->syncs && bytes > 0 && file->flush() && file->handle() >= 0)
        sync_file_range(file->handle(), file->pos() - bytes, bytes, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(device);
    Q_UNUSED(bytes);
#endif
}

FileResult saveAtomically(const QString &path, const DeviceWriter &write)
{
    QFileInfo target(path);
    // A link stays a link: what it points at is replaced.
    if (target.isSymLink()) {
        const QString pointsAt = target.symLinkTarget();
        if (!pointsAt.isEmpty())
            target = QFileInfo(pointsAt);
    }
    if (target.isDir())
        return FileResult::failed(QStringLiteral("该位置已有同名的文件夹。"));
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        return FileResult::failed(QStringLiteral("文件夹不存在。"));
    const QString finalPath = target.absoluteFilePath();
    const QByteArray finalName = QFile::encodeName(finalPath);

    struct stat old {};
    const bool replacing = ::stat(finalName.constData(), &old) == 0 && S_ISREG(old.st_mode);

    // Beside the target, so that the rename stays on one file system; a short name when the
    // target's own name leaves no room for a suffix.
    const QString stem = target.fileName();
    int fd = -1;
    QString temporary;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        const QString suffix = QString::number(QRandomGenerator::global()->generate() & 0xffffff, 36);
        temporary = folder.filePath(stem + QLatin1Char('.') + suffix);
        if (QFile::encodeName(stem).size() + 1 + suffix.size() > 255)
            temporary = folder.filePath(QStringLiteral(".ptt-") + suffix + QStringLiteral(".tmp"));
        fd = ::open(QFile::encodeName(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return createFailed(errnoText(errno));
    }
    if (fd < 0)
        return createFailed(errnoText(EEXIST));
    const QByteArray temporaryName = QFile::encodeName(temporary);
    if (replacing)
        (void)::fchmod(fd, old.st_mode & 07777);

    SaveFile file;
    file.syncs = replacing;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(temporaryName.constData());
        return createFailed(file.errorString());
    }
    const auto discard = [&] {
        file.close();
        ::unlink(temporaryName.constData());
    };
    const FileResult written = write(&file);
    if (!written) {
        discard();
        return written;
    }
    if (!file.flush()) {
        const FileResult failed = writeFailed(&file);
        discard();
        return failed;
    }
    if (file.syncs && ::fsync(file.handle()) != 0) {
        const QString why = errnoText(errno);
        discard();
        return commitFailed(why);
    }
    // Closing may be where a network file system reports that the data did not arrive.
    file.close();
    if (file.error() != QFileDevice::NoError) {
        const QString why = file.errorString();
        ::unlink(temporaryName.constData());
        return commitFailed(why);
    }
    if (::rename(temporaryName.constData(), finalName.constData()) != 0) {
        const QString why = errnoText(errno);
        ::unlink(temporaryName.constData());
        return commitFailed(why);
    }
    return {};
}

#else

void startWriteBack(QIODevice *, qint64)
{
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
        return createFailed(file.errorString());
    const FileResult written = write(&file);
    if (!written) {
        file.cancelWriting();
        return written;
    }
    if (!file.commit())
        return commitFailed(file.errorString());
    return {};
}

#endif

QString openFailedText(const QFile &file)
{
    return QStringLiteral("无法打开文件（%1）。").arg(file.errorString());
}

} // namespace ptt
