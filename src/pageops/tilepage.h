#pragma once
// TilePage: covers a page image with copies of a source picture scaled to the
// tile size, from (0, 0), row by row, each row from the left; the last column
// and row are cut off at the page's edges. The page is not cleared first:
// where the source is transparent the earlier content stays.
#include <QImage>
#include <QSize>

namespace ptt {

// Number of tiles a page of pageSize receives with tiles of tileSize.
QSize tileGrid(const QSize &pageSize, const QSize &tileSize);

// The fast version used by the windows. Results are pixel-identical to
// TilePageReference.
void TilePage(QImage &page, const QImage &source, const QSize &tileSize);

// One painter call per tile: the definition of the result.
void TilePageReference(QImage &page, const QImage &source, const QSize &tileSize);

} // namespace ptt
