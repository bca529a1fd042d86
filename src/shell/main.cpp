#include "commandline.h"
#include "formats/fontdesc.h"
#include "windowlauncher.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("pintietong"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PTT_VERSION));
    {
        // The terminal's answers come before any window system is touched: they need no display.
        QCoreApplication terminal(argc, argv);
        const ptt::CommandLineOutcome outcome = ptt::runCommandLine(QCoreApplication::arguments());
        if (!outcome.startWindows)
            return outcome.exitCode;
    }

    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.png")));

    // The windows speak Chinese; so do Qt's own dialogs.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    ptt::installFontSubstitutions();
    QFont uiFont(QStringLiteral("宋体"));
    uiFont.setPointSizeF(9);
    QApplication::setFont(uiFont);

    ptt::WindowLauncher launcher;
    ptt::Navigator::setInstance(&launcher);
    launcher.showMainWindow();
    const int code = app.exec();
    ptt::Navigator::setInstance(nullptr);
    return code;
}
