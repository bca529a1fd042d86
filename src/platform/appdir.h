#pragma once
#include <QString>

namespace ptt {

// The program's folder: where relative names in position and map files are
// resolved and where save dialogs start. The executable's folder when it can be
// written (a build tree or a portable folder); otherwise (installed system-wide)
// the per-user data folder. Always ends with '/'.
QString AppDir();

// For tests and the portable case: force the folder. An empty path restores
// the automatic choice.
void setAppDirOverride(const QString &path);

} // namespace ptt
