#include "picture_raster.h"

#include "metafile/recordreader.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

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

// Bytes of one row of a DIB, padded to four bytes.
quint64 dibStride(quint64 width, quint32 bpp)
{
    return ((width * bpp + 31) / 32) * 4;
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

// Walks a BMP file header and info header at offset 0 ("BM" file).
bool parseBmp(const QByteArray &d, BmpHeader *h, QString *error)
{
    const RecordReader r = readerOf(d);
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
    case 32: break;
    default: return fail(error, corruptMessage());
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
    const quint64 colourBytes
        = quint64(h->bpp <= 8 ? (h->colours ? h->colours : 1u << h->bpp) : 0) * (hs == 12 ? 3 : 4);
    const quint64 tableEnd = 14ull + hs + colourBytes;
    if (h->bpp <= 8 && tableEnd > quint64(d.size()))
        return fail(error, corruptMessage());
    // A bits offset pointing into the headers or past the end: the bits
    // follow the colour table, as in a packed DIB.
    const quint64 masks = (hs == 40 && h->compression == 3) ? 12 : (hs == 40 && h->compression == 6) ? 16 : 0;
    if (h->offBits < tableEnd + masks || h->offBits >= quint32(d.size()))
        h->offBits = quint32(tableEnd + masks);
    if (h->offBits >= quint32(d.size()))
        return fail(error, corruptMessage());
    return true;
}

// Decodes RLE4/RLE8 bits ourselves: pixels the stream skips or never reaches
// keep colour index 0 instead of whatever memory held.
QImage decodeRle(const QByteArray &d, const BmpHeader &h)
{
    const RecordReader r = readerOf(d);
    const int w = int(h.width), ht = int(h.height);
    QImage img(w, ht, QImage::Format_Indexed8);
    if (img.isNull())
        return img;
    const int entries = int(h.colours ? h.colours : 1u << h.bpp);
    QVector<QRgb> table;
    const quint32 tableAt = 14 + h.headerSize;
    const quint32 step = h.headerSize == 12 ? 3 : 4;
    for (int i = 0; i < entries; ++i)
        table.append(qRgb(r.u8(tableAt + i * step + 2), r.u8(tableAt + i * step + 1), r.u8(tableAt + i * step)));
    while (table.size() < 256)
        table.append(table.isEmpty() ? qRgb(0, 0, 0) : table.first());
    img.setColorTable(table);
    img.fill(0);
    const bool rle4 = h.compression == 2;
    quint32 at = h.offBits;
    int x = 0, y = 0; // y counts from the bottom row
    auto put = [&](int px, int py, int index) {
        if (px >= 0 && px < w && py >= 0 && py < ht)
            img.scanLine(ht - 1 - py)[px] = uchar(index);
    };
    while (r.has(at, 2) && y < ht) {
        const int count = r.u8(at), value = r.u8(at + 1);
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i, ++x)
                put(x, y, rle4 ? ((i & 1) ? value & 0x0F : value >> 4) : value);
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

QImage readWithQt(const QByteArray &bytes, const char *format, QString *error)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(false);
    reader.setAllocationLimit(int(PictureLimits::maxPixels * 4 / (1 << 20)) + 16);
    const QSize size = reader.size();
    if (size.isValid()) {
        const QString big = checkDimensions(size.width(), size.height());
        if (!big.isEmpty()) {
            fail(error, big);
            return QImage();
        }
    }
    // Decode into an image filled beforehand, so rows a short file never
    // reaches are white rather than old memory.
    QImage image;
    const QImage::Format fmt = reader.imageFormat();
    if (size.isValid() && fmt != QImage::Format_Invalid) {
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
    if (!big.isEmpty()) {
        fail(error, big);
        return QImage();
    }
    return image;
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

QImage decodeBmpFile(const QByteArray &original, QString *error, qint64 maxPixels = PictureLimits::maxPixels)
{
    BmpHeader h;
    if (!parseBmp(original, &h, error))
        return QImage();
    if (h.width * std::abs(h.height) > maxPixels) {
        fail(error, tooLargeMessage());
        return QImage();
    }
    QByteArray d = original;
    normaliseBmpHeader(&d, h);
    if (h.compression == 1 || h.compression == 2) {
        QImage img = decodeRle(d, h);
        if (img.isNull())
            fail(error, corruptMessage());
        return img;
    }
    // Rows the file lacks are given as zero bytes, so every pixel is defined.
    const quint64 need = quint64(h.offBits) + dibStride(quint64(h.width), h.bpp) * quint64(std::abs(h.height));
    if (need > quint64(d.size())) {
        if (need > quint64(PictureLimits::maxPixels) * 4 + (1 << 20))
            return fail(error, tooLargeMessage()), QImage();
        QByteArray padded = d;
        padded.append(QByteArray(int(need - quint64(d.size())), '\0'));
        return readWithQt(padded, "bmp", error);
    }
    return readWithQt(d, "bmp", error);
}

bool checkJpeg(const QByteArray &d, QSize *size, QString *error)
{
    const RecordReader r = readerOf(d);
    // JPEG numbers are big-endian.
    auto be16 = [&r](quint32 at) { return quint32(r.u8(at)) << 8 | r.u8(at + 1); };
    const quint32 n = quint32(d.size());
    quint32 at = 2;
    bool frame = false;
    int scans = 0;
    while (at + 4 <= n) {
        if (r.u8(at) != 0xFF) {
            // Stray bytes before a marker: decoders skip them, so do we.
            ++at;
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
        }
        if (marker == 0xDA) {
            if (!frame)
                return fail(error, corruptMessage());
            if (++scans > kMaxJpegScans)
                return fail(error, corruptMessage());
            at += len;
            // Skip the entropy-coded data up to the next real marker.
            while (at + 1 < n) {
                if (r.u8(at) == 0xFF) {
                    const quint8 m = r.u8(at + 1);
                    if (m != 0 && !(m >= 0xD0 && m <= 0xD7) && m != 0xFF)
                        break;
                    at += (m == 0xFF) ? 1 : 2;
                } else {
                    ++at;
                }
            }
            continue;
        }
        at += len;
    }
    if (!frame || scans == 0)
        return fail(error, corruptMessage());
    return true;
}

bool checkGif(const QByteArray &d, QSize *size, QString *error)
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
                if (at >= quint64(d.size()))
                    return fail(error, corruptMessage());
                const quint8 len = r.u8(quint32(at));
                at += 1 + len;
                if (len == 0)
                    break;
            }
        } else if (block == 0x2C) {
            if (at + 10 > quint64(d.size()))
                return fail(error, corruptMessage());
            const int w = r.u16(quint32(at + 5)), h = r.u16(quint32(at + 7));
            if (w == 0 || h == 0)
                return fail(error, corruptMessage());
            const int outW = std::max(sw, w), outH = std::max(sh, h);
            const QString big = checkDimensions(outW, outH);
            if (!big.isEmpty())
                return fail(error, big);
            *size = QSize(sw ? sw : w, sh ? sh : h);
            return true;
        } else {
            return fail(error, corruptMessage());
        }
    }
    return fail(error, corruptMessage());
}

