// The conversation with the screenshot portal: subscribe to the request's
// Response signal, call Screenshot, wait for the answer, read the file it names.
#include "screengrabber_portal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cmath>

namespace ptt {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

const QString kNoPortal = QStringLiteral("这个桌面没有提供屏幕截图服务（xdg-desktop-portal），无法剪裁抓图。");
const QString kCancelled = QStringLiteral("屏幕截图已被取消，没有剪裁抓图。");
const QString kRefused = QStringLiteral("桌面拒绝了屏幕截图，无法剪裁抓图。");
const QString kNoAnswer = QStringLiteral("桌面的屏幕截图服务没有回应，无法剪裁抓图。");

// Waits in a local event loop for the method reply and then the Response
// signal, whichever order they come in, or for the time to run out.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    enum class State { Waiting, Answered, Failed, TimedOut };

    PortalRequest(QDBusConnection bus, QString path) : m_bus(std::move(bus)), m_path(std::move(path)) {}
    ~PortalRequest() override { unsubscribe(); }

    // Every Response sent to us, whatever its path: a portal that picks a path of
    // its own may answer before its reply names the path.
    bool subscribe()
    {
        m_subscribed = m_bus.connect(kService, QString(), kRequest, QStringLiteral("Response"), this,
                                     SLOT(onResponse(QDBusMessage)));
        return m_subscribed;
    }

    void run(const QDBusMessage &call, int timeoutMs)
    {
        QDBusPendingCallWatcher watcher(m_bus.asyncCall(call, timeoutMs));
        connect(&watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
            QDBusPendingReply<QDBusObjectPath> reply = *w;
            if (reply.isError()) {
                m_error = reply.error();
                finish(State::Failed);
                return;
            }
            // Portals older than handle_token answer on a path of their own.
            m_path = reply.value().path();
            if (m_early.contains(m_path))
                answer(m_early.value(m_path));
        });
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, this, [this] { finish(State::TimedOut); });
        timer.start(timeoutMs);
        if (m_state == State::Waiting)
            m_loop.exec();
        if (m_state == State::Waiting || m_state == State::TimedOut) {
            // Left by a quitting program or out of time: withdraw the request.
            m_state = State::TimedOut;
            m_bus.send(QDBusMessage::createMethodCall(kService, m_path, kRequest, QStringLiteral("Close")));
        }
    }

    State state() const { return m_state; }
    uint code() const { return m_code; }
    const QVariantMap &results() const { return m_results; }
    const QDBusError &error() const { return m_error; }

public slots:
    void onResponse(const QDBusMessage &message)
    {
        if (message.path() == m_path)
            answer(message);
        else
            m_early.insert(message.path(), message);
    }

private:
    void answer(const QDBusMessage &message)
    {
        const QList<QVariant> args = message.arguments();
        if (m_state != State::Waiting || args.size() < 2)
            return;
        m_code = args.at(0).toUInt();
        m_results = qdbus_cast<QVariantMap>(args.at(1));
        finish(State::Answered);
    }

    void finish(State state)
    {
        if (m_state != State::Waiting)
            return;
        m_state = state;
        m_loop.quit();
    }

    void unsubscribe()
    {
        if (m_subscribed)
            m_bus.disconnect(kService, QString(), kRequest, QStringLiteral("Response"), this,
                             SLOT(onResponse(QDBusMessage)));
        m_subscribed = false;
    }

    QDBusConnection m_bus;
    QString m_path;
    bool m_subscribed = false;
    QEventLoop m_loop;
    State m_state = State::Waiting;
    uint m_code = 0;
    QVariantMap m_results;
    QDBusError m_error;
    QHash<QString, QDBusMessage> m_early; // answers on other paths, until the reply names ours
};

QString callFailedMessage(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
        return kNoPortal;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return kNoAnswer;
    default:
        return QStringLiteral("桌面的屏幕截图服务出错（%1），无法剪裁抓图。").arg(error.name());
    }
}

DesktopGrab failed(const QString &why)
{
    DesktopGrab grab;
    grab.error = why;
    return grab;
}

DesktopGrab readPicture(const QVariantMap &results)
{
    const QString uri = results.value(QStringLiteral("uri")).toString();
    const QUrl url(uri);
    if (!url.isLocalFile())
        return failed(QStringLiteral("桌面截下的图像不在本机文件中（%1），无法剪裁抓图。").arg(uri));
    const QString path = url.toLocalFile();
    QImageReader reader(path);
    QImage picture = reader.read();
    if (picture.isNull())
        return failed(
            QStringLiteral("无法读取桌面截下的图像文件 %1（%2），无法剪裁抓图。").arg(path, reader.errorString()));
    QRect desktop;
    for (QScreen *s : QGuiApplication::screens())
        desktop |= s->geometry();
    if (desktop.isEmpty())
        return failed(QStringLiteral("找不到屏幕，无法剪裁抓图。"));
    return desktopGrabFromPicture(picture, desktop);
}

} // namespace

DesktopGrab desktopGrabFromPicture(const QImage &picture, const QRect &desktop)
{
    if (picture.isNull() || desktop.isEmpty())
        return failed(QStringLiteral("找不到屏幕，无法剪裁抓图。"));
    const qreal ratio = qreal(picture.width()) / desktop.width();
    // Each screen's part is rounded to whole device pixels on its own.
    const bool fits = ratio >= 1.0 && std::abs(picture.height() - desktop.height() * ratio) <= 1.0;
    if (!fits)
        return failed(QStringLiteral("桌面截下的图像大小（%1×%2）与屏幕（%3×%4）不符，无法剪裁抓图。")
                          .arg(picture.width())
                          .arg(picture.height())
                          .arg(desktop.width())
                          .arg(desktop.height()));
    DesktopGrab grab;
    grab.image = picture.convertToFormat(QImage::Format_RGB32);
    grab.image.setDevicePixelRatio(1.0);
    grab.geometry = desktop;
    grab.devicePixelRatio = ratio;
    return grab;
}

PortalScreenGrabber::PortalScreenGrabber(const QDBusConnection &bus, int timeoutMs) : m_bus(bus), m_timeoutMs(timeoutMs)
{
}

DesktopGrab PortalScreenGrabber::grabDesktop()
{
    if (!m_bus.isConnected())
        return failed(kNoPortal);
    // The portal answers on .../request/SENDER/TOKEN, SENDER being our unique
    // name without its ':' and with '.' made '_'.
    const QString token = QStringLiteral("ptt%1").arg(QRandomGenerator::global()->generate());
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    PortalRequest request(m_bus, QStringLiteral("%1/request/%2/%3").arg(kObject, sender, token));
    if (!request.subscribe())
        return failed(kNoPortal);

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kObject, kScreenshot, QStringLiteral("Screenshot"));
    const QVariantMap options{{QStringLiteral("handle_token"), token}, {QStringLiteral("interactive"), false}};
    call << QString() << options;
    request.run(call, m_timeoutMs);

    switch (request.state()) {
    case PortalRequest::State::Failed:
        return failed(callFailedMessage(request.error()));
    case PortalRequest::State::Waiting:
    case PortalRequest::State::TimedOut:
        return failed(kNoAnswer);
    case PortalRequest::State::Answered:
        break;
    }
    if (request.code() == 1)
        return failed(kCancelled);
    if (request.code() != 0)
        return failed(kRefused);
    return readPicture(request.results());
}

ScreenGrabber *createPortalScreenGrabber()
{
    static PortalScreenGrabber grabber(QDBusConnection::sessionBus());
    return &grabber;
}

} // namespace ptt

#include "screengrabber_portal.moc"
