#include "picture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace ptt {

namespace {

quint16 le16(const QByteArray &d, int at)
{
    return quint16(uchar(d[at])) | quint16(uchar(d[at + 1])) << 8;
}

quint32 le32(const QByteArray &d, int at)
{
    return quint32(le16(d, at)) | quint32(le16(d, at + 2)) << 16;
}

PictureLoadResult failure(const QString &message)
{
    PictureLoadResult r;
    r.error = message;
    return r;
}

QString notAPicture()
{
    return QStringLiteral("这不是可以读取的图片文件。");
}

} // namespace

PictureFormat sniffPictureFormat(const QByteArray &d)
{
    if (d.size() >= 2 && d[0] == 'B' && d[1] == 'M')
        return PictureFormat::Bmp;
    if (d.size() >= 3 && uchar(d[0]) == 0xFF && uchar(d[1]) == 0xD8 && uchar(d[2]) == 0xFF)
        return PictureFormat::Jpeg;
    if (d.size() >= 6 && (d.startsWith("GIF87a") || d.startsWith("GIF89a")))
        return PictureFormat::Gif;
    if (d.size() >= 6 && le16(d, 0) == 0 && (le16(d, 2) == 1 || le16(d, 2) == 2) && le16(d, 4) > 0)
        return le16(d, 2) == 1 ? PictureFormat::Ico : PictureFormat::Cur;
    if (d.size() >= 4 && le32(d, 0) == 0x9AC6CDD7u)
        return PictureFormat::Wmf;
    if (d.size() >= 18 && (le16(d, 0) == 1 || le16(d, 0) == 2) && le16(d, 2) == 9
        && (le16(d, 4) == 0x0100 || le16(d, 4) == 0x0300))
        return PictureFormat::Wmf;
    if (d.size() >= 44 && le32(d, 0) == 1 && d.mid(40, 4) == QByteArrayLiteral(" EMF"))
        return PictureFormat::Emf;
    // A headerless DIB: a BITMAPINFOHEADER (or larger) straight away.
    if (d.size() >= 40) {
        const quint32 size = le32(d, 0);
        const quint16 planes = le16(d, 12);
        const quint16 bpp = le16(d, 14);
        if ((size == 40 || size == 52 || size == 56 || size == 108 || size == 124) && planes == 1
            && (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32))
            return PictureFormat::Dib;
    }
    return PictureFormat::Unknown;
}

PictureLoadResult loadPicture(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failure(QStringLiteral("找不到文件。"));
    if (!info.isFile())
        return failure(notAPicture());
    if (info.size() > PictureLimits::maxFileBytes)
        return failure(QStringLiteral("文件太大，不能作为图片读取。"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("无法读取文件：%1").arg(file.errorString()));
    const QByteArray data = file.read(PictureLimits::maxFileBytes + 1);
    if (data.size() > PictureLimits::maxFileBytes)
        return failure(QStringLiteral("文件太大，不能作为图片读取。"));
    return loadPictureFromData(data);
}

PictureLoadResult loadPictureFromData(const QByteArray &data)
{
    const PictureFormat format = sniffPictureFormat(data);
    const char *qtFormat = nullptr;
    switch (format) {
    case PictureFormat::Bmp:
        qtFormat = "bmp";
        break;
    case PictureFormat::Jpeg:
        qtFormat = "jpeg";
        break;
    case PictureFormat::Gif:
        qtFormat = "gif";
        break;
    case PictureFormat::Ico:
    case PictureFormat::Cur:
        qtFormat = "ico";
        break;
    case PictureFormat::Dib:
        qtFormat = "dib";
        break;
    case PictureFormat::Wmf:
    case PictureFormat::Emf:
        return failure(QStringLiteral("暂不支持读取图元文件。"));
    case PictureFormat::Unknown:
        return failure(notAPicture());
    }

    QByteArray bytes = data;
    if (format == PictureFormat::Dib) {
        // Give the DIB the file header it lacks, so the BMP reader takes it.
        // Pixel data follow the info header and the colour table.
        const quint32 headerSize = le32(data, 0);
        const quint16 bpp = le16(data, 14);
        quint32 colours = le32(data, 32);
        if (colours == 0 && bpp <= 8)
            colours = 1u << bpp;
        quint32 masks = (le32(data, 16) == 3 && headerSize == 40) ? 12 : 0;
        const quint64 offset = 14ull + headerSize + masks + quint64(colours) * 4;
        if (offset > quint64(data.size()) + 14)
            return failure(QStringLiteral("文件已损坏。"));
        QByteArray header(14, '\0');
        header[0] = 'B';
        header[1] = 'M';
        const quint32 total = quint32(data.size() + 14);
        for (int i = 0; i < 4; ++i) {
            header[2 + i] = char((total >> (8 * i)) & 0xff);
            header[10 + i] = char((offset >> (8 * i)) & 0xff);
        }
        bytes = header + data;
        qtFormat = "bmp";
    }

    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, qtFormat);
    reader.setAutoTransform(false);
    reader.setAllocationLimit(int(PictureLimits::maxPixels * 4 / (1 << 20)) + 1);
    const QSize size = reader.size();
    if (size.isValid()
        && (size.width() > PictureLimits::maxSide || size.height() > PictureLimits::maxSide
            || qint64(size.width()) * size.height() > PictureLimits::maxPixels))
        return failure(QStringLiteral("图片大于 %1 × %2 像素，无法读取。")
                           .arg(PictureLimits::maxSide)
                           .arg(PictureLimits::maxSide));
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return failure(QStringLiteral("文件已损坏，无法作为图片读取。"));
    PictureLoadResult result;
    result.picture.image = image;
    result.picture.naturalSize = image.size();
    return result;
}

} // namespace ptt
