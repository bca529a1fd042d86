#include "picture.h"

#include "fontdesc.h"
#include "metafile/metafile.h"
#include "picture_raster.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ptt {

namespace {

std::atomic<int> g_timeoutMs {15000};
// Decodes still running after their load gave up on them.
std::atomic<int> g_abandoned {0};

// At exit, give abandoned decodes a moment to notice they were cancelled, so
// none is still drawing while the application object goes away.
void waitForAbandonedDecodes()
{
    for (int i = 0; i < 200 && g_abandoned.load() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

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

QString tooBigFile()
{
    return QStringLiteral("文件太大，不能作为图片读取。");
}

// Reads a whole regular file. Opened non-blocking and checked with fstat on
// the open descriptor, so a FIFO or device under a picture's name cannot
// block the window, even if it replaced the file after a name check.
bool readRegularFile(const QString &path, QByteArray *out, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *error = errno == ENOENT ? QStringLiteral("找不到文件。")
                                 : QStringLiteral("无法读取文件：%1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = notAPicture();
        return false;
    }
    if (st.st_size > PictureLimits::maxFileBytes) {
        ::close(fd);
        *error = tooBigFile();
        return false;
    }
    QByteArray data;
    data.resize(qsizetype(st.st_size));
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    ::close(fd);
    data.truncate(got); // a file that shrank while being read
    *out = data;
    return true;
}

PictureLoadResult decodeMetafile(PictureFormat format, const QByteArray &data, const std::atomic<bool> *cancel)
{
    metafile::MetafileInfo info;
    QString error;
    const bool ok = format == PictureFormat::Emf ? metafile::probeEmf(data, &info, &error)
                                                 : metafile::probeWmf(data, &info, &error);
    if (!ok)
        return failure(error);
    const QString big = detail::checkDimensions(info.naturalSize.width(), info.naturalSize.height());
    if (!big.isEmpty())
        return failure(big);
    const QSize renderSize = metafile::renderSizeFor(info.naturalSize);
    QImage image = format == PictureFormat::Emf ? metafile::playEmf(data, info, renderSize, cancel)
                                                : metafile::playWmf(data, info, renderSize, cancel);
    if (image.isNull())
        return failure(QStringLiteral("内存不足，无法读取这张图片。"));
    PictureLoadResult r;
    r.picture.image = image;
    r.picture.naturalSize = info.naturalSize;
    return r;
}

PictureLoadResult decode(const QByteArray &data, const std::atomic<bool> *cancel)
{
    const PictureFormat format = sniffPictureFormat(data);
    switch (format) {
    case PictureFormat::Unknown: return failure(notAPicture());
    case PictureFormat::Wmf:
    case PictureFormat::Emf: return decodeMetafile(format, data, cancel);
    default: break;
    }
    QString error;
    if (format != PictureFormat::Dib) {
        QSize size;
        if (!detail::checkRasterHeader(format, data, &size, &error))
            return failure(error);
    }
    QImage image = detail::decodeRaster(format, data, &error);
    if (image.isNull())
        return failure(error.isEmpty() ? detail::corruptMessage() : error);
    PictureLoadResult r;
    r.picture.image = image;
    r.picture.naturalSize = image.size();
    return r;
}

void ensureFontSubstitutions()
{
    // Metafile text names Windows faces; the installed CJK faces stand in.
    static std::once_flag once;
    if (QGuiApplication::instance())
        std::call_once(once, [] { installFontSubstitutions(); });
}

} // namespace

void setPictureDecodeTimeout(int ms)
{
    g_timeoutMs = std::max(1, ms);
}

int pictureDecodeTimeout()
{
    return g_timeoutMs;
}

PictureFormat sniffPictureFormat(const QByteArray &d)
{
    if (d.size() >= 14 + 12 && d[0] == 'B' && d[1] == 'M')
        return PictureFormat::Bmp;
    if (d.size() >= 3 && uchar(d[0]) == 0xFF && uchar(d[1]) == 0xD8 && uchar(d[2]) == 0xFF)
        return PictureFormat::Jpeg;
    if (d.size() >= 13 && (d.startsWith("GIF87a") || d.startsWith("GIF89a")))
        return PictureFormat::Gif;
    if (d.size() >= 22 && le16(d, 0) == 0 && (le16(d, 2) == 1 || le16(d, 2) == 2) && le16(d, 4) > 0)
        return le16(d, 2) == 1 ? PictureFormat::Ico : PictureFormat::Cur;
    if (d.size() >= 22 + 18 && le32(d, 0) == 0x9AC6CDD7u)
        return PictureFormat::Wmf;
    if (d.size() >= 18 && (le16(d, 0) == 1 || le16(d, 0) == 2) && le16(d, 2) == 9
        && (le16(d, 4) == 0x0100 || le16(d, 4) == 0x0300))
        return PictureFormat::Wmf;
    if (d.size() >= 88 && le32(d, 0) == 1 && d.mid(40, 4) == QByteArrayLiteral(" EMF"))
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
    if (path.isEmpty() || !QFileInfo::exists(path))
        return failure(QStringLiteral("找不到文件。"));
    QByteArray data;
    QString error;
    if (!readRegularFile(path, &data, &error))
        return failure(error);
    return loadPictureFromData(data);
}

PictureLoadResult decodePictureNow(const QByteArray &data)
{
    ensureFontSubstitutions();
    return decode(data, nullptr);
}

PictureLoadResult loadPictureFromData(const QByteArray &data)
{
    if (data.size() > PictureLimits::maxFileBytes)
        return failure(tooBigFile());
    if (sniffPictureFormat(data) == PictureFormat::Unknown)
        return failure(notAPicture());
    ensureFontSubstitutions();

    // The decode runs on a worker thread; one that outlives the time limit is
    // abandoned: it holds its own copy of everything it touches and is told
    // to stop, so finishing later harms nothing.
    struct Job {
        QByteArray data;
        std::atomic<bool> cancel {false};
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool abandoned = false;
        PictureLoadResult result;
    };
    static std::once_flag exitHook;
    if (QCoreApplication::instance())
        std::call_once(exitHook, [] { qAddPostRoutine(waitForAbandonedDecodes); });
    auto job = std::make_shared<Job>();
    job->data = data;
    // Threads of a pool of our own are reused, so their memory stays warm;
    // a decode that hangs holds one thread and the others go on serving.
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool; // never deleted: a hung decode must not block exit
        p->setMaxThreadCount(std::max(4, QThread::idealThreadCount()));
        p->setExpiryTimeout(60000);
        return p;
    }();
    pool->start([job] {
        PictureLoadResult r;
        if (!job->cancel.load()) // given up on while it waited for a thread
            r = decode(job->data, &job->cancel);
        std::lock_guard<std::mutex> lock(job->mutex);
        job->result = std::move(r);
        job->finished = true;
        if (job->abandoned)
            --g_abandoned;
        job->done.notify_all();
    });
    std::unique_lock<std::mutex> lock(job->mutex);
    if (!job->done.wait_for(lock, std::chrono::milliseconds(g_timeoutMs.load()), [&] { return job->finished; })) {
        job->cancel = true;
        job->abandoned = true;
        ++g_abandoned;
        return failure(QStringLiteral("解码超时：这张图片太复杂或已损坏，无法读取。"));
    }
    return job->result;
}

} // namespace ptt
