// Canvas and its memory rule, the busy pointer, dialog object and window
// lifecycle of the platform layer.
#include "platform/appdir.h"
#include "platform/busycursor.h"
#include "platform/canvas.h"
#include "platform/memorybudget.h"
#include "platform/units.h"
#include "platform/windows.h"
#include "testsupport/fixedmemory.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QTest>

#include <optional>
#include <stdexcept>

using namespace ptt;

class Probe : public QWidget {
public:
    static int constructed;
    Probe() { ++constructed; }
};
int Probe::constructed = 0;

class TestCanvas : public QObject {
    Q_OBJECT
private slots:
    void twipsAndPixels_data()
    {
        QTest::addColumn<double>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("43000") << 43000.0 << 2867;
        QTest::newRow("33000") << 33000.0 << 2200;
        QTest::newRow("15") << 15.0 << 1;
        QTest::newRow("7 rounds down") << 7.0 << 0;
        QTest::newRow("22.5 halves to even") << 22.5 << 2;
        QTest::newRow("37.5 halves to even") << 37.5 << 2;
        QTest::newRow("negative") << -300.0 << -20;
    }
    void twipsAndPixels()
    {
        QFETCH(double, twips);
        QFETCH(int, pixels);
        QCOMPARE(twipsToPixels(twips), pixels);
    }

    void borderIsTakenOffInnerSize()
    {
        Canvas c;
        c.setBorderWidth(2);
        QVERIFY(c.setOuterSize(QSize(2867, 2200)));
        QCOMPARE(c.innerSize(), QSize(2863, 2196));
        QCOMPARE(c.image().size(), QSize(2863, 2196));
        c.setScaleMode(Canvas::ScaleMode::Twips);
        QCOMPARE(c.scaleWidth(), 2863 * 15.0);
        QCOMPARE(c.toScale(QPointF(2, 3)), QPointF(30, 45));
        QCOMPARE(c.toPixels(QPointF(30, 45)), QPointF(2, 3));
    }

    void resizeKeepsDrawingAndFillsNewArea()
    {
        Canvas c;
        c.setBackColor(QColor(10, 20, 30));
        QVERIFY(c.setInnerSize(QSize(10, 10)));
        c.image().setPixel(3, 4, qRgb(200, 0, 0));
        QVERIFY(c.setInnerSize(QSize(20, 5)));
        QCOMPARE(c.image().pixel(3, 4), qRgb(200, 0, 0));
        QCOMPARE(c.image().pixel(15, 2), qRgb(10, 20, 30));
        QVERIFY(c.setInnerSize(QSize(2, 2)));
        QVERIFY(c.setInnerSize(QSize(20, 20)));
        QCOMPARE(c.image().pixel(3, 4), qRgb(10, 20, 30)); // cropped away earlier
    }

    // The old and the new image must fit together in what the system can give.
    void tooLargeIsRefusedAndChangesNothing_data()
    {
        QTest::addColumn<qint64>("available"); // -2: the system's own figure
        QTest::addColumn<QSize>("inner");
        QTest::addColumn<bool>("accepted");
        const qint64 both = (30 * 40 + 300 * 200) * 4;
        QTest::newRow("both fit exactly") << both << QSize(300, 200) << true;
        QTest::newRow("a byte short") << both - 1 << QSize(300, 200) << false;
        QTest::newRow("smaller, a byte short") << qint64(30 * 40 + 10 * 10) * 4 - 1 << QSize(10, 10) << false;
        QTest::newRow("figure unknown") << qint64(-1) << QSize(300, 200) << true;
        QTest::newRow("beyond any machine") << qint64(-2) << QSize(600000, 600000) << false;
    }
    void tooLargeIsRefusedAndChangesNothing()
    {
        QFETCH(qint64, available);
        QFETCH(QSize, inner);
        QFETCH(bool, accepted);
        Canvas c;
        QVERIFY(c.setInnerSize(QSize(30, 40)));
        c.image().setPixel(1, 1, qRgb(1, 2, 3));
        std::optional<test::FixedMemory> memory;
        if (available != -2)
            memory.emplace().bytes = available;
        QCOMPARE(c.setInnerSize(inner), accepted);
        QCOMPARE(c.size(), accepted ? inner : QSize(30, 40));
        QCOMPARE(c.innerSize(), c.size());
        QCOMPARE(c.image().pixel(1, 1), qRgb(1, 2, 3));
        // A resize that does not go through setInnerSize keeps the old image too.
        if (!accepted) {
            c.resize(inner);
            QCOMPARE(c.image().size(), QSize(30, 40));
        }
    }