bool checkIco(const QByteArray &d, QSize *size, QString *error)
{
    const RecordReader r = readerOf(d);
    const quint32 count = r.u16(4);
    if (count == 0 || count > 1024 || !r.has(6, quint64(count) * 16))
        return fail(error, corruptMessage());
    const quint32 dirEnd = 6 + count * 16;
    for (quint32 i = 0; i < count; ++i) {
        const quint32 e = 6 + i * 16;
        const quint32 offset = r.u32(e + 12);
        if (offset < dirEnd || offset >= quint32(d.size()))
            return fail(error, corruptMessage());
        // Readers go by the headers inside the image, not by the stated
        // size, so what must fit is the rest of the file.
        const quint32 span = quint32(d.size()) - offset;
        QSize entry;
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
        }
        const QString big = checkDimensions(entry.width(), entry.height());
        if (entry.isEmpty())
            return fail(error, corruptMessage());
        if (!big.isEmpty())
            return fail(error, big);
        if (i == 0)
            *size = entry;
    }
    return true;
}

} // namespace

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

QImage decodeDibChecked(const QByteArray &packed, quint32 bitsOffset, QString *error, qint64 maxPixels)
{
    const RecordReader r = readerOf(packed);
    const quint32 hs = r.u32(0);
    if (!r.has(0, 16) || hs < 12 || hs > 124 || !r.has(0, hs)) {
        fail(error, corruptMessage());
        return QImage();
    }
    quint64 offset = bitsOffset;
    if (offset == 0) {
        const quint32 bpp = hs == 12 ? r.u16(10) : r.u16(14);
        const quint32 compression = hs >= 40 ? r.u32(16) : 0;
        quint64 colours = hs >= 40 ? r.u32(32) : 0;
        if (colours == 0 && bpp <= 8)
            colours = 1ull << bpp;
        if (colours > 256)
            colours = 256;
        const quint64 masks = (hs == 40 && compression == 3) ? 12 : (hs == 40 && compression == 6) ? 16 : 0;
        offset = hs + masks + colours * (hs == 12 ? 3 : 4);
    }
    if (offset > quint64(packed.size())) {
        fail(error, corruptMessage());
        return QImage();
    }
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    const quint64 total = quint64(packed.size()) + 14;
    const quint64 off = offset + 14;
    for (int i = 0; i < 4; ++i) {
        file[2 + i] = char((total >> (8 * i)) & 0xff);
        file[10 + i] = char((off >> (8 * i)) & 0xff);
    }
    file.append(packed);
    return decodeBmpFile(file, error, maxPixels);
}

bool checkRasterHeader(PictureFormat format, const QByteArray &data, QSize *size, QString *error)
{
    switch (format) {
    case PictureFormat::Bmp: {
        BmpHeader h;
        if (!parseBmp(data, &h, error))
            return false;
        *size = QSize(int(h.width), int(std::abs(h.height)));
        return true;
    }
    case PictureFormat::Jpeg: return checkJpeg(data, size, error);
    case PictureFormat::Gif: return checkGif(data, size, error);
    case PictureFormat::Ico:
    case PictureFormat::Cur: return checkIco(data, size, error);
    default: return fail(error, QStringLiteral("这不是可以读取的图片文件。"));
    }
}

QImage decodeRaster(PictureFormat format, const QByteArray &data, QString *error)
{
    switch (format) {
    case PictureFormat::Bmp: return decodeBmpFile(data, error);
    case PictureFormat::Dib: return decodeDibChecked(data, 0, error, PictureLimits::maxPixels);
    case PictureFormat::Jpeg: return readWithQt(data, "jpeg", error);
    case PictureFormat::Gif: return readWithQt(data, "gif", error);
    case PictureFormat::Ico:
    case PictureFormat::Cur: return readWithQt(data, "ico", error);
    default: fail(error, QStringLiteral("这不是可以读取的图片文件。")); return QImage();
    }
}

} // namespace ptt::detail
