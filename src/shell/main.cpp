#include "commandline.h"
#include "formats/fontdesc.h"
#include "windowlauncher.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("pintietong"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PTT_VERSION));
    std::function<int()> drawingJob;
    {
        // The terminal's answers come before any window system is touched: they need no display.
        QCoreApplication terminal(argc, argv);
        const ptt::CommandLineOutcome outcome = ptt::runCommandLine(QCoreApplication::arguments());
        if (outcome.drawingJob && !outcome.drawingNeedsFonts)
            return outcome.drawingJob();
        if (!outcome.startWindows && !outcome.drawingJob)
            return outcome.exitCode;
        drawingJob = outcome.drawingJob;
    }
    if (drawingJob) {
        // Text and metafiles need fonts, hence a QGuiApplication, but never a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The job's own one-line errors are all the terminal gets: Qt's notes on the environment (a
        // missing runtime folder and the like) are not for the script that called us.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        });
        QGuiApplication drawing(argc, argv);
        ptt::installFontSubstitutions();
        return drawingJob();
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
