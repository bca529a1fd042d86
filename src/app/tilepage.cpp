#include "tilepage.h"

#include <QPainter>

#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// Shortest run of pixels a replicated row is built to, so that narrow tiles
// still copy in long strides.
constexpr int kMinRowPeriod = 64;
// Size the super-tile of a blended tiling grows to, in pixels.
constexpr int kSuperTileWidth = 512;
constexpr int kSuperTileHeight = 128;

// Whether the painter draws every tile of this source with the same pixels
// wherever the tile lies. An unscaled source is copied pixel for pixel; a 1 x 1
// source is a solid fill; these formats are scaled by a routine that samples
// relative to the target rectangle. Other scaled formats go through the
// general transform path, whose sampling is rounded from absolute page
// coordinates and may differ from tile to tile by one source pixel.
bool tilesAlike(const QImage &source, const QSize &tile)
{
    if (source.size() == tile || source.size() == QSize(1, 1))
        return true;
    return source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32_Premultiplied;
}

// One tile as the painter draws it at (0, 0), cut to the part a page of
// visible size can show. Premultiplied, so it is what the painter blends.
QImage drawnTile(const QImage &source, const QSize &tile, const QSize &visible, QImage::Format format)
{
    QImage out(visible, format);
    if (out.isNull())
        return out;
    out.fill(0);
    QPainter painter(&out);
    painter.drawImage(QRect(QPoint(0, 0), tile), source);
    return out;
}

enum class Cover { Opaque, Nothing, Blend };

Cover coverOf(const QImage &tile)
{
    bool allOpaque = true;
    bool allZero = true;
    for (int y = 0; y < tile.height() && (allOpaque || allZero); ++y) {
        const auto *line = reinterpret_cast<const quint32 *>(tile.constScanLine(y));
        for (int x = 0; x < tile.width(); ++x) {
            allOpaque = allOpaque && (line[x] >> 24) == 0xff;
            allZero = allZero && line[x] == 0;
        }
    }
    if (allOpaque)
        return Cover::Opaque;
    return allZero ? Cover::Nothing : Cover::Blend;
}

// Pixels of a pattern row beyond its period (a copy of its start), so that a
// block load near the end of the period never wraps.
constexpr int kRowSlack = 16;

// Writes one page row from a periodic pattern row of period pixels (followed
// by kRowSlack more).
void writeRow(quint32 *dst, int width, const quint32 *pattern, int period)
{
    int x = 0;
    int k = 0;
#if defined(__SSE2__)
    // Whole cache lines of streaming stores: the page is far larger than the
    // cache and is not read back soon, so writing around the cache saves
    // reading each line in first. Needs period >= 16 once the loop runs.
    if (width >= 32 && period >= 16) {
        for (; reinterpret_cast<quintptr>(dst + x) & 63; ++x) {
            dst[x] = pattern[k];
            if (++k == period)
                k = 0;
        }
        for (; x + 16 <= width; x += 16) {
            const auto *in = reinterpret_cast<const __m128i *>(pattern + k);
            auto *out = reinterpret_cast<__m128i *>(dst + x);
            const __m128i a = _mm_loadu_si128(in);
            const __m128i b = _mm_loadu_si128(in + 1);
            const __m128i c = _mm_loadu_si128(in + 2);
            const __m128i d = _mm_loadu_si128(in + 3);
            _mm_stream_si128(out, a);
            _mm_stream_si128(out + 1, b);
            _mm_stream_si128(out + 2, c);
            _mm_stream_si128(out + 3, d);
            k += 16;
            if (k >= period)
                k -= period;
        }
    }
#else
    for (; x + period <= width; x += period)
        std::memcpy(dst + x, pattern, size_t(period) * 4);
#endif
    for (; x < width; ++x) {
        dst[x] = pattern[k];
        if (++k == period)
            k = 0;
    }
}

