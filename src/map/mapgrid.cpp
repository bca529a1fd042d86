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

bool MapGrid::Place(const QPointF &p)
{
    if (MapCells.isEmpty())
        return false;
    const double x = roundHalfEven(p.x());
    const double y = roundHalfEven(p.y());
    const double w = roundHalfEven(CellWidth);
    const double h = roundHalfEven(CellHeight);
    if (x < 0 || y < 0 || w <= 0 || h <= 0)
        return false;
    const qint64 col = qint64(x) / qint64(w);
    const qint64 row = qint64(y) / qint64(h);
    if (col >= GridCols || row >= GridRows)
        return false; // released outside the grid
    CellRow = int(row);
    CellCol = int(col);
    MapCells[CellRow * GridCols + CellCol] = qint16(SelPic);
    return true;
}

QSize MapGrid::clientSize() const
{
    return QSize(roundHalfEvenInt(GridCols * CellWidth), roundHalfEvenInt(GridRows * CellHeight));
}

void MapGrid::Redraw(QImage &image, const QColor &background, const QColor &lines, const PictureFor &pictures)
{
    image.fill(background);
    QPainter p(&image);
    p.setPen(QPen(lines, 1));
    const int w = image.width();
    const int h = image.height();
    for (int i = 1; i < GridCols; ++i) {
        const int x = roundHalfEvenInt(i * CellWidth);
        p.drawLine(x, 0, x, h);
    }
    for (int j = 1; j < GridRows; ++j) {
        const int y = roundHalfEvenInt(j * CellHeight);
        p.drawLine(0, y, w, y);
    }
    for (int i = 0; i < MapCells.size(); ++i) {
        CellCol = i % GridCols;
        CellRow = i / GridCols;
        const int value = MapCells.at(i);
        if (value == 0)
            continue;
        const Picture *picture = pictures ? pictures(value) : nullptr;
        if (!picture || picture->isNull())
            continue;
        const QPoint at(roundHalfEvenInt(CellCol * CellWidth), roundHalfEvenInt(CellRow * CellHeight));
        p.drawImage(QRect(at, picture->naturalSize), picture->image);
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
