#include "saveasbitmap.h"

#include "formats/bmpwriter.h"
#include "platform/appdir.h"
#include "platform/canvas.h"
#include "platform/dialogs.h"
#include "platform/notice.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

namespace ptt {

SaveOutcome SaveAsBitmap(QWidget *window, CommonDialog &dialog, const Canvas &canvas)
{
    dialog.initDir = AppDir();
    dialog.filter = QStringLiteral("位图文件 (*.Bmp)|*.Bmp");
    dialog.filterIndex = 1;
    if (!dialog.showSave() || dialog.fileName.isEmpty())
        return SaveOutcome::Cancelled;
    const QString path = dialog.fileName;
    if (QFileInfo::exists(path)) {
        const MsgResult answer = messageBox(window, QStringLiteral("文件已经存在，是否覆盖文件？"),
                                            QStringLiteral("询问"), MsgButtons::YesNo, MsgIcon::Question);
        if (answer != MsgResult::Yes)
            return SaveOutcome::Declined;
    }
    const FileResult saved = SaveBitmapFile(dialog, path, canvas.image());
    if (saved.cancelled) {
        showNotice(window, SaveCancelledText(path), MsgIcon::Information);
        return SaveOutcome::Cancelled;
    }
    if (!saved) {
        showNotice(window, SaveFailedText(path, saved.error), MsgIcon::Warning);
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

FileResult SaveBitmapFile(CommonDialog &dialog, const QString &path, const QImage &image)
{
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    FileResult saved;
    {
        const std::unique_ptr<ProgressSession> progress = dialog.showProgress(QStringLiteral("正在保存位图文件……"));
        saved = saveBmp24File(path, image, [&progress](int percent) { return progress->setPercent(percent); });
    }
    QGuiApplication::restoreOverrideCursor();
    return saved;
}

QString SaveCancelledText(const QString &path)
{
    // A cancelled save leaves whatever was there before.
    const QString name = QDir::toNativeSeparators(path);
    if (QFileInfo::exists(path))
        return QStringLiteral("保存已取消，原有的文件“%1”没有改动。").arg(name);
    return QStringLiteral("保存已取消，没有写入文件“%1”。").arg(name);
}

QString SaveFailedText(const QString &path, const QString &error)
{
    return QStringLiteral("无法保存文件“%1”：%2").arg(QDir::toNativeSeparators(path), error);
}

} // namespace ptt
