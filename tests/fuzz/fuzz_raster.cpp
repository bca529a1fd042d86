// libFuzzer entry for one raster format, chosen when built (PTT_FUZZ_FORMAT):
// any bytes are taken as that format, so no time goes into finding its
// signature (the BMP target takes what does not start with "BM" as a
// headerless DIB). Our header walk, then the decoder.
#include "formats/picture_raster.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    ptt::fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace ptt;
    PictureFormat format = PictureFormat::PTT_FUZZ_FORMAT;
    if (format == PictureFormat::Bmp && !(size >= 2 && data[0] == 'B' && data[1] == 'M'))
        format = PictureFormat::Dib;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    QSize header;
    if (format != PictureFormat::Dib) {
        if (!detail::checkRasterHeader(format, bytes, &header, &error)) {
            fuzz::checkOutcome(QImage(), error);
            return 0;
        }
        if (qint64(header.width()) * header.height() > fuzz::kRasterPixels)
            return 0;
    }
    const QImage image = detail::decodeRaster(format, bytes, &error, nullptr, fuzz::kRasterPixels);
    fuzz::checkOutcome(image, error);
    // Our own BMP walk and the decoder agree on the size.
    if (!image.isNull() && format == PictureFormat::Bmp && image.size() != header)
        std::abort();
    return 0;
}
