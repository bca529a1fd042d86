#include "tilepage.h"

#include "platform/memorybudget.h"

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
    return QSize((page.width() + tile.width() - 1) / tile.width(), (page.height() + tile.height() - 1) / tile.height());
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

// The rows of one tile, each repeated to a period of at least kMinRowPeriod
// pixels (or cut to the page's width) and followed by kRowSlack more.
struct PatternRows {
    std::vector<quint32> pixels;
    int period = 0;
    size_t rowLength = 0;
    int count = 0;
    const quint32 *row(int y) const { return pixels.data() + rowLength * size_t(y % count); }
};

PatternRows patternRows(const QImage &tile, int pageWidth)
{
    PatternRows rows;
    const int tw = tile.width();
    rows.period = tw >= pageWidth ? pageWidth : tw * ((kMinRowPeriod + tw - 1) / tw);
    rows.rowLength = size_t(rows.period) + kRowSlack;
    rows.count = tile.height();
    rows.pixels.resize(rows.rowLength * size_t(rows.count));
    for (int j = 0; j < rows.count; ++j) {
        const auto *src = reinterpret_cast<const quint32 *>(tile.constScanLine(j));
        quint32 *row = rows.pixels.data() + rows.rowLength * size_t(j);
        for (size_t k = 0; k < rows.rowLength; ++k)
            row[k] = src[(k % size_t(rows.period)) % size_t(tw)];
    }
    return rows;
}

// Fills the page with copies of an opaque tile. tile is the visible part of
// one tile (tile size cut to the page).
void replicateOpaque(QImage &page, const QImage &tile)
{
    const PatternRows rows = patternRows(tile, page.width());
    for (int y = 0; y < page.height(); ++y)
        writeRow(reinterpret_cast<quint32 *>(page.scanLine(y)), page.width(), rows.row(y), rows.period);
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// The painter's source-over of a premultiplied pixel: s + d * (255 - alpha of
// s) / 255, each channel rounded as the painter rounds. It leaves d as it is
// where s is 0 and gives s where s is opaque.
inline quint32 sourceOver(quint32 s, quint32 d)
{
    const quint32 a = 255 - (s >> 24);
    quint32 rb = (d & 0xff00ff) * a;
    rb = ((rb + ((rb >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    quint32 ag = ((d >> 8) & 0xff00ff) * a;
    ag = (ag + ((ag >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return s + (rb | ag);
}

void blendRow(quint32 *dst, int width, const quint32 *pattern, int period)
{
    int x = 0;
    int k = 0;
#if defined(__SSE2__)
    if (period >= 4) {
        const __m128i lowBytes = _mm_set1_epi16(0x00ff);
        const __m128i half = _mm_set1_epi16(0x0080);
        const __m128i full = _mm_set1_epi32(0xff);
        const __m128i alpha = _mm_set1_epi32(int(0xff000000u));
        for (; x + 4 <= width; x += 4) {
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pattern + k));
            auto *out = reinterpret_cast<__m128i *>(dst + x);
            k += 4;
            if (k >= period)
                k -= period;
            // Opaque and empty runs, common in GIF and ICO pictures, need no
            // arithmetic: the formula gives s and d there.
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alpha), alpha)) == 0xffff) {
                _mm_storeu_si128(out, s);
                continue;
            }
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(s, _mm_setzero_si128())) == 0xffff)
                continue;
            const __m128i d = _mm_loadu_si128(out);
            // 255 - alpha in both 16-bit halves of each pixel.
            __m128i a = _mm_sub_epi32(full, _mm_srli_epi32(s, 24));
            a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
            __m128i rb = _mm_mullo_epi16(_mm_and_si128(d, lowBytes), a);
            __m128i ag = _mm_mullo_epi16(_mm_srli_epi16(d, 8), a);
            rb = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(rb, _mm_srli_epi16(rb, 8)), half), 8);
            ag = _mm_andnot_si128(lowBytes, _mm_add_epi16(_mm_add_epi16(ag, _mm_srli_epi16(ag, 8)), half));
            _mm_storeu_si128(out, _mm_add_epi32(s, _mm_or_si128(rb, ag)));
        }
    }
#endif
    for (; x < width; ++x) {
        dst[x] = sourceOver(pattern[k], dst[x]);
        if (++k == period)
            k = 0;
    }
}

// Blends copies of a partly transparent tile (premultiplied, as the painter
// drew it) over the page, pixel by pixel as the painter blends.
void blendReplicated(QImage &page, const QImage &tile)
{
    const PatternRows rows = patternRows(tile, page.width());
    for (int y = 0; y < page.height(); ++y)
        blendRow(reinterpret_cast<quint32 *>(page.scanLine(y)), page.width(), rows.row(y), rows.period);
}

} // namespace

struct TileBandSource::Rows : PatternRows {};

TileBandSource::TileBandSource(const QSize &pageSize, const QColor &background, const QImage &source,
                               const QSize &tileSize)
    : m_page(pageSize), m_background(background), m_source(source), m_tile(tileSize)
{
    if (source.isNull() || tileSize.isEmpty() || pageSize.isEmpty() || !tilesAlike(source, tileSize))
        return;
    // On a background of one colour every tile of the page comes out as the first one does.
    QImage cell(qMin(tileSize.width(), pageSize.width()), qMin(tileSize.height(), pageSize.height()),
                QImage::Format_RGB32);
    if (cell.isNull())
        return;
    cell.fill(background);
    TilePage(cell, source, tileSize);
    m_rows = std::make_unique<Rows>();
    static_cast<PatternRows &>(*m_rows) = patternRows(cell, pageSize.width());
}

TileBandSource::~TileBandSource() = default;

int TileBandSource::rowPeriod() const
{
    return m_rows ? m_rows->count : 0;
}

int TileBandSource::columnPeriod() const
{
    return m_rows ? m_rows->period : 0;
}

bool TileBandSource::drawBand(QImage &band, int top)
{
    if (m_rows) {
        for (int y = 0; y < band.height(); ++y)
            writeRow(reinterpret_cast<quint32 *>(band.scanLine(y)), band.width(), m_rows->row(top + y), m_rows->period);
#if defined(__SSE2__)
        _mm_sfence();
#endif
        return true;
    }
    band.fill(m_background);
    if (m_source.isNull() || m_tile.isEmpty())
        return true;
    // The tiles that reach into the band, drawn as TilePageReference draws them on the whole page.
    QPainter painter(&band);
    painter.translate(0, -top);
    for (int y = top / m_tile.height() * m_tile.height(); y < top + band.height(); y += m_tile.height())
        for (int x = 0; x < m_page.width(); x += m_tile.width())
            painter.drawImage(QRect(x, y, m_tile.width(), m_tile.height()), m_source);
    return true;
}

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
    // The fast way holds the drawn tile and its repeated rows besides the page,
    // each up to a page's size; without the memory for both, the painter tiles.
    const qint64 rowsBytes =
        qint64(qMin(page.width(), qMax(visible.width(), kMinRowPeriod + visible.width())) + kRowSlack) *
        visible.height() * 4;
    if (!MemoryBudget::fits(qint64(visible.width()) * visible.height() * 4 + rowsBytes)) {
        TilePageReference(page, source, tile);
        return;
    }
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
