#pragma once
// `pintietong render KIND ...`: the windows' pages drawn from the command line, with no window and
// no display, written as a BMP file band by band (or PNG/JPEG when the page fits in memory).
#include "commandline.h"

namespace ptt {

// arguments: what follows "render" on the command line. Usage errors and --help are answered at
// once; otherwise the outcome carries the drawing job, to run once a QGuiApplication exists.
CommandLineOutcome parseRenderCommand(const QStringList &arguments);

} // namespace ptt
