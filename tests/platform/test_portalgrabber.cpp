// The screenshot portal's conversation against a stand-in portal on a private
// bus: every answer it can give, and how its picture is laid over the screens.
#include "fakeportal.h"
#include "platform/screengrabber_portal.h"
#include "testsupport/testsupport.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using namespace ptt;
using test::FakeScreenshotPortal;

Q_DECLARE_METATYPE(FakeScreenshotPortal::Answer)

class TestPortalGrabber : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void answers_data();
    void answers();
    void pictureOverScreens_data();
    void pictureOverScreens();

private:
    test::PrivateBus m_bus;
    QTemporaryDir m_files;
};

void TestPortalGrabber::initTestCase()
{
    QString error;
    if (!m_bus.start(&error))
        QSKIP(qPrintable(error));
    QVERIFY(m_files.isValid());
}

void TestPortalGrabber::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
}

enum class File { None, Png, Garbage, Missing, Remote };
Q_DECLARE_METATYPE(File)

void TestPortalGrabber::answers_data()
{
    QTest::addColumn<bool>("portalThere");
    QTest::addColumn<FakeScreenshotPortal::Answer>("answer");
    QTest::addColumn<uint>("code");
    QTest::addColumn<File>("file");
    QTest::addColumn<QSizeF>("scale");  // the picture's size over the screen's
    QTest::addColumn<QString>("error"); // a part of the message; empty: a picture
    using A = FakeScreenshotPortal::Answer;
    const QSizeF one(1, 1);
    QTest::newRow("picture") << true << A::Response << 0u << File::Png << one << QString();
    QTest::newRow("picture at twice the pixels") << true << A::Response << 0u << File::Png << QSizeF(2, 2) << QString();
    QTest::newRow("answer on the portal's own path") << true << A::OwnPath << 0u << File::Png << one << QString();
    QTest::newRow("user cancels") << true << A::Response << 1u << File::None << one << QStringLiteral("已被取消");
    QTest::newRow("refused") << true << A::Response << 2u << File::None << one << QStringLiteral("拒绝");
    QTest::newRow("unknown code") << true << A::Response << 7u << File::Png << one << QStringLiteral("拒绝");
    QTest::newRow("no portal") << false << A::Response << 0u << File::Png << one
                               << QStringLiteral("没有提供屏幕截图服务");
    QTest::newRow("call refused") << true << A::ErrorReply << 0u << File::Png << one
                                  << QStringLiteral("出错（org.freedesktop.DBus.Error.AccessDenied）");
    QTest::newRow("no answer") << true << A::Silence << 0u << File::Png << one << QStringLiteral("没有回应");
    QTest::newRow("no uri") << true << A::Response << 0u << File::None << one << QStringLiteral("不在本机文件中");
    QTest::newRow("remote uri") << true << A::Response << 0u << File::Remote << one << QStringLiteral("不在本机文件中");
    QTest::newRow("file missing") << true << A::Response << 0u << File::Missing << one << QStringLiteral("无法读取");
    QTest::newRow("file not a picture") << true << A::Response << 0u << File::Garbage << one
                                        << QStringLiteral("无法读取");
    QTest::newRow("picture too small") << true << A::Response << 0u << File::Png << QSizeF(0.5, 0.5)
                                       << QStringLiteral("不符");
    QTest::newRow("picture a row too high")
        << true << A::Response << 0u << File::Png << QSizeF(1, 1.01) << QStringLiteral("不符");
    QTest::newRow("one screen of two") << true << A::Response << 0u << File::Png << QSizeF(0.5, 1)
                                       << QStringLiteral("不符");
}

