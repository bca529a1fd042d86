#pragma once
// A stand-in for the desktop's screenshot portal on a private session bus: it
// owns org.freedesktop.portal.Desktop, answers Screenshot as told and records
// what it was asked. Also starts and stops that private bus.
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QVariantMap>

namespace ptt::test {

// A dbus-daemon of its own with no service files, so nothing is started on demand.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    bool start(QString *error);
    QString address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

class FakeScreenshotPortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    enum class Answer {
        Response,   // the Response signal with code and uri, on the path the caller asked for
        OwnPath,    // the same on a path of the portal's own choosing, as old portals do
        ErrorReply, // the call itself fails with AccessDenied
        Silence,    // a handle, then never a Response
    };

    explicit FakeScreenshotPortal(const QDBusConnection &bus) : m_bus(bus) {}
    // Owns the portal's name; withObject false leaves the object out (no Screenshot there).
    bool start(bool withObject = true);
    void stop();

    Answer answer = Answer::Response;
    uint code = 0;
    QString uri;

    QStringList parentWindows;
    QList<QVariantMap> options;
    QString caller; // unique name of the last caller

public slots:
    QDBusObjectPath Screenshot(const QString &parentWindow, const QVariantMap &options);

private:
    QDBusConnection m_bus;
    bool m_registered = false;
};

} // namespace ptt::test
