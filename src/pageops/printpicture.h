#pragma once
#include "formats/picture.h"

namespace ptt {

// Prints a picture on the system's default printer, without a dialog, at its
// natural size (96 dpi) with its top-left corner at the printable origin.
// Returns false when nothing was printed (no picture, no printer, a failure).
bool PrintPicture(const Picture &picture, const QString &documentName);

} // namespace ptt
