#include "commandline.h"
#include "render.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace ptt {

namespace {

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

int usageError(const QString &message)
{
    const QString name = QCoreApplication::applicationName();
    print(stderr, QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(name, message));
    return 2;
}

} // namespace

CommandLineOutcome runCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("澄岭拼贴通 %1版：把图片拼成一整版，保存为位图或打印。\n\n"
                                                    "Commands:\n"
                                                    "  render tile|board|map   draw a page without a window "
                                                    "('render --help')")
                                         .arg(QCoreApplication::applicationVersion()));
    // -platform, -style and the like are whole words with one dash, as Qt's own options are.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Whatever follows a subcommand's name is the subcommand's own, options included.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();

    // The options QGuiApplication takes from the command line, accepted here and left to it.
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "display", "geometry", "style", "stylesheet", "session"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char *name : {"reverse", "nograb", "dograb", "sync", "widgetcount"}) {
        QCommandLineOption qtFlag(QString::fromLatin1(name));
        qtFlag.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtFlag);
    }

    if (!parser.parse(arguments))
        return answered(usageError(parser.errorText()));
    // Qt's own options are not listed, so --help-all says what --help says.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, parser.helpText());
        return answered(0);
    }
    if (parser.isSet(versionOption)) {
        print(stdout, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion()));
        return answered(0);
    }
    // A subcommand is the first positional argument and gets the rest; each answers on the terminal and
    // never needs a display.
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && positional.first() == QStringLiteral("render"))
        return parseRenderCommand(positional.mid(1));
    if (!positional.isEmpty())
        return answered(usageError(QStringLiteral("unknown command '%1'").arg(positional.first())));
    return {true, 0, {}, false}; // open the windows
}

} // namespace ptt
