#pragma once
#include <QStringList>

#include <functional>

namespace ptt {

// The program's command line, read with only a QCoreApplication alive so that whatever it answers on
// the terminal (--help, --version, a usage error, later subcommands) needs no display.
struct CommandLineOutcome {
    bool startWindows = false; // nothing asked of the terminal: open the main window
    int exitCode = 0;          // the process's exit code when !startWindows
    // A terminal job that draws (fonts, pictures): run after the QCoreApplication gave way to a
    // QGuiApplication on the offscreen platform; its result is the exit code.
    std::function<int()> drawingJob;
};

// arguments: QCoreApplication::arguments(), the program's path first.
CommandLineOutcome runCommandLine(const QStringList &arguments);

} // namespace ptt
