#pragma once
// TilePage: covers a page image with copies of a source picture scaled to the
// tile size, from (0, 0), row by row, each row from the left; the last column
// and row are cut off at the page's edges. The page is not cleared first:
// where the source is transparent the earlier content stays.
#include "formats/bandsource.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <memory>

namespace ptt {

// Number of tiles a page of pageSize receives with tiles of tileSize.
QSize tileGrid(const QSize &pageSize, const QSize &tileSize);

// The fast version used by the windows. Results are pixel-identical to
// TilePageReference.
void TilePage(QImage &page, const QImage &source, const QSize &tileSize);

// One painter call per tile: the definition of the result.
void TilePageReference(QImage &page, const QImage &source, const QSize &tileSize);

// A page of pageSize pixels filled with background and then tiled by TilePage, drawn a band at a
// time: each band equals the same rows of the whole page, and memory stays at about one tile.
class TileBandSource : public BandSource {
public:
    TileBandSource(const QSize &pageSize, const QColor &background, const QImage &source, const QSize &tileSize);
    ~TileBandSource() override;
    QSize pageSize() const override { return m_page; }
    bool drawBand(QImage &band, int top) override;
    int rowPeriod() const override;
    int columnPeriod() const override;

private:
    struct Rows;
    QSize m_page;
    QColor m_background;
    QImage m_source;
    QSize m_tile;
    // The first tile as the page shows it, when every tile looks the same; otherwise null and each
    // band is drawn tile by tile.
    std::unique_ptr<Rows> m_rows;
};

} // namespace ptt
