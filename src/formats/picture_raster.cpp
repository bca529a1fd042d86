#include "picture_raster.h"

#include "metafile/recordreader.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace ptt::detail {

using metafile::RecordReader;

namespace {

RecordReader readerOf(const QByteArray &d)
{
    return RecordReader(reinterpret_cast<const uchar *>(d.constData()), quint32(d.size()));
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

struct BmpHeader {
    quint32 offBits = 0; // from the start of the file data given
    quint32 headerSize = 0;
    qint64 width = 0;
    qint64 height = 0; // negative: rows top-down
    quint32 bpp = 0;
    quint32 compression = 0;
    quint32 colours = 0;
};

// The most a BMP's headers, masks and colour table take.
constexpr quint32 kBmpHeadMax = 14 + 124 + 16 + 256 * 4;

// Walks a BMP file header and info header at offset 0 ("BM" file). head is
// the file's beginning (at least kBmpHeadMax bytes where the file has them);
// fileSize the whole file's.
bool parseBmp(const RecordReader &r, quint64 fileSize, BmpHeader *h, QString *error)
{
    if (!r.has(0, 14 + 12))
        return fail(error, corruptMessage());
    h->offBits = r.u32(10);
    h->headerSize = r.u32(14);
    const quint32 hs = h->headerSize;
    if (hs == 12) {
        h->width = r.u16(18);
        h->height = r.i16(20);
        h->bpp = r.u16(24);
    } else if (hs == 40 || hs == 52 || hs == 56 || hs == 108 || hs == 124 || hs == 64 || hs == 16) {
        if (!r.has(14, std::max<quint32>(hs, 16)))
            return fail(error, corruptMessage());
        h->width = r.i32(18);
        h->height = r.i32(22);
        h->bpp = r.u16(28);
        if (hs >= 40) {
            h->compression = r.u32(30);
            h->colours = r.u32(46);
        }
    } else {
        return fail(error, corruptMessage());
    }
    if (h->width <= 0 || h->height == 0 || h->height == std::numeric_limits<qint32>::min())
        return fail(error, corruptMessage());
    const QString big = checkDimensions(h->width, std::abs(h->height));
    if (!big.isEmpty())
        return fail(error, big);
    switch (h->bpp) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return fail(error, corruptMessage());
    }
    // JPEG or PNG inside a BMP is another format in disguise.
    if (h->compression == 4 || h->compression == 5 || h->compression > 6)
        return fail(error, QStringLiteral("这不是可以读取的图片文件。"));
    if ((h->compression == 1 && h->bpp != 8) || (h->compression == 2 && h->bpp != 4))
        return fail(error, corruptMessage());
    if ((h->compression == 1 || h->compression == 2) && h->height < 0)
        return fail(error, corruptMessage());
    if ((h->compression == 3 || h->compression == 6) && h->bpp != 16 && h->bpp != 32)
        return fail(error, corruptMessage());
    if (h->bpp <= 8 && h->colours > (1u << h->bpp))
        return fail(error, corruptMessage());
    if (h->bpp > 8 && h->colours > 256)
        return fail(error, corruptMessage());
    const quint64 colourBytes =
        quint64(h->bpp <= 8 ? (h->colours ? h->colours : 1u << h->bpp) : 0) * (hs == 12 ? 3 : 4);
    const quint64 tableEnd = 14ull + hs + colourBytes;
    if (h->bpp <= 8 && tableEnd > fileSize)
        return fail(error, corruptMessage());
    // A bits offset pointing into the headers or past the end: the bits
    // follow the colour table, as in a packed DIB.
    const quint64 masks = (hs == 40 && h->compression == 3) ? 12 : (hs == 40 && h->compression == 6) ? 16 : 0;
    if (h->offBits < tableEnd + masks || h->offBits >= fileSize)
        h->offBits = quint32(tableEnd + masks);
    if (h->offBits >= fileSize)
        return fail(error, corruptMessage());
    return true;
}

// Decodes RLE4/RLE8 bits ourselves: pixels the stream skips or never reaches
// keep colour index 0 instead of whatever memory held. head holds the colour
// table; bits the compressed data.
QImage decodeRle(const RecordReader &head, const RecordReader &r, const BmpHeader &h, DecodeStop *stop)
{
    const int w = int(h.width), ht = int(h.height);
    // All index 0 from the start, without a pass over the pixels.
    QImage img = zeroedImage(QSize(w, ht), QImage::Format_Indexed8);
    if (img.isNull())
        return img;
    const int entries = int(h.colours ? h.colours : 1u << h.bpp);
    QVector<QRgb> table;
    const quint32 tableAt = 14 + h.headerSize;
    const quint32 step = h.headerSize == 12 ? 3 : 4;
    for (int i = 0; i < entries; ++i)
        table.append(
            qRgb(head.u8(tableAt + i * step + 2), head.u8(tableAt + i * step + 1), head.u8(tableAt + i * step)));
    while (table.size() < 256)
        table.append(table.isEmpty() ? qRgb(0, 0, 0) : table.first());
    img.setColorTable(table);
    const bool rle4 = h.compression == 2;
    quint32 at = 0;
    int x = 0, y = 0; // y counts from the bottom row
    auto put = [&](int px, int py, int index) {
        if (px >= 0 && px < w && py >= 0 && py < ht)
            img.scanLine(ht - 1 - py)[px] = uchar(index);
    };
    while (r.has(at, 2) && y < ht && !stop->poll()) {
        const int count = r.u8(at), value = r.u8(at + 1);
        at += 2;
        if (count > 0) {
            // Only the part of the run inside the row costs anything.
            const int from = std::max(x, 0), to = std::min(x + count, w);
            for (int px = from; px < to; ++px) {
                const int i = px - x;
                put(px, y, rle4 ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            }
            x += count;
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (!r.has(at, 2))
                break;
            x += r.u8(at);
            y += r.u8(at + 1);
            at += 2;
        } else {
            const int n = value;
            const quint32 bytes = rle4 ? quint32((n + 1) / 2) : quint32(n);
            if (!r.has(at, bytes))
                break;
            for (int i = 0; i < n; ++i, ++x) {
                const int b = r.u8(at + quint32(rle4 ? i / 2 : i));
                put(x, y, rle4 ? ((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            at += (bytes + 1) & ~1u;
        }
        if (x > w + 255 * 2)
            x = w + 255 * 2; // a hostile run cannot wind x up without bound
    }
    return img; // indexed: a quarter of the memory of 32-bit pixels
}

// Reads as one file: a header block of our own, then bytes read where they
// lie, then zero bytes up to the given size. So a BMP is handed to the
// decoder with its header mended and its missing rows filled without a copy
// of the file.
class PiecesDevice : public QIODevice {
public:
    PiecesDevice(const QByteArray &head, const uchar *tail, quint64 tailSize, quint64 total)
        : m_head(head), m_tail(reinterpret_cast<const char *>(tail)), m_tailSize(qint64(tailSize)),
          m_total(qint64(total))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_total; }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        const qint64 start = pos();
        qint64 at = start;
        const qint64 end = std::min(m_total, start + max);
        const qint64 headEnd = m_head.size(), tailEnd = headEnd + m_tailSize;
        if (at < end && at < headEnd) {
            const qint64 n = std::min(end, headEnd) - at;
            std::memcpy(out, m_head.constData() + at, size_t(n));
            at += n;
        }
        if (at < end && at < tailEnd) {
            const qint64 n = std::min(end, tailEnd) - at;
            std::memcpy(out + (at - start), m_tail + (at - headEnd), size_t(n));
            at += n;
        }
        if (at < end) {
            std::memset(out + (at - start), 0, size_t(end - at));
            at = end;
        }
        return at - start;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_head;
    const char *m_tail;
    qint64 m_tailSize;
    qint64 m_total;
};

// prefill: the decoder may leave pixels unwritten (a short file), so the
// image is filled before it decodes into it.
// imageIndex: which image of a file holding several (an icon's entries).
QImage readWithQt(QIODevice *device, const char *format, QString *error, bool prefill, qint64 maxPixels,
                  int imageIndex = 0)
{
    QImageReader reader(device, format);
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(false);
    if (imageIndex > 0 && !reader.jumpToImage(imageIndex)) {
        fail(error, corruptMessage());
        return QImage();
    }
    reader.setAllocationLimit(int(PictureLimits::maxPixels * 4 / (1 << 20)) + 16);
    const QSize size = reader.size();
    if (size.isValid()) {
        const QString big = checkDimensions(size.width(), size.height());
        if (!big.isEmpty() || qint64(size.width()) * size.height() > maxPixels) {
            fail(error, big.isEmpty() ? tooLargeMessage() : big);
            return QImage();
        }
    }
    QImage image;
    const QImage::Format fmt = reader.imageFormat();
    if (prefill && size.isValid() && fmt != QImage::Format_Invalid) {
        image = QImage(size, fmt);
        if (!image.isNull()) {
            if (fmt == QImage::Format_Indexed8 || fmt == QImage::Format_Mono || fmt == QImage::Format_MonoLSB)
                image.fill(0);
            else
                image.fill(Qt::white);
        }
    }
    if (!reader.read(&image) || image.isNull()) {
        fail(error, corruptMessage());
        return QImage();
    }
    const QString big = checkDimensions(image.width(), image.height());
    if (!big.isEmpty() || qint64(image.width()) * image.height() > maxPixels) {
        fail(error, big.isEmpty() ? tooLargeMessage() : big);
        return QImage();
    }
    return image;
}

QImage readWithQt(const QByteArray &bytes, const char *format, QString *error, bool prefill, qint64 maxPixels,
                  int imageIndex = 0)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readWithQt(&buffer, format, error, prefill, maxPixels, imageIndex);
}

// Rewrites header fields Qt's reader does not take into equivalent ones it
// does: the 52/56-byte headers are a 40-byte header followed by masks.
void normaliseBmpHeader(QByteArray *d, const BmpHeader &h)
{
    auto put32 = [d](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            (*d)[at + i] = char((v >> (8 * i)) & 0xff);
    };
    put32(10, h.offBits);
    if (h.headerSize == 52 || h.headerSize == 56) {
        put32(14, 40);
        if (h.compression == 6)
            put32(30, 3);
    }
}

// A BMP file as head, its first min(size, kBmpHeadMax) bytes, copied so they
// can be mended, and tail, the rest, read where it lies. When tailFollowsHead
// the bytes just before tail are the file's too.
QImage decodeBmpPieces(QByteArray head, const uchar *tail, quint64 tailSize, bool tailFollowsHead, QString *error,
                       qint64 maxPixels, DecodeStop *stop)
{
    const quint64 fileSize = quint64(head.size()) + tailSize;
    BmpHeader h;
    if (!parseBmp(readerOf(head), fileSize, &h, error))
        return QImage();
    if (h.width * std::abs(h.height) > maxPixels) {
        fail(error, tooLargeMessage());
        return QImage();
    }
    // head ends where the bits start at the latest, so the bits lie in tail.
    if (quint64(head.size()) > h.offBits) {
        if (!tailFollowsHead)
            return fail(error, corruptMessage()), QImage();
        const quint64 back = quint64(head.size()) - h.offBits;
        tail -= back;
        tailSize += back;
        head.truncate(qsizetype(h.offBits));
    }
    normaliseBmpHeader(&head, h);
    const quint64 bitsAt = h.offBits - quint64(head.size());
    if (h.compression == 1 || h.compression == 2) {
        const RecordReader bits(tail + bitsAt, quint32(std::min<quint64>(tailSize - bitsAt, 0xFFFFFFFFu)));
        QImage img = decodeRle(readerOf(head), bits, h, stop);
        if (img.isNull())
            fail(error, corruptMessage());
        return img;
    }
    // Rows the file lacks are given as zero bytes, so every pixel is defined.
    const quint64 need = quint64(h.offBits) + dibStride(quint64(h.width), h.bpp) * quint64(std::abs(h.height));
    if (need > quint64(PictureLimits::maxPixels) * 4 + (1 << 20) + fileSize)
        return fail(error, tooLargeMessage()), QImage();
    PiecesDevice device(head, tail, tailSize, std::max(need, fileSize));
    return readWithQt(&device, "bmp", error, false, maxPixels);
}

QImage decodeBmpFile(const QByteArray &file, QString *error, qint64 maxPixels, DecodeStop *stop)
{
    const qsizetype headSize = std::min<qsizetype>(file.size(), kBmpHeadMax);
    return decodeBmpPieces(file.left(headSize), reinterpret_cast<const uchar *>(file.constData()) + headSize,
                           quint64(file.size() - headSize), true, error, maxPixels, stop);
}

bool checkJpeg(const QByteArray &d, QSize *size, QString *error, DecodeStop *stop, bool *onePass)
{
    const RecordReader r = readerOf(d);
    // JPEG numbers are big-endian.
    auto be16 = [&r](quint32 at) { return quint32(r.u8(at)) << 8 | r.u8(at + 1); };
    const quint32 n = quint32(d.size());
    // The next 0xFF byte at or after from, before end; end when there is none.
    auto nextFF = [&r](quint32 from, quint32 end) {
        if (from >= end)
            return end;
        const void *p = std::memchr(r.data() + from, 0xFF, end - from);
        return p ? quint32(static_cast<const uchar *>(p) - r.data()) : end;
    };
    quint32 at = 2;
    bool frame = false;
    int scans = 0;
    while (at + 4 <= n) {
        if (stop && stop->poll())
            return fail(error, corruptMessage());
        if (r.u8(at) != 0xFF) {
            // Stray bytes before a marker: decoders skip them, so do we.
            at = nextFF(at, n);
            continue;
        }
        quint8 marker = r.u8(at + 1);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        at += 2;
        if (marker == 0xD9)
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        const quint32 len = be16(at);
        if (len < 2 || quint64(at) + len > n) {
            if (frame && scans > 0)
                break; // cut short after a scan: what is there is shown
            return fail(error, corruptMessage());
        }
        const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            if (frame || len < 8)
                return fail(error, corruptMessage());
            const int h = be16(at + 3), w = be16(at + 5), comps = r.u8(at + 7);
            if (w == 0 || h == 0 || comps == 0 || comps > 4 || len < 8u + 3u * comps)
                return fail(error, corruptMessage());
            const QString big = checkDimensions(w, h);
            if (!big.isEmpty())
                return fail(error, big);
            *size = QSize(w, h);
            frame = true;
            if (onePass) // baseline or extended sequential with Huffman codes
                *onePass = marker == 0xC0 || marker == 0xC1;
        }
        if (marker == 0xDA) {
            if (!frame)
                return fail(error, corruptMessage());
            if (++scans > kMaxJpegScans)
                return fail(error, corruptMessage());
            at += len;
            // Skip the entropy-coded data up to the next real marker.
            while (at + 1 < n) {
                at = nextFF(at, n - 1);
                if (at + 1 >= n)
                    break;
                const quint8 m = r.u8(at + 1);
                if (m != 0 && !(m >= 0xD0 && m <= 0xD7) && m != 0xFF)
                    break;
                at += (m == 0xFF) ? 1 : 2;
                if (stop && stop->poll())
                    return fail(error, corruptMessage());
            }
            continue;
        }
        at += len;
    }
    if (!frame || scans == 0)
        return fail(error, corruptMessage());
    return true;
}

bool checkGif(const QByteArray &d, QSize *size, QString *error, DecodeStop *stop)
{
    const RecordReader r = readerOf(d);
    if (!r.has(0, 13))
        return fail(error, corruptMessage());
    const int sw = r.u16(6), sh = r.u16(8);
    const quint8 flags = r.u8(10);
    quint64 at = 13;
    if (flags & 0x80)
        at += 3ull << ((flags & 7) + 1);
    while (at < quint64(d.size())) {
        const quint8 block = r.u8(quint32(at));
        if (block == 0x21) {
            at += 2;
            // Sub-blocks until the zero-length terminator.
            while (true) {
                if (at >= quint64(d.size()) || (stop && stop->poll()))
                    return fail(error, corruptMessage());
                const quint8 len = r.u8(quint32(at));
                at += 1 + len;
                if (len == 0)
                    break;
            }
        } else if (block == 0x2C) {
            if (at + 10 > quint64(d.size()))
                return fail(error, corruptMessage());
            const int left = r.u16(quint32(at + 1)), top = r.u16(quint32(at + 3));
            const int w = r.u16(quint32(at + 5)), h = r.u16(quint32(at + 7));
            if (w == 0 || h == 0)
                return fail(error, corruptMessage());
            // The decoder makes its image large enough for the screen and for
            // the first frame where it lies, whatever the screen says: that
            // is what the picture costs.
            const int outW = std::max(sw, left + w), outH = std::max(sh, top + h);
            const QString big = checkDimensions(outW, outH);
            if (!big.isEmpty())
                return fail(error, big);
            *size = QSize(outW, outH);
            return true;
        } else {
            return fail(error, corruptMessage());
        }
    }
    return fail(error, corruptMessage());
}

// Of an icon's entries, the one the platform shows at its standard icon size
// (32 x 32 at 96 dpi): the nearest in size, then the deepest in colour, then
// the first; its number through *index. False for a broken directory.
bool checkIco(const QByteArray &d, QSize *size, QString *error, int *index = nullptr)
{
    const RecordReader r = readerOf(d);
    const quint32 count = r.u16(4);
    if (count == 0 || count > 1024 || !r.has(6, quint64(count) * 16))
        return fail(error, corruptMessage());
    const quint32 dirEnd = 6 + count * 16;
    constexpr qint64 kIconSide = 32;
    qint64 bestDistance = 0;
    int bestDepth = 0;
    for (quint32 i = 0; i < count; ++i) {
        const quint32 e = 6 + i * 16;
        const quint32 offset = r.u32(e + 12);
        if (offset < dirEnd || offset >= quint32(d.size()))
            return fail(error, corruptMessage());
        // Readers go by the headers inside the image, not by the stated
        // size, so what must fit is the rest of the file.
        const quint32 span = quint32(d.size()) - offset;
        QSize entry;
        int depth = 32; // a PNG image: true colour
        if (r.has(offset, 24) && r.u32(offset) == 0x474E5089u) {
            // A PNG image: its IHDR gives the size.
            entry = QSize(int(qFromBigEndian<quint32>(r.data() + offset + 16) & 0x7FFFFFFF),
                          int(qFromBigEndian<quint32>(r.data() + offset + 20) & 0x7FFFFFFF));
        } else {
            const quint32 hs = r.u32(offset);
            if (hs != 40 && hs != 12 && hs != 108 && hs != 124)
                return fail(error, corruptMessage());
            if (hs > span)
                return fail(error, corruptMessage());
            const qint64 w = hs == 12 ? r.u16(offset + 4) : r.i32(offset + 4);
            const qint64 h2 = hs == 12 ? r.i16(offset + 6) : r.i32(offset + 8);
            const quint32 bpp = hs == 12 ? r.u16(offset + 10) : r.u16(offset + 14);
            if (w <= 0 || h2 <= 0 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32))
                return fail(error, corruptMessage());
            const qint64 h = h2 / 2 > 0 ? h2 / 2 : h2;
            const QString big = checkDimensions(w, h);
            if (!big.isEmpty())
                return fail(error, big);
            const quint32 colours = hs >= 40 ? r.u32(offset + 32) : 0;
            if (bpp <= 8 && colours > (1u << bpp))
                return fail(error, corruptMessage());
            const quint64 table = bpp <= 8 ? quint64(colours ? colours : 1u << bpp) * 4 : 0;
            // 32-bit images carry alpha; their AND mask may be missing.
            const quint64 mask = bpp == 32 ? 0 : dibStride(quint64(w), 1) * quint64(h);
            const quint64 need = hs + table + dibStride(quint64(w), bpp) * quint64(h) + mask;
            if (need > span)
                return fail(error, corruptMessage());
            entry = QSize(int(w), int(h));
            depth = int(bpp);
        }
        const QString big = checkDimensions(entry.width(), entry.height());
        if (entry.isEmpty())
            return fail(error, corruptMessage());
        if (!big.isEmpty())
            return fail(error, big);
        const qint64 distance =
            std::abs(qint64(entry.width()) - kIconSide) + std::abs(qint64(entry.height()) - kIconSide);
        if (i == 0 || distance < bestDistance || (distance == bestDistance && depth > bestDepth)) {
            bestDistance = distance;
            bestDepth = depth;
            *size = entry;
            if (index)
                *index = int(i);
        }
    }
    return true;
}

} // namespace

QImage zeroedImage(QSize size, QImage::Format format)
{
    const int depth = format == QImage::Format_Indexed8 ? 8 : 32;
    if (size.isEmpty() || size.width() > PictureLimits::maxSide || size.height() > PictureLimits::maxSide ||
        (depth == 32 && format != QImage::Format_ARGB32_Premultiplied && format != QImage::Format_RGB32 &&
         format != QImage::Format_ARGB32))
        return QImage();
    const qsizetype stride = (qsizetype(size.width()) * depth / 8 + 3) & ~qsizetype(3);
    void *bits = std::calloc(size_t(stride) * size_t(size.height()), 1);
    if (!bits)
        return QImage();
    return QImage(
        static_cast<uchar *>(bits), size.width(), size.height(), stride, format, [](void *p) { std::free(p); }, bits);
}

QString tooLargeMessage()
{
    return QStringLiteral("图片大于 32767 × 32767 像素（或超过 6400 万像素），无法读取。");
}

QString corruptMessage()
{
    return QStringLiteral("文件已损坏，无法作为图片读取。");
}

QString checkDimensions(qint64 width, qint64 height)
{
    if (width > PictureLimits::maxSide || height > PictureLimits::maxSide || width * height > PictureLimits::maxPixels)
        return tooLargeMessage();
    return QString();
}

namespace {

// A file header of our own for a DIB whose bits start offset bytes into it.
QByteArray fileHeaderFor(quint64 dibSize, quint64 offset)
{
    QByteArray head(14, '\0');
    head[0] = 'B';
    head[1] = 'M';
    const quint64 total = std::min<quint64>(dibSize + 14, 0xFFFFFFFFu);
    const quint64 off = std::min<quint64>(offset + 14, 0xFFFFFFFFu);
    for (int i = 0; i < 4; ++i) {
        head[2 + i] = char((total >> (8 * i)) & 0xff);
        head[10 + i] = char((off >> (8 * i)) & 0xff);
    }
    return head;
}

} // namespace

QImage decodeDibChecked(const uchar *packed, quint64 size, QString *error, qint64 maxPixels, DecodeStop *stop)
{
    const RecordReader r(packed, quint32(std::min<quint64>(size, 0xFFFFFFFFu)));
    const quint32 hs = r.u32(0);
    if (!r.has(0, 16) || hs < 12 || hs > 124 || !r.has(0, hs)) {
        fail(error, corruptMessage());
        return QImage();
    }
    const quint32 bpp = hs == 12 ? r.u16(10) : r.u16(14);
    const quint32 compression = hs >= 40 ? r.u32(16) : 0;
    quint64 colours = hs >= 40 ? r.u32(32) : 0;
    if (colours == 0 && bpp <= 8)
        colours = 1ull << bpp;
    if (colours > 256)
        colours = 256;
    const quint64 masks = (hs == 40 && compression == 3) ? 12 : (hs == 40 && compression == 6) ? 16 : 0;
    const quint64 offset = hs + masks + colours * (hs == 12 ? 3 : 4);
    if (offset > size) {
        fail(error, corruptMessage());
        return QImage();
    }
    QByteArray head = fileHeaderFor(size, offset);
    const quint64 take = std::min<quint64>(size, kBmpHeadMax - 14);
    head.append(reinterpret_cast<const char *>(packed), qsizetype(take));
    return decodeBmpPieces(head, packed + take, size - take, true, error, maxPixels, stop);
}

QImage decodeDibChecked(const uchar *info, quint32 infoSize, const uchar *bits, quint64 bitsSize, QString *error,
                        qint64 maxPixels, DecodeStop *stop)
{
    // Headers, masks and colour table are all the info part holds.
    if (infoSize < 16 || infoSize > kBmpHeadMax - 14) {
        fail(error, corruptMessage());
        return QImage();
    }
    QByteArray head = fileHeaderFor(quint64(infoSize) + bitsSize, infoSize);
    head.append(reinterpret_cast<const char *>(info), qsizetype(infoSize));
    return decodeBmpPieces(head, bits, bitsSize, false, error, maxPixels, stop);
}

bool checkRasterHeader(PictureFormat format, const QByteArray &data, QSize *size, QString *error, DecodeStop *stop,
                       bool *onePass)
{
    if (onePass)
        *onePass = true;
    switch (format) {
    case PictureFormat::Bmp: {
        BmpHeader h;
        if (!parseBmp(readerOf(data), quint64(data.size()), &h, error))
            return false;
        *size = QSize(int(h.width), int(std::abs(h.height)));
        return true;
    }
    case PictureFormat::Jpeg:
        return checkJpeg(data, size, error, stop, onePass);
    case PictureFormat::Gif:
        return checkGif(data, size, error, stop);
    case PictureFormat::Ico:
    case PictureFormat::Cur:
        return checkIco(data, size, error);
    default:
        return fail(error, QStringLiteral("这不是可以读取的图片文件。"));
    }
}

namespace {

QImage decodeRasterAsIs(PictureFormat format, const QByteArray &data, QString *error, DecodeStop *stop,
                        qint64 maxPixels)
{
    switch (format) {
    case PictureFormat::Bmp:
        return decodeBmpFile(data, error, maxPixels, stop);
    case PictureFormat::Dib:
        return decodeDibChecked(reinterpret_cast<const uchar *>(data.constData()), quint64(data.size()), error,
                                maxPixels, stop);
    // libjpeg writes every row of a picture it reports as read, even of a
    // file cut short; the other decoders may leave some unwritten.
    case PictureFormat::Jpeg:
        return readWithQt(data, "jpeg", error, false, maxPixels);
    case PictureFormat::Gif:
        return readWithQt(data, "gif", error, true, maxPixels);
    case PictureFormat::Ico:
    case PictureFormat::Cur: {
        QSize size;
        int index = 0;
        if (!checkIco(data, &size, error, &index))
            return QImage();
        return readWithQt(data, "ico", error, true, maxPixels, index);
    }
    default:
        fail(error, QStringLiteral("这不是可以读取的图片文件。"));
        return QImage();
    }
}

} // namespace

QImage decodeRaster(PictureFormat format, const QByteArray &data, QString *error, DecodeStop *stop, qint64 maxPixels)
{
    DecodeStop never;
    QImage image = decodeRasterAsIs(format, data, error, stop ? stop : &never, maxPixels);
    // A colour table shorter than the indices the file uses: every index
    // gets a colour (the first), so no pixel's colour is left undefined.
    const int indices = image.format() == QImage::Format_Indexed8 ? 256 : image.depth() == 1 ? 2 : 0;
    if (image.colorCount() < indices) {
        QVector<QRgb> table = image.colorTable();
        const QRgb fill = table.isEmpty() ? qRgb(0, 0, 0) : table.first();
        table.resize(indices, fill);
        image.setColorTable(table);
    }
    return image;
}

} // namespace ptt::detail