// Fills the page with copies of an opaque tile. tile is the visible part of
// one tile (tileWidth x tileHeight, cut to the page).
void replicateOpaque(QImage &page, const QImage &tile)
{
    const int pageW = page.width();
    const int pageH = page.height();
    const int tw = tile.width();
    const int th = tile.height();
    const int period = tw >= pageW ? pageW : tw * ((kMinRowPeriod + tw - 1) / tw);
    const size_t rowLen = size_t(period) + kRowSlack;

    std::vector<quint32> rows(rowLen * size_t(th));
    for (int j = 0; j < th; ++j) {
        const auto *src = reinterpret_cast<const quint32 *>(tile.constScanLine(j));
        quint32 *row = rows.data() + rowLen * size_t(j);
        for (size_t k = 0; k < rowLen; ++k)
            row[k] = src[(k % size_t(period)) % size_t(tw)];
    }
    for (int y = 0; y < pageH; ++y) {
        auto *dst = reinterpret_cast<quint32 *>(page.scanLine(y));
        writeRow(dst, pageW, rows.data() + rowLen * size_t(y % th), period);
    }
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// Blends copies of a partly transparent tile over the page. The tile is
// first repeated into a larger super-tile, which the painter then blends
// unscaled: blending is per pixel, so drawing the super-tile gives the same
// pixels as drawing each tile, at a fraction of the painter calls.
void blendReplicated(QImage &page, const QImage &tile)
{
    const int tw = tile.width();
    const int th = tile.height();
    const auto grow = [](int step, int want, int limit) {
        if (step >= limit)
            return step;
        const int reps = qMin((want + step - 1) / step, (limit + step - 1) / step);
        return step * qMax(1, reps);
    };
    const int superW = grow(tw, kSuperTileWidth, page.width());
    const int superH = grow(th, kSuperTileHeight, page.height());

    QImage super = tile;
    if (superW != tw || superH != th) {
        super = QImage(superW, superH, QImage::Format_ARGB32_Premultiplied);
        if (super.isNull()) {
            super = tile;
        } else {
            for (int y = 0; y < superH; ++y) {
                const auto *src = reinterpret_cast<const quint32 *>(tile.constScanLine(y % th));
                auto *dst = reinterpret_cast<quint32 *>(super.scanLine(y));
                for (int x = 0; x < superW; x += tw)
                    std::memcpy(dst + x, src, size_t(qMin(tw, superW - x)) * 4);
            }
        }
    }
    QPainter painter(&page);
    for (int y = 0; y < page.height(); y += super.height())
        for (int x = 0; x < page.width(); x += super.width())
            painter.drawImage(QPoint(x, y), super);
}

} // namespace

void TilePage(QImage &page, const QImage &source, const QSize &tile)
{
    if (page.isNull() || source.isNull() || tile.width() <= 0 || tile.height() <= 0)
        return;
    const bool pageFormatKnown =
        page.format() == QImage::Format_RGB32 || page.format() == QImage::Format_ARGB32_Premultiplied;
    if (!pageFormatKnown || !tilesAlike(source, tile)) {
        TilePageReference(page, source, tile);
        return;
    }
    const QSize visible(qMin(tile.width(), page.width()), qMin(tile.height(), page.height()));
    if (!source.hasAlphaChannel()) {
        const QImage drawn = drawnTile(source, tile, visible, QImage::Format_RGB32);
        if (drawn.isNull())
            TilePageReference(page, source, tile);
        else
            replicateOpaque(page, drawn);
        return;
    }
    const QImage drawn = drawnTile(source, tile, visible, QImage::Format_ARGB32_Premultiplied);
    if (drawn.isNull()) {
        TilePageReference(page, source, tile);
        return;
    }
    switch (coverOf(drawn)) {
    case Cover::Opaque:
        replicateOpaque(page, drawn);
        break;
    case Cover::Nothing:
        break;
    case Cover::Blend:
        if (source.size() == QSize(1, 1)) {
            // The painter draws a 1 x 1 source as a solid fill of the target,
            // so one fill of the whole page is every tile at once.
            QPainter painter(&page);
            painter.drawImage(QRect(0, 0, page.width(), page.height()), source);
        } else {
            blendReplicated(page, drawn);
        }
        break;
    }
}

} // namespace ptt
