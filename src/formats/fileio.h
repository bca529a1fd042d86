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
// only when write succeeded and everything reached the disk, so a failed save
// leaves the old file as it was. Never falls back to writing the target in
// place (as QSaveFile would in a folder we may not create files in). The
// name is used as given.
using DeviceWriter = std::function<FileResult(QIODevice *device)>;
[[nodiscard]] FileResult saveAtomically(const QString &path, const DeviceWriter &write);

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
