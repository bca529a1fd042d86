#include "mapgrid.h"

#include "platform/units.h"

#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ptt {

std::optional<int> MapGrid::parseSize(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return checkedInt(value, Rounding::HalfEven, -32768, 32767);
}

QString MapGrid::checkSize(std::optional<int> cols, std::optional<int> rows)
{
    if (!cols || !rows || *cols < 1 || *rows < 1 || *cols > kMaxSide || *rows > kMaxSide)
        return QStringLiteral("列数和行数必须是 1 到 %1 之间的整数。").arg(kMaxSide);
    if (*cols * *rows > kMaxCells)
        return QStringLiteral("单元格太多：列数 × 行数不能超过 %1（现在是 %2 × %3 = %4）。")
            .arg(kMaxCells)
            .arg(*cols)
            .arg(*rows)
            .arg(*cols * *rows);
    return QString();
}

bool MapGrid::SetUpGrid(const QString &colsText, const QString &rowsText, const QSizeF &cellSize, QString *error)
{
    const std::optional<int> cols = parseSize(colsText);
    const std::optional<int> rows = parseSize(rowsText);
    const QString problem = checkSize(cols, rows);
    if (!problem.isEmpty() || cellSize.width() < 1 || cellSize.height() < 1) {
        if (error)
            *error = problem.isEmpty() ? QStringLiteral("小图1的大小无效，无法确定单元格大小。") : problem;
        return false;
    }
    CellWidth = cellSize.width();
    CellHeight = cellSize.height();
    GridCols = *cols;
    GridRows = *rows;
    MapCells = QVector<qint16>(GridCols * GridRows, 0);
    SelPic = 1;
    CellRow = 0;
    CellCol = 0;
    MapCells[0] = qint16(SelPic);
    return true;
}

void MapGrid::Clear()
{
    MapCells.fill(0);
}

std::optional<int> MapGrid::cellAt(const QPointF &p) const
{
    if (MapCells.isEmpty())
        return std::nullopt;
    const double x = roundHalfEven(p.x());
    const double y = roundHalfEven(p.y());
    const double w = roundHalfEven(CellWidth);
    const double h = roundHalfEven(CellHeight);
    if (x < 0 || y < 0 || w <= 0 || h <= 0)
        return std::nullopt;
    const qint64 col = qint64(x) / qint64(w);
    const qint64 row = qint64(y) / qint64(h);
    if (col >= GridCols || row >= GridRows)
        return std::nullopt; // released outside the grid
    return int(row * GridCols + col);
}

bool MapGrid::Place(const QPointF &p)
{
    const std::optional<int> index = cellAt(p);
    if (!index)
        return false;
    CellRow = *index / GridCols;
    CellCol = *index % GridCols;
    MapCells[*index] = qint16(SelPic);
    return true;
}

QPoint MapGrid::cellOrigin(int index) const
{
    return QPoint(roundHalfEvenInt((index % GridCols) * CellWidth), roundHalfEvenInt((index / GridCols) * CellHeight));
}

QSize MapGrid::clientSize() const
{
    return QSize(roundHalfEvenInt(GridCols * CellWidth), roundHalfEvenInt(GridRows * CellHeight));
}

void MapGrid::Redraw(QImage &image, const QColor &background, const QColor &lines, const PictureFor &pictures)
{
    paintArea(image, image.rect(), &background, lines, pictures);
    if (!MapCells.isEmpty() && GridCols > 0) {
        CellCol = int(MapCells.size() - 1) % GridCols;
        CellRow = int(MapCells.size() - 1) / GridCols;
    }
}

void MapGrid::RedrawArea(QImage &image, const QRect &area, const QColor &background, const QColor &lines,
                         const PictureFor &pictures) const
{
    paintArea(image, area, &background, lines, pictures);
}

void MapGrid::DrawOnBackground(QImage &image, const QColor &lines, const PictureFor &pictures) const
{
    paintArea(image, image.rect(), nullptr, lines, pictures);
}

QRect MapGrid::changedArea(int index, int before, const PictureFor &pictures) const
{
    if (index < 0 || index >= MapCells.size())
        return QRect();
    const QPoint at = cellOrigin(index);
    QRect area(at, QSize(roundHalfEvenInt(CellWidth), roundHalfEvenInt(CellHeight)));
    for (const int value : {before, int(MapCells.at(index))}) {
        const Picture *picture = value >= 1 && value <= kPictureCount && pictures ? pictures(value) : nullptr;
        if (picture && !picture->isNull())
            area |= QRect(at, picture->naturalSize);
    }
    return area & QRect(QPoint(0, 0), clientSize());
}

