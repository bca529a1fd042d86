#pragma once
// SaveAsBitmap: the one save of a whole Canvas as a BMP file, with the
// overwrite question. Every window that saves its Canvas calls it with its own
// dialog object.
class QWidget;

namespace ptt {

class Canvas;
class CommonDialog;

enum class SaveOutcome { Saved, Cancelled, Declined, Failed };

SaveOutcome SaveAsBitmap(QWidget *window, CommonDialog &dialog, const Canvas &canvas);

} // namespace ptt
