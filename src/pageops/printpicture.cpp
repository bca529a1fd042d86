#include "printpicture.h"

#include "platform/dialogs.h"
#include "platform/notice.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace ptt {

namespace {

bool printFailed(QWidget *window, const QString &why)
{
    showNotice(window, QStringLiteral("无法打印：%1").arg(why), MsgIcon::Warning);
    return false;
}

} // namespace

bool PrintPicture(QWidget *window, const Picture &picture, const QString &documentName)
{
    if (picture.isNull())
        return false;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return printFailed(window, QStringLiteral("没有可用的打印机。"));
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(documentName);
    printer.setFullPage(false); // origin at the printable area
    QPainter painter;
    if (!painter.begin(&printer))
        return printFailed(window, QStringLiteral("打印机“%1”无法开始打印。").arg(info.printerName()));
    const double sx = printer.logicalDpiX() / 96.0;
    const double sy = printer.logicalDpiY() / 96.0;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, picture.width() * sx, picture.height() * sy), picture.image);
    if (!painter.end())
        return printFailed(window, QStringLiteral("打印机“%1”未能完成打印。").arg(info.printerName()));
    return true;
}

} // namespace ptt