void MapGrid::paintArea(QImage &image, const QRect &area, const QColor *background, const QColor &lines,
                        const PictureFor &pictures) const
{
    const QRect clip = area & image.rect();
    if (clip.isEmpty())
        return;
    QPainter p(&image);
    if (background) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(clip, *background);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (GridCols < 1 || GridRows < 1 || CellWidth <= 0 || CellHeight <= 0)
        return;

    // Which lines and cells can reach clip: found from the cell size, with a
    // cell to spare either side for the rounding of cell origins.
    const auto first = [](int from, double step) { return int(std::floor(from / step)) - 1; };
    const auto last = [](int to, double step) { return int(std::floor(to / step)) + 1; };

    // The inner lines run across the whole image, one pixel wide.
    for (int i = std::max(1, first(clip.left(), CellWidth)); i <= std::min(GridCols - 1, last(clip.right(), CellWidth));
         ++i) {
        const int x = roundHalfEvenInt(i * CellWidth);
        if (x >= clip.left() && x <= clip.right())
            p.fillRect(QRect(x, clip.top(), 1, clip.height()), lines);
    }
    for (int j = std::max(1, first(clip.top(), CellHeight));
         j <= std::min(GridRows - 1, last(clip.bottom(), CellHeight)); ++j) {
        const int y = roundHalfEvenInt(j * CellHeight);
        if (y >= clip.top() && y <= clip.bottom())
            p.fillRect(QRect(clip.left(), y, clip.width(), 1), lines);
    }

    // A picture may be larger than a cell, so cells up to the largest
    // picture's size to the left and above can reach into clip.
    const Picture *shown[kPictureCount + 1] = {};
    QSize largest(0, 0);
    for (int v = 1; v <= kPictureCount; ++v) {
        const Picture *picture = pictures ? pictures(v) : nullptr;
        if (!picture || picture->isNull())
            continue;
        shown[v] = picture;
        largest = largest.expandedTo(picture->naturalSize);
    }
    if (largest.isEmpty())
        return;
    const int col0 = std::max(0, first(clip.left() - largest.width(), CellWidth));
    const int col1 = std::min(GridCols - 1, last(clip.right(), CellWidth));
    const int row0 = std::max(0, first(clip.top() - largest.height(), CellHeight));
    const int row1 = std::min(GridRows - 1, last(clip.bottom(), CellHeight));
    p.setClipRect(clip);
    // Row by row, column by column: ascending index order, so a later cell
    // paints over an earlier one as in a full redraw.
    for (int row = row0; row <= row1; ++row) {
        for (int col = col0; col <= col1; ++col) {
            const qsizetype i = qsizetype(row) * GridCols + col;
            if (i >= MapCells.size())
                return;
            const int value = MapCells.at(i);
            if (value < 1 || value > kPictureCount || !shown[value])
                continue;
            const QRect target(cellOrigin(int(i)), shown[value]->naturalSize);
            if (target.intersects(clip))
                p.drawImage(target, shown[value]->image);
        }
    }
}

QByteArray encodeMapCells(const QVector<qint16> &cells)
{
    QByteArray bytes(cells.size() * 2, Qt::Uninitialized);
    for (int i = 0; i < cells.size(); ++i) {
        const quint16 v = quint16(cells.at(i));
        bytes[2 * i] = char(v & 0xff);
        bytes[2 * i + 1] = char(v >> 8);
    }
    return bytes;
}

FileResult writeMapCells(QIODevice *device, const QVector<qint16> &cells)
{
    return writeAll(device, encodeMapCells(cells));
}

FileResult saveMapFile(const QString &path, const QVector<qint16> &cells)
{
    return saveAtomically(path, [&cells](QIODevice *device) { return writeMapCells(device, cells); });
}

MapFileRead readMapCells(QIODevice *device, int count)
{
    MapFileRead result;
    count = std::clamp(count, 0, MapGrid::kMaxCells);
    QByteArray bytes(qsizetype(count) * 2, Qt::Uninitialized);
    // A short file is no failure, a read that fails is.
    const qint64 got = device->read(bytes.data(), bytes.size());
    if (got < 0) {
        static_cast<FileResult &>(result) = readFailed(device);
        return result;
    }
    result.cells = QVector<qint16>(count, 0);
    const int available = int(got / 2);
    for (int i = 0; i < available; ++i) {
        const qint16 v = qint16(quint16(uchar(bytes[2 * i])) | quint16(uchar(bytes[2 * i + 1])) << 8);
        if (v < 0 || v > MapGrid::kPictureCount) {
            ++result.outOfRange;
            continue;
        }
        result.cells[i] = v;
    }
    return result;
}

MapFileRead loadMapFile(const QString &path, int count)
{
    return loadFrom<MapFileRead>(path, [count](QIODevice *device) { return readMapCells(device, count); });
}

} // namespace ptt
