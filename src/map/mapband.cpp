#include "mapband.h"

#include "mapgrid.h"
#include "mapstock.h"

#include "pageops/samples.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstring>

namespace ptt {

namespace {

// Columns of a band drawn at a time: each part is drawn with the cells that
// reach it from the left and above, so the work beyond the band stays small.
constexpr int kPartWidth = 2048;

class MapBandSource : public BandSource {
public:
    MapBandSource(MapGrid grid, std::array<Picture, MapGrid::kPictureCount> pictures)
        : m_grid(std::move(grid)), m_pictures(std::move(pictures))
    {
        m_cell = QSize(int(m_grid.CellWidth), int(m_grid.CellHeight));
        // How far a filled cell's picture reaches beyond its top-left corner.
        for (qint16 value : std::as_const(m_grid.MapCells))
            if (value > 0 && value <= MapGrid::kPictureCount)
                m_reach = m_reach.expandedTo(m_pictures[value - 1].naturalSize);
    }
    QSize pageSize() const override { return m_grid.clientSize(); }
    QString error() const override { return m_error; }

    bool drawBand(QImage &band, int top) override
    {
        const QSize page = pageSize();
        if (band.format() != QImage::Format_RGB32 || band.width() != page.width() || top < 0 || band.height() < 1 ||
            top + band.height() > page.height()) {
            m_error = QStringLiteral("页面的第 %1 行起的 %2 行不在页面内。").arg(top).arg(band.height());
            return false;
        }
        const int bottom = top + band.height();
        const int firstRow = firstReaching(top, m_reach.height(), m_cell.height());
        const int lastRow = std::min(m_grid.GridRows - 1, (bottom - 1) / m_cell.height());
        for (int left = 0; left < page.width(); left += kPartWidth) {
            const int right = std::min(page.width(), left + kPartWidth);
            const int firstCol = firstReaching(left, m_reach.width(), m_cell.width());
            const int lastCol = std::min(m_grid.GridCols - 1, (right - 1) / m_cell.width());
            if (!drawPart(band, top, QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), firstRow, lastRow,
                          firstCol, lastCol))
                return false;
        }
        return true;
    }

private:
    // The first row (or column) whose picture may reach `edge`. Its own line
    // lies before the edge (or it is the first), since the partial grid drawn
    // from it has no line along its own top (left) side.
    static int firstReaching(int edge, int reach, int cell)
    {
        const int from = edge - std::max(1, reach);
        return from <= 0 ? 0 : from / cell;
    }

    // Draws the rectangle `part` (page pixels) of the band: the window's
    // Redraw of the cells in rows firstRow..lastRow and columns
    // firstCol..lastCol, into an image whose origin is that partial grid's
    // top-left corner. Cell sizes are whole pixels, so every line and
    // picture lands on the page pixel the whole grid would put it on.
    bool drawPart(QImage &band, int top, const QRect &part, int firstRow, int lastRow, int firstCol, int lastCol)
    {
        MapGrid grid;
        grid.GridCols = lastCol - firstCol + 1;
        grid.GridRows = lastRow - firstRow + 1;
        grid.CellWidth = m_cell.width();
        grid.CellHeight = m_cell.height();
        grid.MapCells.resize(grid.GridCols * grid.GridRows);
        for (int r = 0; r < grid.GridRows; ++r)
            std::copy_n(m_grid.MapCells.constData() + (firstRow + r) * m_grid.GridCols + firstCol, grid.GridCols,
                        grid.MapCells.data() + r * grid.GridCols);
        const QPoint origin(firstCol * m_cell.width(), firstRow * m_cell.height());
        QImage image(part.right() + 1 - origin.x(), part.bottom() + 1 - origin.y(), QImage::Format_RGB32);
        if (image.isNull()) {
            m_error = QStringLiteral("内存不足，无法画出页面的第 %1 行。").arg(top);
            return false;
        }
        grid.Redraw(image, kMapBackColour, kMapLineColour, [this](int value) -> const Picture * {
            return value >= 1 && value <= MapGrid::kPictureCount ? &m_pictures[value - 1] : nullptr;
        });
        const qsizetype bytes = qsizetype(part.width()) * 4;
        for (int y = part.top(); y <= part.bottom(); ++y)
            std::memcpy(band.scanLine(y - top) + qsizetype(part.left()) * 4,
                        image.constScanLine(y - origin.y()) + qsizetype(part.left() - origin.x()) * 4, bytes);
        return true;
    }

    MapGrid m_grid;
    std::array<Picture, MapGrid::kPictureCount> m_pictures;
    QSize m_cell;
    QSize m_reach{1, 1};
    QString m_error;
};

} // namespace

std::unique_ptr<BandSource> makeMapBandSource(const QString &mapPath, int columns, int rows,
                                              const QStringList &pictureFiles, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return nullptr;
    };
    if (!pictureFiles.isEmpty() && pictureFiles.size() != MapGrid::kPictureCount)
        return fail(QStringLiteral("小图必须是 %1 个文件，现在给了 %2 个。")
                        .arg(MapGrid::kPictureCount)
                        .arg(pictureFiles.size()));

    std::array<Picture, MapGrid::kPictureCount> pictures;
    for (int k = 1; k <= MapGrid::kPictureCount; ++k) {
        if (pictureFiles.isEmpty()) {
            pictures[k - 1] = storedPicture(mapSmallPicturePath(k));
            continue;
        }
        const QString &file = pictureFiles[k - 1];
        PictureLoadResult loaded = loadPicture(file);
        if (!loaded.ok())
            return fail(
                QStringLiteral("无法载入小图%1“%2”：%3").arg(k).arg(QDir::toNativeSeparators(file), loaded.error));
        pictures[k - 1] = std::move(loaded.picture);
    }

    // 确定大小 with small picture 1's size, then 载入地图.
    MapGrid grid;
    QString refused;
    if (!grid.SetUpGrid(QString::number(columns), QString::number(rows), QSizeF(pictures[0].naturalSize), &refused))
        return fail(refused);
    if (!QFileInfo(mapPath).isFile())
        return fail(QStringLiteral("找不到 [") + QDir::toNativeSeparators(mapPath) + QStringLiteral("] 档案"));
    const MapFileRead read = loadMapFile(mapPath, grid.cellCount());
    if (!read.ok)
        return fail(QStringLiteral("无法读取地图档 [%1]：%2").arg(QDir::toNativeSeparators(mapPath), read.error));
    grid.MapCells = read.cells;
    return std::make_unique<MapBandSource>(std::move(grid), std::move(pictures));
}

} // namespace ptt
