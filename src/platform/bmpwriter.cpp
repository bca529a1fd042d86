#include "bmpwriter.h"

#include <QIODevice>
#include <QSaveFile>

#include <cstring>
#include <vector>

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

} // namespace

qint64 bmp24FileSize(int width, int height)
{
    return kFileHeaderSize + kInfoHeaderSize + rowStride(width) * height;
}

bool writeBmp24(QIODevice *device, const QImage &source, QString *error)
{
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (source.isNull() || source.width() <= 0 || source.height() <= 0)
        return fail(QStringLiteral("没有可保存的图像。"));
    const qint64 fileSize = bmp24FileSize(source.width(), source.height());
    if (fileSize > qint64(0xffffffffu))
        return fail(QStringLiteral("图像太大，无法保存为 BMP 文件（超过 4 GB）。"));

    QImage image = source;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return fail(QStringLiteral("内存不足，无法保存图像。"));

    const int w = image.width();
    const int h = image.height();
    const qint64 stride = rowStride(w);

    unsigned char header[kFileHeaderSize + kInfoHeaderSize] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, quint32(fileSize));
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
    if (device->write(reinterpret_cast<const char *>(header), sizeof header) != qint64(sizeof header))
        return fail(device->errorString());

    // Rows go out in chunks of about 4 MB, bottom row first.
    const int rowsPerChunk = int(qMax<qint64>(1, (4 << 20) / stride));
    std::vector<uchar> buffer(size_t(stride * qMin(rowsPerChunk, h)), 0);
    for (int y = h - 1; y >= 0;) {
        const int rows = qMin(rowsPerChunk, y + 1);
        uchar *out = buffer.data();
        for (int i = 0; i < rows; ++i, --y) {
            packRow(image.constScanLine(y), out, w);
            // padding bytes stay zero: the buffer was zeroed and packRow
            // never touches them
            out += stride;
        }
        const qint64 bytes = stride * rows;
        if (device->write(reinterpret_cast<const char *>(buffer.data()), bytes) != bytes)
            return fail(device->errorString());
    }
    return true;
}

bool saveBmp24File(const QString &path, const QImage &image, QString *error)
{
    QSaveFile file(path);
    // Writing into a folder we cannot create files in must fail, not fall back
    // to writing the target in place.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!writeBmp24(&file, image, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace ptt
