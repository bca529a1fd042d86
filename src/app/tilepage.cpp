#include "tilepage.h"

#include <QPainter>

namespace ptt {

QSize tileGrid(const QSize &page, const QSize &tile)
{
    if (tile.width() <= 0 || tile.height() <= 0 || page.isEmpty())
        return QSize(0, 0);
    return QSize((page.width() + tile.width() - 1) / tile.width(),
                 (page.height() + tile.height() - 1) / tile.height());
}

void TilePageReference(QImage &page, const QImage &source, const QSize &tile)
{
    if (page.isNull() || source.isNull() || tile.width() <= 0 || tile.height() <= 0)
        return;
    QPainter painter(&page);
    for (int y = 0; y < page.height(); y += tile.height())
        for (int x = 0; x < page.width(); x += tile.width())
            painter.drawImage(QRect(x, y, tile.width(), tile.height()), source);
}

void TilePage(QImage &page, const QImage &source, const QSize &tile)
{
    TilePageReference(page, source, tile);
}

} // namespace ptt
