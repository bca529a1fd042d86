#pragma once
#include <QStringList>

#include <functional>

namespace ptt {

// The program's command line, read with only a QCoreApplication alive so that whatever it answers on
// the terminal (--help, --version, a usage error, later subcommands) needs no display.
struct CommandLineOutcome {
    bool startWindows = false; // nothing asked of the terminal: open the main window
    int exitCode = 0;          // the process's exit code when !startWindows
    // A terminal job that draws pages; its result is the exit code. One that draws text needs fonts,
    // hence a QGuiApplication (on the offscreen platform) in place of the QCoreApplication; the others
    // run without, sparing the font set-up.
    std::function<int()> drawingJob;
    bool drawingNeedsFonts = false;
};

// Answered on the terminal with this exit code; nothing more to do.
inline CommandLineOutcome answered(int exitCode)
{
    return {false, exitCode, {}, false};
}

// arguments: QCoreApplication::arguments(), the program's path first.
CommandLineOutcome runCommandLine(const QStringList &arguments);

} // namespace ptt
