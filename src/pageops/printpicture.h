#pragma once
#include "formats/picture.h"

class QWidget;

namespace ptt {

// Prints a picture on the system's default printer, without a dialog, at its
// natural size (96 dpi) with its top-left corner at the printable origin.
// No picture prints nothing and says nothing; a print that fails (no printer,
// a printer error) is reported to the user over window. Returns whether a
// page was printed.
bool PrintPicture(QWidget *window, const Picture &picture, const QString &documentName);

} // namespace ptt
