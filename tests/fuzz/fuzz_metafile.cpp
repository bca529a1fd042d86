// libFuzzer entry for one metafile player, chosen when built (PTT_FUZZ_EMF
// for EMF, WMF otherwise): any bytes are taken as that format. The header and
// record check, then the player at a small size.
#include "formats/decodestop.h"
#include "formats/metafile/metafile.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    ptt::fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace ptt::metafile;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
#ifdef PTT_FUZZ_EMF
    constexpr bool emf = true;
#else
    constexpr bool emf = false;
#endif
    MetafileInfo info;
    QString error;
    if (!(emf ? probeEmf(bytes, &info, &error) : probeWmf(bytes, &info, &error))) {
        ptt::fuzz::checkOutcome(QImage(), error);
        return 0;
    }
    if (info.naturalSize.isEmpty())
        std::abort();
    if (info.naturalSize.width() > ptt::PictureLimits::maxSide ||
        info.naturalSize.height() > ptt::PictureLimits::maxSide)
        return 0; // refused before playing
    const QSize render = renderSizeFor(info.naturalSize, ptt::fuzz::kRenderSide);
    ptt::DecodeStop never;
    const QImage image = emf ? playEmf(bytes, info, render, &never) : playWmf(bytes, info, render, &never);
    if (image.size() != render)
        std::abort();
    return 0;
}
