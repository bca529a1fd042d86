#pragma once
// The chessboard-style page drawn band by band: the board's colour, the
// background picture at its natural size, and over it the foregrounds of a
// position file in index order, as the window shows them.
#include "formats/bandsource.h"

#include <QString>

#include <functional>
#include <memory>

namespace ptt {

// The page is the background's natural size in pixels. The two paths are
// used as given (relative to the working folder); the foregrounds' names are
// resolved as the window resolves them (relative to AppDir). A foreground
// that cannot be loaded is told to `warn` (one line naming the file) and
// left out, and so are lines of the position file the window would skip.
// Returns nullptr with a one-line *error when the position file or the
// background cannot be read.
std::unique_ptr<BandSource> makeBoardBandSource(const QString &positionsPath, const QString &backgroundPath,
                                                QString *error, const std::function<void(const QString &)> &warn);

} // namespace ptt