    void memAvailableIsRead_data()
    {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("kernel") << QByteArray("MemTotal:       24683716 kB\nMemFree:         1000 kB\n"
                                              "MemAvailable:   23461376 kB\nBuffers:  1 kB\n")
                                << qint64(23461376) * 1024;
        QTest::newRow("zero") << QByteArray("MemAvailable: 0 kB\n") << qint64(0);
        QTest::newRow("old kernel without it") << QByteArray("MemTotal: 100 kB\nMemFree: 50 kB\n") << qint64(-1);
        QTest::newRow("unknown unit") << QByteArray("MemAvailable: 100 MB\n") << qint64(-1);
        QTest::newRow("not a number") << QByteArray("MemAvailable: lots kB\n") << qint64(-1);
        QTest::newRow("overflowing") << QByteArray("MemAvailable: 99999999999999999999 kB\n") << qint64(-1);
        QTest::newRow("empty") << QByteArray() << qint64(-1);
    }
    void memAvailableIsRead()
    {
        QFETCH(QByteArray, meminfo);
        QFETCH(qint64, bytes);
        QCOMPARE(parseMemAvailable(meminfo), bytes);
    }

    void cgroupRoomIsRead_data()
    {
        QTest::addColumn<QByteArray>("limit");
        QTest::addColumn<QByteArray>("usage");
        QTest::addColumn<qint64>("room");
        QTest::newRow("v2 limit") << QByteArray("4294967296\n") << QByteArray("1073741824\n") << (qint64(3) << 30);
        QTest::newRow("v2 no limit") << QByteArray("max\n") << QByteArray("1073741824\n") << qint64(-1);
        QTest::newRow("v1 no limit") << QByteArray("9223372036854771712\n") << QByteArray("5\n") << qint64(-1);
        QTest::newRow("over the limit") << QByteArray("100\n") << QByteArray("150\n") << qint64(0);
        QTest::newRow("no usage file") << QByteArray("100\n") << QByteArray() << qint64(-1);
        QTest::newRow("no limit file") << QByteArray() << QByteArray("5\n") << qint64(-1);
    }
    void cgroupRoomIsRead()
    {
        QFETCH(QByteArray, limit);
        QFETCH(QByteArray, usage);
        QFETCH(qint64, room);
        QCOMPARE(parseCgroupRoom(limit, usage), room);
    }

    void busyPointerOnlyForLongWorkAndAlwaysRestored()
    {
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        {
            BusyCursor quick(BusyCursor::kLongPixels - 1);
            QVERIFY(!quick.shown());
            QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        }
        QGuiApplication::setOverrideCursor(Qt::CrossCursor); // the crop tool's, while armed
        try {
            BusyCursor outer(BusyCursor::kLongPixels);
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            {
                BusyCursor inner(qint64(1) << 40);
                QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            }
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            throw std::runtime_error("out of memory");
        } catch (const std::runtime_error &) {
        }
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
        QGuiApplication::restoreOverrideCursor();
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void assigningPictureReplacesDrawingAndAutoSizes()
    {
        Canvas c;
        c.setBorderWidth(2);
        c.setAutoSize(true);
        c.setBackColor(Qt::blue);
        QVERIFY(c.setInnerSize(QSize(300, 300)));
        c.image().fill(Qt::red);
        Picture p;
        p.image = test::patternImage(100, 50);
        p.naturalSize = p.image.size();
        QVERIFY(c.setPicture(p));
        QCOMPARE(c.innerSize(), QSize(100, 50));
        QCOMPARE(c.outerSize(), QSize(104, 54));
        QCOMPARE(c.image(), p.image);
        // Without auto-size the canvas keeps its size: the picture sits at the
        // top-left corner over the background.
        Canvas fixed;
        fixed.setBackColor(Qt::blue);
        QVERIFY(fixed.setInnerSize(QSize(200, 200)));
        QVERIFY(fixed.setPicture(p));
        QCOMPARE(fixed.innerSize(), QSize(200, 200));
        QCOMPARE(fixed.image().pixel(99, 49), p.image.pixel(99, 49));
        QCOMPARE(fixed.image().pixel(150, 150), QColor(Qt::blue).rgb());
    }

    void backColourRepaintsImage()
    {
        Canvas c;
        QVERIFY(c.setInnerSize(QSize(8, 8)));
        c.image().setPixel(2, 2, qRgb(9, 9, 9));
        c.setBackColor(QColor(162, 200, 89));
        QCOMPARE(c.image().pixel(2, 2), qRgb(162, 200, 89));
    }

    void mousePositionsInScaleUnits()
    {
        Canvas c;
        c.setBorderWidth(2);
        QVERIFY(c.setInnerSize(QSize(100, 100)));
        c.setScaleMode(Canvas::ScaleMode::Twips);
        QPointF got;
        connect(&c, &Canvas::mousePressed, this, [&](Qt::MouseButton, QPointF p) { got = p; });
        QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(12, 22));
        QCOMPARE(got, QPointF(150, 300));
    }

