#include "bmpwriter.h"

#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PTT_BMP_SSSE3 1
#endif

namespace ptt {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr quint32 kPixelsPerMetre96Dpi = 3780; // 96 / 0.0254, rounded

inline void put16(unsigned char *p, quint16 v)
{
    p[0] = v & 0xff;
    p[1] = v >> 8;
}

inline void put32(unsigned char *p, quint32 v)
{
    p[0] = v & 0xff;
    p[1] = (v >> 8) & 0xff;
    p[2] = (v >> 16) & 0xff;
    p[3] = v >> 24;
}

inline qint64 rowStride(int width)
{
    return (qint64(width) * 3 + 3) & ~qint64(3);
}

// One row of 0xAARRGGBB pixels (little-endian: B, G, R, A in memory) to BGR.
inline void packRow(const uchar *src, uchar *dst, int width)
{
    int x = 0;
    // Four pixels at a time: 16 bytes in, 12 out.
    for (; x + 4 <= width; x += 4) {
        quint32 p0, p1, p2, p3;
        std::memcpy(&p0, src, 4);
        std::memcpy(&p1, src + 4, 4);
        std::memcpy(&p2, src + 8, 4);
        std::memcpy(&p3, src + 12, 4);
        const quint32 w0 = (p0 & 0xffffff) | (p1 << 24);
        const quint32 w1 = ((p1 >> 8) & 0xffff) | (p2 << 16);
        const quint32 w2 = ((p2 >> 16) & 0xff) | (p3 << 8);
        std::memcpy(dst, &w0, 4);
        std::memcpy(dst + 4, &w1, 4);
        std::memcpy(dst + 8, &w2, 4);
        src += 16;
        dst += 12;
    }
    for (; x < width; ++x) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        src += 4;
        dst += 3;
    }
}

#if defined(PTT_BMP_SSSE3)
// The same packing, sixteen pixels a step with byte shuffles, on processors
// that have them (chosen at run time).
__attribute__((target("ssse3"))) void packRowSsse3(const uchar *src, uchar *dst, int width)
{
    // Per 4 pixels: bytes 0-2, 4-6, 8-10, 12-14 to the low 12 bytes.
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src)), pack);
        const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 16)), pack);
        const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 32)), pack);
        const __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 48)), pack);
        // 12 + 12 + 12 + 12 bytes into three 16-byte stores.
        const __m128i out0 = _mm_or_si128(a, _mm_slli_si128(b, 12));
        const __m128i out1 = _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8));
        const __m128i out2 = _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), out0);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 16), out1);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 32), out2);
        src += 64;
        dst += 48;
    }
    packRow(src, dst, width - x);
}
#endif

using PackRowFn = void (*)(const uchar *, uchar *, int);

PackRowFn rowPacker()
{
#if defined(PTT_BMP_SSSE3)
    if (__builtin_cpu_supports("ssse3"))
        return packRowSsse3;
#endif
    return packRow;
}

} // namespace

qint64 bmp24FileSize(int width, int height)
{
    return kFileHeaderSize + kInfoHeaderSize + rowStride(width) * height;
}

FileResult checkBmp24Size(const QSize &page)
{
    if (page.width() <= 0 || page.height() <= 0)
        return FileResult::failed(QStringLiteral("没有可保存的图像。"));
    // The file size field is 32 bits; every other header field is smaller than it.
    if (bmp24FileSize(page.width(), page.height()) > qint64(0xffffffffu))
        return FileResult::failed(
            QStringLiteral("页面太大（%1 × %2 像素）：BMP 文件不能超过 4 GB。").arg(page.width()).arg(page.height()));
    return {};
}

