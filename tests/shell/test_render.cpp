// `pintietong render tile` writes, pixel for pixel, what the main window's 保存 writes after the same
// steps by hand: sizes typed into 高度 and 宽度, a sample or an opened picture, text stamped.
#include "mainwindow/form30.h"
#include "platform/canvas.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"
#include "text/textstamp.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace ptt;

namespace {

// A stamp as the user makes it in the window: text, font, colour and angle, then a double-click.
struct WindowStamp {
    QString text;
    QPoint place; // page pixels
    QString face;
    double size;
    QColor color;
    int angle;
};

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

// Arguments joined by '|'.
QStringList args(const char *joined)
{
    return u8(joined).split(QLatin1Char('|'));
}

} // namespace

Q_DECLARE_METATYPE(QList<WindowStamp>)

class TestRender : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        test::initFonts();
    }

    void tileEqualsWindowSave_data()
    {
        QTest::addColumn<QString>("width");  // typed into 宽度, twips
        QTest::addColumn<QString>("height"); // typed into 高度, twips
        QTest::addColumn<int>("sample");     // 样图N, 0 for none
        QTest::addColumn<QSize>("opened");   // a picture opened first, empty for none
        QTest::addColumn<QList<WindowStamp>>("stamps");
        QTest::addColumn<QStringList>("arguments");
        const QList<WindowStamp> none;
        QTest::newRow("start page") << u8("43000") << u8("33000") << 0 << QSize() << none
                                    << args("--width|43000|--height|33000");
        QTest::newRow("start page in pixels")
            << u8("43000") << u8("33000") << 0 << QSize() << none << args("--unit|px|--width|2863|--height|2196");
        QTest::newRow("odd size, fractional twips")
            << u8("7777.5") << u8("15001") << 0 << QSize() << none << args("--width|7777.5|--height|15001");
        QTest::newRow("sample 3") << u8("20000") << u8("9000") << 3 << QSize() << none
                                  << args("--width|20000|--height|9000|--sample|3");
        QTest::newRow("sample 11, a bitmap")
            << u8("9000") << u8("20000") << 11 << QSize() << none << args("--width|9000|--height|20000|--sample|11");
        QTest::newRow("opened picture") << u8("30000") << u8("12000") << 0 << QSize(101, 53) << none
                                        << args("--width|30000|--height|12000|--pattern|@");
        // The page is 2863 pixels wide, so bands of 4 MB are 366 rows: these stamps cross band edges.
        const QList<WindowStamp> stamps{
            {QStringLiteral("双击设置文字"), QPoint(100, 360), QStringLiteral("宋体"), 14.25, QColor(128, 255, 128), 0},
            {QStringLiteral("a long line, turned, over three bands of rows"), QPoint(700, 1000), QStringLiteral("黑体"),
             36, QColor(200, 0, 40), 90},
            {QStringLiteral("斜 45°"), QPoint(1500, 720), QStringLiteral("楷体_GB2312"), 20, QColor(0, 0, 255), 45},
        };
        QTest::newRow("stamps across bands")
            << u8("43000") << u8("33000") << 0 << QSize() << stamps
            << args("--width|43000|--height|33000|--stamp|x=1500,y=5400,text=双击设置文字|--stamp|x=10500,y=15000,face="
                    "黑体,size=36,color=#c80028,angle=90,text=a long line, turned, over three bands of "
                    "rows|--stamp|x=22500,y=10800,face=楷体_GB2312,size=20,color=blue,angle=45,text=斜 45°");
    }
    void tileEqualsWindowSave()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(int, sample);
        QFETCH(QSize, opened);
        QFETCH(QList<WindowStamp>, stamps);
        QFETCH(QStringList, arguments);
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        const QString picture = dir.file(QStringLiteral("picture.bmp"));
        QVERIFY(
            test::writeImage(picture, test::patternImage(qMax(1, opened.width()), qMax(1, opened.height())), "BMP"));
        arguments.replaceInStrings(QStringLiteral("@"), picture);

        // By hand in the window.
        Form30 window;
        if (!opened.isEmpty()) {
            dialogs.answerFile(picture);
            window.OpenPicture();
        }
        test::child<QLineEdit>(&window, QStringLiteral("Text1"))->setText(height);
        test::child<QLineEdit>(&window, QStringLiteral("Text2"))->setText(width);
        QTest::mouseClick(test::child<QPushButton>(&window, QStringLiteral("Command1")), Qt::LeftButton);
        QTest::mouseClick(test::child<QPushButton>(&window, QStringLiteral("Command2")), Qt::LeftButton);
        if (sample > 0)
            window.TileSample(sample);
        const QImage unstamped = window.page()->image().copy();
        for (const WindowStamp &stamp : stamps) {
            test::child<QComboBox>(&window, QStringLiteral("Combo1"))->setEditText(stamp.text);
            FontDesc font;
            font.name = stamp.face;
            font.size = stamp.size;
            font.bold = true;
            font.weight = 700;
            dialogs.answerFont(font);
            window.textStamp()->ChooseFont();
            dialogs.answerColor(stamp.color);
            window.textStamp()->ChooseColor();
            test::child<QScrollBar>(&window, QStringLiteral("HScroll1"))->setValue(stamp.angle);
            const QImage before = window.page()->image().copy();
            window.textStamp()->Stamp(stamp.place);
            QVERIFY(window.page()->image() != before);
        }
        QCOMPARE(window.page()->image() == unstamped, stamps.isEmpty());
        const QString saved = dir.file(QStringLiteral("window.bmp"));
        dialogs.answerFile(saved);
        QTest::mouseClick(test::child<QPushButton>(&window, QStringLiteral("Command5")), Qt::LeftButton);
        QCOMPARE(dialogs.unexpectedCount(), 0);
        QCOMPARE(dialogs.pending(), 0);

        // From the command line.
        const QString rendered = dir.file(QStringLiteral("rendered.bmp"));
        QProcess program;
        program.start(QStringLiteral(PINTIETONG), QStringList{QStringLiteral("render"), QStringLiteral("tile")}
                                                      << arguments << QStringLiteral("-o") << rendered);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.readAllStandardError(), QByteArray());
        QCOMPARE(program.exitCode(), 0);
        const QByteArray expected = test::fileBytes(saved);
        QVERIFY(expected.size() > 54);
        const QByteArray actual = test::fileBytes(rendered);
        if (actual != expected) {
            const QImage a(rendered), e(saved);
            QCOMPARE(a.size(), e.size());
            QCOMPARE(test::changedBox(a, e), QRect());
        }
        QCOMPARE(actual, expected);
    }
};

QTEST_MAIN(TestRender)
#include "test_render.moc"
