#pragma once
// SaveAsBitmap: the one save of a whole Canvas as a BMP file, with the
// overwrite question. Every window that saves its Canvas calls it with its own
// dialog object. A failed save is reported to the user here.
#include "formats/fileio.h"

#include <QString>

class QImage;
class QWidget;

namespace ptt {

class Canvas;
class CommonDialog;

enum class SaveOutcome { Saved, Cancelled, Declined, Failed };

SaveOutcome SaveAsBitmap(QWidget *window, CommonDialog &dialog, const Canvas &canvas);

// Writes image to path as a BMP file under a busy pointer, through a progress dialog of the given
// dialog object that appears when the save is slow and whose cancel stops it (FileResult::cancelled):
// a stopped or failed save leaves an older file as it was. Tells the user nothing itself.
FileResult SaveBitmapFile(CommonDialog &dialog, const QString &path, const QImage &image);

// What the user is told after cancelling the save of path: nothing was written.
QString SaveCancelledText(const QString &path);

// The message for a picture file that could not be saved: which file, and why.
QString SaveFailedText(const QString &path, const QString &error);

} // namespace ptt