namespace {

// The pixel rows of a chunk are packed and handed to the device in pieces of about this size, so that
// the packed bytes are still in the processor's cache when the system copies them.
constexpr qint64 kChunkBytes = 256 << 10;

// Most memory a page of repeating rows may take to hold its rows packed, and how large each write of
// them is at least, when the page is that large.
constexpr qint64 kRepeatBudget = 32 << 20;
constexpr qint64 kRepeatWrite = 4 << 20;

// Rows of 0xAARRGGBB pixels, asked for from the bottom row up; nullptr ends the write with the
// source's error.
using RowFetch = std::function<const uchar *(int y)>;

bool writeHeader(QIODevice *device, const QSize &page)
{
    const int w = page.width();
    const int h = page.height();
    const qint64 stride = rowStride(w);
    unsigned char header[kFileHeaderSize + kInfoHeaderSize] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, quint32(bmp24FileSize(w, h)));
    put32(header + 10, kFileHeaderSize + kInfoHeaderSize);
    unsigned char *info = header + kFileHeaderSize;
    put32(info + 0, kInfoHeaderSize);
    put32(info + 4, quint32(w));
    put32(info + 8, quint32(h)); // positive height: bottom-up rows
    put16(info + 12, 1);
    put16(info + 14, 24);
    put32(info + 16, 0); // BI_RGB
    put32(info + 20, quint32(stride * h));
    put32(info + 24, kPixelsPerMetre96Dpi);
    put32(info + 28, kPixelsPerMetre96Dpi);
    return device->write(reinterpret_cast<const char *>(header), sizeof header) == qint64(sizeof header);
}

FileResult outOfMemory()
{
    return FileResult::failed(QStringLiteral("内存不足，无法保存图像。"));
}

// Tells progress the share of h rows written once rowsLeft are left; false when the user stops.
bool tell(const Progress &progress, int h, int rowsLeft, int &reported)
{
    const int percent = int(qint64(h - rowsLeft) * 100 / h);
    if (!progress || percent == reported)
        return true;
    reported = percent;
    return progress(percent);
}

FileResult writeRows(QIODevice *device, const QSize &page, const RowFetch &rowAt, const std::function<QString()> &error,
                     const Progress &progress, int maxChunkRows = std::numeric_limits<int>::max())
{
    const int w = page.width();
    const int h = page.height();
    const qint64 stride = rowStride(w);
    if (!writeHeader(device, page))
        return writeFailed(device);

    // Rows go out in small chunks, bottom row first; progress is told after maxChunkRows at most.
    const int rowsPerChunk = qMin(maxChunkRows, int(qMax<qint64>(1, kChunkBytes / stride)));
    std::vector<uchar> buffer(size_t(stride * qMin(rowsPerChunk, h)), 0);
    const PackRowFn pack = rowPacker();
    int reported = -1;
    for (int y = h - 1; y >= 0;) {
        const int rows = qMin(rowsPerChunk, y + 1);
        uchar *out = buffer.data();
        for (int i = 0; i < rows; ++i, --y) {
            const uchar *row = rowAt(y);
            if (!row)
                return FileResult::failed(error());
            pack(row, out, w);
            // padding bytes stay zero: the buffer was zeroed and packRow
            // never touches them
            out += stride;
        }
        const qint64 bytes = stride * rows;
        if (device->write(reinterpret_cast<const char *>(buffer.data()), bytes) != bytes)
            return writeFailed(device);
        // When the save waits for the disk, that wait overlaps with packing the next rows.
        startWriteBack(device, bytes);
        if (!tell(progress, h, y + 1, reported))
            return FileResult::userCancelled();
    }
    return {};
}

// Draws page rows 0 to period - 1 band by band and hands each to take with its place in the file's
// bottom-up order of one period: page row h - 1 - i, drawn as row (h - 1 - i) % period, is place i.
bool drawPeriod(BandSource &source, int period, QImage &band,
                const std::function<void(int place, const uchar *row)> &take)
{
    const QSize page = source.pageSize();
    for (int top = 0; top < period; top += band.height()) {
        const int rows = qMin(band.height(), period - top);
        QImage part(band.bits(), page.width(), rows, band.bytesPerLine(), QImage::Format_RGB32);
        if (!source.drawBand(part, top) || part.format() != QImage::Format_RGB32 ||
            part.size() != QSize(page.width(), rows))
            return false;
        for (int r = 0; r < rows; ++r)
            take((page.height() - 1 - top - r) % period, part.constScanLine(r));
    }
    return true;
}

