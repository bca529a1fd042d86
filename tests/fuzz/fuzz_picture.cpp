// libFuzzer entry: the header checks, raster decoders and metafile players
// on arbitrary bytes, on the calling thread (no time limit thread, so a hang
// shows as a libFuzzer timeout).
#include "formats/picture.h"

#include <QGuiApplication>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.gui.imageio*=false;qt.gui.icc=false");
    static QGuiApplication *app = new QGuiApplication(*argc, *argv);
    Q_UNUSED(app);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (4u << 20))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const ptt::PictureLoadResult r = ptt::decodePictureNow(bytes);
    if (r.ok()) {
        // An accepted picture is within the limits and has pixels to read.
        if (r.picture.image.width() > 4096 * 8 || r.picture.naturalSize.isEmpty())
            std::abort();
        volatile QRgb first = r.picture.image.pixel(0, 0);
        (void)first;
    } else if (r.error.isEmpty()) {
        std::abort(); // a refusal always says why
    }
    return 0;
}
