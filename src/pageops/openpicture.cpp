#include "openpicture.h"

#include "platform/dialogs.h"

namespace ptt {

std::optional<Picture> ChoosePicture(CommonDialog &dialog)
{
    dialog.filter =
        QStringLiteral("All Files (*.*)|*.*|JPG Files (*.jpg)|*.jpg|GIF Files (*.gif)|*.gif|BMP Files (*.bmp)|*.bmp");
    dialog.cancelError = true;
    if (!dialog.showOpen())
        return std::nullopt;
    PictureLoadResult loaded = loadPicture(dialog.fileName);
    if (!loaded.ok())
        return std::nullopt;
    return std::move(loaded.picture);
}

} // namespace ptt