void TestPortalGrabber::answers()
{
    QFETCH(bool, portalThere);
    QFETCH(FakeScreenshotPortal::Answer, answer);
    QFETCH(uint, code);
    QFETCH(File, file);
    QFETCH(QSizeF, scale);
    QFETCH(QString, error);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QSize size(qRound(screen.width() * scale.width()), qRound(screen.height() * scale.height()));
    const QImage picture = test::patternImage(size.width(), size.height());
    const QString path = m_files.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".png"));
    QString uri = QUrl::fromLocalFile(path).toString();
    switch (file) {
    case File::None:
        uri.clear();
        break;
    case File::Png:
        QVERIFY(picture.save(path, "PNG"));
        break;
    case File::Garbage: {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x89PNG\r\n\x1a\n but nothing after");
        break;
    }
    case File::Missing:
        break;
    case File::Remote:
        uri = QStringLiteral("https://example.org/shot.png");
        break;
    }

    QDBusConnection portalBus = QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("portal"));
    QDBusConnection clientBus = QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("client"));
    QVERIFY(portalBus.isConnected() && clientBus.isConnected());
    FakeScreenshotPortal portal(portalBus);
    portal.answer = answer;
    portal.code = code;
    portal.uri = uri;
    if (portalThere)
        QVERIFY(portal.start());
    const int timeoutMs = answer == FakeScreenshotPortal::Answer::Silence ? 300 : 20000;
    const DesktopGrab grab = PortalScreenGrabber(clientBus, timeoutMs).grabDesktop();
    portal.stop();

    if (portalThere) {
        // Asked once, non-interactively, without a parent window, under a token of its own.
        QCOMPARE(portal.options.size(), 1);
        QCOMPARE(portal.parentWindows.at(0), QString());
        QCOMPARE(portal.options.at(0).value(QStringLiteral("interactive")), QVariant(false));
        QVERIFY(!portal.options.at(0).value(QStringLiteral("handle_token")).toString().isEmpty());
        QCOMPARE(portal.caller, clientBus.baseService());
    }
    if (!error.isEmpty()) {
        QVERIFY(grab.isNull());
        QVERIFY2(grab.error.contains(error), qPrintable(grab.error));
        return;
    }
    QVERIFY2(!grab.isNull(), qPrintable(grab.error));
    QCOMPARE(grab.geometry, screen);
    QCOMPARE(grab.devicePixelRatio, scale.width());
    QCOMPARE(grab.image, picture.convertToFormat(QImage::Format_RGB32));
}

void TestPortalGrabber::pictureOverScreens_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("desktop");
    QTest::addColumn<qreal>("ratio"); // 0: refused
    QTest::newRow("one screen") << QSize(1600, 1000) << QRect(0, 0, 1600, 1000) << 1.0;
    QTest::newRow("two screens side by side at scale 2") << QSize(6400, 2160) << QRect(0, 0, 3200, 1080) << 2.0;
    QTest::newRow("a screen left of the primary") << QSize(3840, 1080) << QRect(-1920, 0, 3840, 1080) << 1.0;
    QTest::newRow("scale 1.5") << QSize(1920, 1200) << QRect(0, 0, 1280, 800) << 1.5;
    QTest::newRow("scale 1.25, rounded") << QSize(1708, 960) << QRect(0, 0, 1366, 768) << 1708.0 / 1366.0;
    QTest::newRow("other shape") << QSize(1920, 1200) << QRect(0, 0, 1920, 1080) << 0.0;
    QTest::newRow("two pixels too high") << QSize(1600, 1002) << QRect(0, 0, 1600, 1000) << 0.0;
    QTest::newRow("smaller than the desktop") << QSize(800, 500) << QRect(0, 0, 1600, 1000) << 0.0;
}

void TestPortalGrabber::pictureOverScreens()
{
    QFETCH(QSize, picture);
    QFETCH(QRect, desktop);
    QFETCH(qreal, ratio);
    QImage image(picture, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const DesktopGrab grab = desktopGrabFromPicture(image, desktop);
    if (ratio == 0.0) {
        QVERIFY(grab.isNull());
        QVERIFY(grab.error.contains(QStringLiteral("%1×%2").arg(picture.width()).arg(picture.height())));
        QVERIFY(grab.error.contains(QStringLiteral("%1×%2").arg(desktop.width()).arg(desktop.height())));
        return;
    }
    QCOMPARE(grab.geometry, desktop);
    QCOMPARE(grab.devicePixelRatio, ratio);
    QCOMPARE(grab.image.size(), picture);
}

QTEST_MAIN(TestPortalGrabber)
#include "test_portalgrabber.moc"