    void dialogObjectRemembersFileName()
    {
        ScriptedDialogs script;
        CommonDialog d;
        d.filter = QStringLiteral("BMP|*.bmp");
        d.initDir = QStringLiteral("/tmp");
        script.answerFile(QStringLiteral("/tmp/a.bmp"));
        QVERIFY(d.showOpen());
        QCOMPARE(d.fileName, QStringLiteral("/tmp/a.bmp"));
        script.cancelFile();
        QVERIFY(!d.showSave());
        QCOMPARE(d.fileName, QStringLiteral("/tmp/a.bmp")); // a cancel keeps it
        QCOMPARE(script.log().at(1).file.fileName, QStringLiteral("/tmp/a.bmp"));
        QVERIFY(script.log().at(1).file.save);
        QCOMPARE(script.log().at(1).file.initDir, QStringLiteral("/tmp"));
        script.cancelColor();
        d.color = Qt::green;
        QVERIFY(!d.showColor());
        QCOMPARE(d.color, QColor(Qt::green));
        script.answerColor(Qt::red);
        QVERIFY(d.showColor());
        QCOMPARE(d.color, QColor(Qt::red));
        QCOMPARE(script.unexpectedCount(), 0);
        // A request nobody expected is cancelled and counted, never shown.
        QVERIFY(!d.showFont());
        QCOMPARE(script.unexpectedCount(), 1);
    }

    void unexpectedMessageGetsSafestAnswer()
    {
        ScriptedDialogs script;
        QCOMPARE(messageBox(nullptr, QStringLiteral("t"), QStringLiteral("x"), MsgButtons::YesNoCancel),
                 MsgResult::Cancel);
        QCOMPARE(messageBox(nullptr, QStringLiteral("t"), QStringLiteral("x"), MsgButtons::YesNo), MsgResult::No);
        QCOMPARE(script.unexpectedCount(), 2);
        script.answerInput(QStringLiteral("abc"));
        QCOMPARE(inputBox(nullptr, QStringLiteral("p"), QStringLiteral("t")),
                 std::optional<QString>(QStringLiteral("abc")));
        script.cancelInput();
        QVERIFY(!inputBox(nullptr, QStringLiteral("p"), QStringLiteral("t")));
    }

    void filtersBecomeQtFilters()
    {
        const QStringList f = qtNameFilters(QStringLiteral("所有图档|*.bmp;*.dib|JPeg 压缩图档(*.jpg)|*.jpg"));
        QCOMPARE(f.size(), 2);
        QCOMPARE(f.at(0), QStringLiteral("所有图档 (*.[Bb][Mm][Pp] *.[Dd][Ii][Bb])"));
        QCOMPARE(f.at(1), QStringLiteral("JPeg 压缩图档(*.jpg) (*.[Jj][Pp][Gg])"));
        // "*.*" means every file, with or without an extension.
        QCOMPARE(qtNameFilters(QStringLiteral("All Files (*.*)|*.*")),
                 QStringList{QStringLiteral("All Files (*.*) (*)")});
        QVERIFY(qtNameFilters(QString()).isEmpty());
    }

    void appDirIsWritableFolderWithSlash()
    {
        const QString dir = AppDir();
        QVERIFY(dir.endsWith(QLatin1Char('/')));
        QVERIFY(QFileInfo(dir).isDir());
        QVERIFY(QFileInfo(dir).isWritable());
        {
            test::TempAppDir temp;
            QCOMPARE(AppDir(), temp.path() + QLatin1Char('/'));
        }
        QCOMPARE(AppDir(), dir);
    }

    void windowsExistOnceAndOwnersKeepThemInFront()
    {
        QWidget owner;
        Probe::constructed = 0;
        Probe *a = showWindow<Probe>(&owner);
        Probe *b = showWindow<Probe>(&owner);
        QCOMPARE(a, b);
        QCOMPARE(Probe::constructed, 1);
        QCOMPARE(a->parentWidget(), &owner);
        QVERIFY(a->isWindow());
        a->hide(); // hiding keeps it loaded
        QCOMPARE(showWindow<Probe>(nullptr), a);
        QCOMPARE(a->parentWidget(), nullptr);
        QPointer<Probe> guard(a);
        a->close(); // the close box unloads it
        QTRY_VERIFY(guard.isNull());
        showWindow<Probe>()->close();
        QCOMPARE(Probe::constructed, 2);
    }
};

QTEST_MAIN(TestCanvas)
#include "test_canvas.moc"
