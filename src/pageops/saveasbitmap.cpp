#include "saveasbitmap.h"

#include "formats/bmpwriter.h"
#include "platform/appdir.h"
#include "platform/canvas.h"
#include "platform/dialogs.h"
#include "platform/notice.h"

#include <QDir>
#include <QFileInfo>

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
    const FileResult saved = saveBmp24File(path, canvas.image());
    if (!saved) {
        showNotice(window, SaveFailedText(path, saved.error), MsgIcon::Warning);
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

QString SaveFailedText(const QString &path, const QString &error)
{
    return QStringLiteral("无法保存文件“%1”：%2").arg(QDir::toNativeSeparators(path), error);
}

} // namespace ptt