// A page that repeats both down and across, as a tiled page does: only one tile's pixels are packed,
// period rows of columns pixels, and each row of the file is put together from its tile row in a small
// buffer that is still in the processor's cache when the system copies it.
FileResult writeRepeatingTiles(QIODevice *device, BandSource &source, int period, int columns, QImage &band,
                               const Progress &progress, const std::function<QString()> &error)
{
    const QSize page = source.pageSize();
    const int w = page.width();
    const int h = page.height();
    const qint64 stride = rowStride(w);
    const size_t unit = size_t(columns) * 3;
    const size_t rowBytes = size_t(w) * 3;
    std::vector<uchar> tile;
    try {
        tile.resize(unit * size_t(period));
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
    const PackRowFn pack = rowPacker();
    if (!drawPeriod(source, period, band,
                    [&](int place, const uchar *row) { pack(row, tile.data() + unit * size_t(place), columns); }))
        return FileResult::failed(error());

    if (!writeHeader(device, page))
        return writeFailed(device);
    const int rowsPerPiece = int(qBound<qint64>(1, kChunkBytes / stride, qint64(h)));
    // Padding bytes stay zero: rows are put together over the first w * 3 bytes only.
    std::vector<uchar> piece(size_t(stride) * size_t(rowsPerPiece), 0);
    int reported = -1;
    for (int row = 0; row < h;) {
        const int rows = qMin(rowsPerPiece, h - row);
        for (int i = 0; i < rows; ++i, ++row) {
            uchar *out = piece.data() + size_t(stride) * size_t(i);
            std::memcpy(out, tile.data() + unit * size_t(row % period), qMin(unit, rowBytes));
            // Doubling what is there already: a few long copies rather than one per tile.
            for (size_t done = qMin(unit, rowBytes); done < rowBytes;) {
                const size_t n = qMin(done, rowBytes - done);
                std::memcpy(out + done, out, n);
                done += n;
            }
        }
        const qint64 bytes = stride * rows;
        if (device->write(reinterpret_cast<const char *>(piece.data()), bytes) != bytes)
            return writeFailed(device);
        startWriteBack(device, bytes);
        if (!tell(progress, h, h - row, reported))
            return FileResult::userCancelled();
    }
    return {};
}

// A page whose rows repeat with period rows: the bottom-up rows repeat with the same period, so one
// block of them, packed once, is written over and over.
FileResult writeRepeatingRows(QIODevice *device, BandSource &source, int period, QImage &band, const Progress &progress,
                              const std::function<QString()> &error)
{
    const QSize page = source.pageSize();
    const int w = page.width();
    const int h = page.height();
    const qint64 stride = rowStride(w);
    const qint64 periodBytes = stride * period;
    const int repeats =
        int(qBound<qint64>(1, kRepeatWrite / periodBytes, qMax<qint64>(1, kRepeatBudget / periodBytes)));
    const int blockRows = int(qMin<qint64>(qint64(period) * repeats, h));
    std::vector<uchar> block;
    try {
        block.assign(size_t(stride * blockRows), 0);
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
    const PackRowFn pack = rowPacker();
    // The block holds the period repeatedly.
    if (!drawPeriod(source, period, band, [&](int place, const uchar *row) {
            uchar *out = block.data() + stride * place;
            pack(row, out, w);
            for (int i = place + period; i < blockRows; i += period)
                std::memcpy(block.data() + stride * i, out, size_t(stride));
        }))
        return FileResult::failed(error());

    if (!writeHeader(device, page))
        return writeFailed(device);
    int reported = -1;
    for (int left = h; left > 0;) {
        const int rows = qMin(left, blockRows);
        const qint64 bytes = stride * rows;
        if (device->write(reinterpret_cast<const char *>(block.data()), bytes) != bytes)
            return writeFailed(device);
        startWriteBack(device, bytes);
        left -= rows;
        if (!tell(progress, h, left, reported))
            return FileResult::userCancelled();
    }
    return {};
}

} // namespace

FileResult writeBmp24(QIODevice *device, const QImage &source, const Progress &progress)
{
    if (source.isNull())
        return checkBmp24Size(QSize());
    if (FileResult fits = checkBmp24Size(source.size()); !fits)
        return fits;

    QImage image = source;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return outOfMemory();
    return writeRows(
        device, image.size(), [&image](int y) { return image.constScanLine(y); }, [] { return QString(); }, progress);
}

FileResult writeBmp24(QIODevice *device, BandSource &source, const BmpWriteOptions &options)
{
    const QSize page = source.pageSize();
    if (FileResult fits = checkBmp24Size(page); !fits)
        return fits;
    const qint64 rowBytes = qint64(page.width()) * 4;
    const int bandRows = int(qBound<qint64>(1, options.bandBytes / rowBytes, qint64(page.height())));
    QImage full(page.width(), bandRows, QImage::Format_RGB32);
    if (full.isNull())
        return outOfMemory();
    // Bands lie at multiples of bandRows from the top, so only the bottom one is shorter; it is drawn
    // into the start of the same memory.
    QImage band;
    int bandTop = -1;
    const auto rowAt = [&](int y) -> const uchar * {
        if (y < bandTop || bandTop < 0) {
            bandTop = y / bandRows * bandRows;
            const int rows = qMin(bandRows, page.height() - bandTop);
            band = rows == bandRows
                       ? full
                       : QImage(full.bits(), page.width(), rows, full.bytesPerLine(), QImage::Format_RGB32);
            if (!source.drawBand(band, bandTop) || band.format() != QImage::Format_RGB32 ||
                band.size() != QSize(page.width(), rows)) {
                return nullptr;
            }
        }
        return band.constScanLine(y - bandTop);
    };
    const auto error = [&source] {
        const QString why = source.error();
        return why.isEmpty() ? QStringLiteral("无法画出页面。") : why;
    };
    const int period = source.rowPeriod();
    const int columns = source.columnPeriod();
    if (period > 0 && columns > 0 && columns < page.width() &&
        qint64(qMin(period, page.height())) * columns * 3 <= kRepeatBudget)
        return writeRepeatingTiles(device, source, qMin(period, page.height()), columns, full, options.progress, error);
    if (period > 0 && period < page.height() && rowStride(page.width()) * period <= kRepeatBudget)
        return writeRepeatingRows(device, source, period, full, options.progress, error);
    // A chunk per band, so that progress is told and a stop is heard after each band.
    return writeRows(device, page, rowAt, error, options.progress, bandRows);
}

FileResult saveBmp24File(const QString &path, const QImage &image, const Progress &progress)
{
    return saveAtomically(path, [&](QIODevice *device) { return writeBmp24(device, image, progress); });
}

FileResult saveBmp24File(const QString &path, BandSource &source, const BmpWriteOptions &options)
{
    // Refused before a temporary file is made.
    if (FileResult fits = checkBmp24Size(source.pageSize()); !fits)
        return fits;
    return saveAtomically(path, [&](QIODevice *device) { return writeBmp24(device, source, options); });
}

ImageBandSource::ImageBandSource(const QImage &image) : m_image(image)
{
    if (m_image.format() != QImage::Format_RGB32 && m_image.format() != QImage::Format_ARGB32)
        m_image = m_image.convertToFormat(QImage::Format_RGB32);
}

bool ImageBandSource::drawBand(QImage &band, int top)
{
    const qsizetype bytes = qsizetype(m_image.width()) * 4;
    for (int y = 0; y < band.height(); ++y)
        std::memcpy(band.scanLine(y), m_image.constScanLine(top + y), size_t(bytes));
    return true;
}

} // namespace ptt
