#include "fakeportal.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>

namespace ptt::test {

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
} // namespace

PrivateBus::PrivateBus() = default;

PrivateBus::~PrivateBus()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

bool PrivateBus::start(QString *error)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (exe.isEmpty()) {
        *error = QStringLiteral("dbus-daemon is not installed");
        return false;
    }
    QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
    if (!m_dir.isValid() || !config.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    config.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                "<busconfig><type>session</type><listen>unix:path=%1</listen>"
                                "<auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
                                "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
                                "</policy></busconfig>\n")
                     .arg(m_dir.filePath(QStringLiteral("bus")))
                     .toUtf8());
    config.close();
    m_daemon.start(exe, {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                         QStringLiteral("--print-address=1")});
    while (m_daemon.waitForReadyRead(10000)) {
        if (m_daemon.canReadLine()) {
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
            return true;
        }
    }
    *error = QStringLiteral("dbus-daemon did not start: ") + QString::fromUtf8(m_daemon.readAllStandardError());
    return false;
}

bool FakeScreenshotPortal::start(bool withObject)
{
    if (withObject && !m_bus.registerObject(kObject, this, QDBusConnection::ExportAllSlots))
        return false;
    m_registered = withObject;
    return m_bus.interface()->registerService(kService).value() == QDBusConnectionInterface::ServiceRegistered;
}

void FakeScreenshotPortal::stop()
{
    m_bus.interface()->unregisterService(kService);
    if (m_registered)
        m_bus.unregisterObject(kObject);
    m_registered = false;
}

QDBusObjectPath FakeScreenshotPortal::Screenshot(const QString &parentWindow, const QVariantMap &opts)
{
    parentWindows << parentWindow;
    options << opts;
    caller = message().service();
    if (answer == Answer::ErrorReply) {
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not for you"));
        return QDBusObjectPath();
    }
    QString sender = caller.mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString token =
        answer == Answer::OwnPath ? QStringLiteral("portal7") : opts.value(QStringLiteral("handle_token")).toString();
    const QString path = QStringLiteral("%1/request/%2/%3").arg(kObject, sender, token);
    if (answer != Answer::Silence) {
        // After the reply has gone, as the real portal answers.
        QTimer::singleShot(0, this, [this, path] {
            QDBusMessage response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                               QStringLiteral("Response"));
            QVariantMap results;
            if (!uri.isEmpty())
                results.insert(QStringLiteral("uri"), uri);
            response << code << results;
            m_bus.send(response);
        });
    }
    return QDBusObjectPath(path);
}

} // namespace ptt::test
