#include "picture.h"

#include "decodestop.h"
#include "fontdesc.h"
#include "metafile/metafile.h"
#include "picture_raster.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ptt {

namespace {

std::atomic<int> g_timeoutMs{15000};
// Decodes executing on a worker, whether or not their load still waits.
std::atomic<int> g_running{0};
std::atomic<qint64> g_decodesStarted{0};

// Told when g_running drops; never destroyed, as a detached worker may still
// finish after exit.
std::mutex &runningMutex()
{
    static std::mutex *mutex = new std::mutex;
    return *mutex;
}

std::condition_variable &runningDropped()
{
    static std::condition_variable *dropped = new std::condition_variable;
    return *dropped;
}

// At exit, give decodes that were given up on a moment to stop, so none is
// still drawing while the application object goes away.
void waitForRunningDecodes()
{
    for (int i = 0; i < 200 && g_running.load() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Worker threads for decodes. A job never queues behind another while fewer
// than kMaxThreads run: an idle thread takes it, or a new one starts. So a
// decode that was given up on and has not stopped yet cannot delay the next
// picture; threads left idle for a minute end.
class DecodeThreads {
public:
    void run(std::function<void()> job)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
        if (int(m_jobs.size()) <= m_idle) {
            m_wake.notify_one();
        } else if (m_threads < kMaxThreads) {
            try {
                std::thread([this] { work(); }).detach();
                ++m_threads;
            } catch (const std::system_error &) {
                // No thread to be had: the job waits for a running one, or its load times out.
            }
        }
    }

private:
    static constexpr int kMaxThreads = 64;

    void work()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            ++m_idle;
            const bool got = m_wake.wait_for(lock, std::chrono::seconds(60), [this] { return !m_jobs.empty(); });
            --m_idle;
            if (!got) {
                --m_threads;
                return;
            }
            std::function<void()> job = std::move(m_jobs.front());
            m_jobs.pop_front();
            lock.unlock();
            job();
            job = nullptr; // its captures go before the lock is taken again
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    int m_idle = 0;
    int m_threads = 0;
};

DecodeThreads &decodeThreads()
{
    // Never destroyed: a detached worker may still wait on it at exit.
    static DecodeThreads *threads = new DecodeThreads;
    return *threads;
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

QString outOfMemory()
{
    return QStringLiteral("内存不足，无法读取这张图片。");
}

PictureLoadResult decodeMetafile(PictureFormat format, const QByteArray &data, DecodeStop *stop,
                                 const DecodeLimits &limits)
{
    metafile::MetafileInfo info;
    QString error;
    const bool ok = format == PictureFormat::Emf ? metafile::probeEmf(data, &info, &error, stop)
                                                 : metafile::probeWmf(data, &info, &error, stop);
    if (!ok)
        return failure(error);
    // Drawn at most renderSide wide, a metafile is limited in its sides only:
    // its natural size sizes pages, which refuse what memory cannot hold.
    if (info.naturalSize.width() > PictureLimits::maxSide || info.naturalSize.height() > PictureLimits::maxSide)
        return failure(detail::tooLargeMessage());
    const QSize renderSize = metafile::renderSizeFor(info.naturalSize, limits.renderSide);
    ++g_decodesStarted;
    QImage image = format == PictureFormat::Emf ? metafile::playEmf(data, info, renderSize, stop)
                                                : metafile::playWmf(data, info, renderSize, stop);
    if (image.isNull())
        return failure(outOfMemory());
    PictureLoadResult r;
    r.picture.image = image;
    r.picture.naturalSize = info.naturalSize;
    return r;
}

// A raster picture whose header passed the checks.
PictureLoadResult decodeCheckedRaster(PictureFormat format, const QByteArray &data, DecodeStop *stop,
                                      const DecodeLimits &limits)
{
    QString error;
    ++g_decodesStarted;
    QImage image = detail::decodeRaster(format, data, &error, stop, limits.rasterPixels);
    if (image.isNull())
        return failure(error.isEmpty() ? detail::corruptMessage() : error);
    PictureLoadResult r;
    r.picture.image = image;
    r.picture.naturalSize = image.size();
    return r;
}

PictureLoadResult decodeUnguarded(const QByteArray &data, DecodeStop *stop, const DecodeLimits &limits)
{
    const PictureFormat format = sniffPictureFormat(data);
    switch (format) {
    case PictureFormat::Unknown:
        return failure(notAPicture());
    case PictureFormat::Wmf:
    case PictureFormat::Emf:
        return decodeMetafile(format, data, stop, limits);
    default:
        break;
    }
    if (format != PictureFormat::Dib) {
        QSize size;
        QString error;
        if (!detail::checkRasterHeader(format, data, &size, &error, stop))
            return failure(error);
        if (qint64(size.width()) * size.height() > limits.rasterPixels)
            return failure(detail::tooLargeMessage());
    }
    return decodeCheckedRaster(format, data, stop, limits);
}

// The limits keep every allocation far below what the machine has; should
// one still fail, the picture is refused and the program goes on.
PictureLoadResult decode(const QByteArray &data, DecodeStop *stop, const DecodeLimits &limits)
{
    try {
        return decodeUnguarded(data, stop, limits);
    } catch (const std::bad_alloc &) {
        return failure(outOfMemory());
    }
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

int runningPictureDecodes()
{
    return g_running.load();
}

void waitForPictureDecodes()
{
    std::unique_lock<std::mutex> lock(runningMutex());
    runningDropped().wait(lock, [] { return g_running.load() == 0; });
}

qint64 pictureDecodesStarted()
{
    return g_decodesStarted.load();
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
    if (d.size() >= 18 && (le16(d, 0) == 1 || le16(d, 0) == 2) && le16(d, 2) == 9 &&
        (le16(d, 4) == 0x0100 || le16(d, 4) == 0x0300))
        return PictureFormat::Wmf;
    if (d.size() >= 88 && le32(d, 0) == 1 && d.mid(40, 4) == QByteArrayLiteral(" EMF"))
        return PictureFormat::Emf;
    // A headerless DIB: a BITMAPINFOHEADER (or larger) straight away.
    if (d.size() >= 40) {
        const quint32 size = le32(d, 0);
        const quint16 planes = le16(d, 12);
        const quint16 bpp = le16(d, 14);
        if ((size == 40 || size == 52 || size == 56 || size == 108 || size == 124) && planes == 1 &&
            (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32))
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

PictureLoadResult decodePictureNow(const QByteArray &data, const DecodeLimits &limits)
{
    ensureFontSubstitutions();
    DecodeStop never;
    return decode(data, &never, limits);
}

PictureLoadResult loadPictureFromData(const QByteArray &data)
{
    if (data.size() > PictureLimits::maxFileBytes)
        return failure(tooBigFile());
    const PictureFormat format = sniffPictureFormat(data);
    if (format == PictureFormat::Unknown)
        return failure(notAPicture());
    ensureFontSubstitutions();

    // A small raster picture that its decoder reads in one pass takes well
    // under a tenth of a second whatever its bytes say, less than handing it
    // to a worker would add: it is decoded here.
    constexpr qsizetype kQuickBytes = 4 << 20;
    constexpr qint64 kQuickPixels = 1 << 20;
    if (data.size() <= kQuickBytes && format != PictureFormat::Dib && format != PictureFormat::Wmf &&
        format != PictureFormat::Emf) {
        QSize size;
        QString error;
        bool onePass = true;
        if (!detail::checkRasterHeader(format, data, &size, &error, nullptr, &onePass))
            return failure(error);
        if (onePass && qint64(size.width()) * size.height() <= kQuickPixels) {
            DecodeStop never;
            try {
                return decodeCheckedRaster(format, data, &never, DecodeLimits());
            } catch (const std::bad_alloc &) {
                return failure(outOfMemory());
            }
        }
    }

    // The decode runs on a worker thread. One that outlives the time limit is
    // told to stop and left behind: it holds its own reference to everything
    // it touches, so finishing later harms nothing.
    struct Job {
        QByteArray data;
        std::atomic<bool> stop{false};
        std::mutex mutex;
        std::condition_variable changed;
        bool started = false;
        bool finished = false;
        std::chrono::steady_clock::time_point startedAt;
        PictureLoadResult result;
    };
    static std::once_flag exitHook;
    if (QCoreApplication::instance())
        std::call_once(exitHook, [] { qAddPostRoutine(waitForRunningDecodes); });
    auto job = std::make_shared<Job>();
    job->data = data;
    decodeThreads().run([job] {
        {
            std::lock_guard<std::mutex> lock(job->mutex);
            job->started = true;
            job->startedAt = std::chrono::steady_clock::now();
            job->changed.notify_all();
        }
        PictureLoadResult r;
        if (!job->stop.load()) { // given up on before it could start
            ++g_running;
            DecodeStop stop(&job->stop);
            r = decode(job->data, &stop, DecodeLimits());
            {
                std::lock_guard<std::mutex> running(runningMutex());
                --g_running;
            }
            runningDropped().notify_all();
        }
        std::lock_guard<std::mutex> lock(job->mutex);
        job->result = std::move(r);
        job->finished = true;
        job->changed.notify_all();
    });
    const auto limit = std::chrono::milliseconds(g_timeoutMs.load());
    std::unique_lock<std::mutex> lock(job->mutex);
    // The limit is this picture's own: it counts from the start of its decode.
    job->changed.wait_for(lock, limit, [&] { return job->started; });
    const bool done =
        job->started && job->changed.wait_until(lock, job->startedAt + limit, [&] { return job->finished; });
    if (!done) {
        job->stop = true;
        return failure(QStringLiteral("解码超时：这张图片太复杂或已损坏，无法读取。"));
    }
    return std::move(job->result);
}

} // namespace ptt
