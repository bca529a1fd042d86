#include "printpicture.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace ptt {

bool PrintPicture(const Picture &picture, const QString &documentName)
{
    if (picture.isNull())
        return false;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return false;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(documentName);
    printer.setFullPage(false); // origin at the printable area
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double sx = printer.logicalDpiX() / 96.0;
    const double sy = printer.logicalDpiY() / 96.0;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, picture.width() * sx, picture.height() * sy), picture.image);
    return painter.end();
}

} // namespace ptt
