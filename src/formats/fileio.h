#pragma once
// How the file formats meet files. Every format reads and writes a QIODevice
// and returns a FileResult (or a result that is one); saving to a path goes
// through saveAtomically, reading from a path through loadFrom.
#include <QFile>
#include <QString>
#include <functional>

class QIODevice;

namespace ptt {

// Success, or a failure with a sentence for the user. Reader results derive
// from it and add what was read.
struct FileResult {
    bool ok = true;
    QString error;
    bool cancelled = false; // the user stopped the write; nothing was written

    explicit operator bool() const { return ok; }
    static FileResult failed(const QString &error) { return FileResult{false, error, false}; }
    static FileResult userCancelled() { return FileResult{false, QStringLiteral("保存已取消，没有写入文件。"), true}; }
};

// The failure of a write or read on a device, with the device's own reason.
FileResult writeFailed(const QIODevice *device);
FileResult readFailed(const QIODevice *device);

// Writes all bytes or fails with writeFailed.
FileResult writeAll(QIODevice *device, const QByteArray &bytes);

// Writes a file through a temporary file beside it that replaces the target
// only when write succeeded, so a failed save leaves the old file as it was.
// When an existing file is replaced, the new bytes reach the disk before the
// rename, so that not even a crash can leave the old file lost. Never writes
// the target in place; a link is kept and what it points at replaced. The
// name is used as given.
using DeviceWriter = std::function<FileResult(QIODevice *device)>;
[[nodiscard]] FileResult saveAtomically(const QString &path, const DeviceWriter &write);

// For writers of large files: the last bytes written to saveAtomically's
// device start on their way to the disk now, when that save will wait for
// the disk anyway. Does nothing for other devices.
void startWriteBack(QIODevice *device, qint64 bytes);

// Why path could not be opened for reading, as a sentence for the user.
QString openFailedText(const QFile &file);

// Opens path for reading and hands the device to read; a file that cannot be
// opened gives a failed Result.
template <typename Result, typename Read> Result loadFrom(const QString &path, Read read)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Result result;
        result.ok = false;
        result.error = openFailedText(file);
        return result;
    }
    return read(&file);
}

} // namespace ptt
