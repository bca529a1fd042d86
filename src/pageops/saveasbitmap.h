#pragma once
// SaveAsBitmap: the one save of a whole Canvas as a BMP file, with the
// overwrite question. Every window that saves its Canvas calls it with its own
// dialog object. A failed save is reported to the user here.
#include <QString>

class QWidget;

namespace ptt {

class Canvas;
class CommonDialog;

enum class SaveOutcome { Saved, Cancelled, Declined, Failed };

SaveOutcome SaveAsBitmap(QWidget *window, CommonDialog &dialog, const Canvas &canvas);

// The message for a picture file that could not be saved: which file, and why.
QString SaveFailedText(const QString &path, const QString &error);

} // namespace ptt
