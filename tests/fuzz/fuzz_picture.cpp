// libFuzzer entry for the whole loader on arbitrary bytes: format sniffing,
// header checks, raster decoders and metafile players, on the calling thread
// (a hang shows as a libFuzzer timeout).
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    ptt::fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const ptt::PictureLoadResult r =
        ptt::decodePictureNow(bytes, ptt::DecodeLimits{ptt::fuzz::kRasterPixels, ptt::fuzz::kRenderSide});
    ptt::fuzz::checkOutcome(r.picture.image, r.error);
    if (r.ok() && (r.picture.naturalSize.isEmpty() || r.picture.image.width() > ptt::PictureLimits::maxSide))
        std::abort();
    return 0;
}
