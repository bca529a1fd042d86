#pragma once
// The map-style layout's grid: GridCols x GridRows equal cells, each empty (0)
// or holding small picture 1..10. Everything is in pixels. Cells are
// addressed row-major: cell (row, col) is MapCells[row * GridCols + col].
#include "formats/fileio.h"
#include "formats/picture.h"

#include <QColor>
#include <QIODevice>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

namespace ptt {

class MapGrid {
public:
    static constexpr int kMaxSide = 256;     // rows and columns are 8-bit
    static constexpr int kMaxCells = 32767;  // cell indices are 16-bit signed
    static constexpr int kPictureCount = 10; // small pictures 1..10

    // A size field's text as a whole number (halves to even), or nothing when
    // the text is no number or out of the 16-bit range.
    static std::optional<int> parseSize(const QString &text);
    // Empty when cols x rows is a grid we can hold; otherwise a message.
    static QString checkSize(std::optional<int> cols, std::optional<int> rows);

    // Re-creates an empty grid with small picture 1 in the top-left cell.
    // Returns false, changing nothing, when the size is refused (*error set).
    bool SetUpGrid(const QString &colsText, const QString &rowsText, const QSizeF &cellSize, QString *error = nullptr);

    void Clear();

    // Places SelPic into the cell under a point of the grid's client area.
    // A point outside the grid places nothing and returns false.
    bool Place(const QPointF &pixels);
    // The index of the cell under a point of the client area, if any.
    std::optional<int> cellAt(const QPointF &pixels) const;

    // Clears the image to the background, draws the inner grid lines and
    // every filled cell's picture at its own size, in index order. Values
    // outside 1..10 draw nothing.
    using PictureFor = std::function<const Picture *(int value)>;
    void Redraw(QImage &image, const QColor &background, const QColor &lines, const PictureFor &pictures);
    // Redraws only the pixels inside area, exactly as Redraw draws them:
    // the background, the lines through it and, in index order, every cell
    // whose picture may reach into it, clipped to it. The rest stays.
    void RedrawArea(QImage &image, const QRect &area, const QColor &background, const QColor &lines,
                    const PictureFor &pictures) const;
    // Redraw for an image that already is the background colour all over:
    // draws the lines and the filled cells only.
    void DrawOnBackground(QImage &image, const QColor &lines, const PictureFor &pictures) const;
    // The pixels that may change when cell index changed from value before
    // to what it holds now: the cell and both pictures' extents.
    QRect changedArea(int index, int before, const PictureFor &pictures) const;
    // Top-left pixel of a cell.
    QPoint cellOrigin(int index) const;

    QSize clientSize() const;
    int cellCount() const { return int(MapCells.size()); }

    int GridCols = 0;
    int GridRows = 0;
    double CellWidth = 0;
    double CellHeight = 0;
    QVector<qint16> MapCells;
    int SelPic = 1;
    int CellRow = 0;
    int CellCol = 0;

private:
    void paintArea(QImage &image, const QRect &area, const QColor *background, const QColor &lines,
                   const PictureFor &pictures) const;
};

// The map file: the cells as little-endian signed 16-bit values in index
// order, nothing else.
QByteArray encodeMapCells(const QVector<qint16> &cells);

[[nodiscard]] FileResult writeMapCells(QIODevice *device, const QVector<qint16> &cells);
// Writes through saveAtomically: the old file survives a failure.
[[nodiscard]] FileResult saveMapFile(const QString &path, const QVector<qint16> &cells);

struct MapFileRead : FileResult {
    QVector<qint16> cells;
    int outOfRange = 0; // values other than 0..10, read as empty cells
};

// Reads count cells from the start of the file; cells beyond a short file
// stay empty.
MapFileRead readMapCells(QIODevice *device, int count);
MapFileRead loadMapFile(const QString &path, int count);

} // namespace ptt
