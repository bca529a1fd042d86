#include "testsupport/testsupport.h"
#include "text/logfontrecord.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QTest>
#include <climits>
#include <limits>

using namespace ptt;

class TestLogFontRecord : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initFonts(); }

    void fields_data()
    {
        QTest::addColumn<double>("size");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<float>("rotation");
        QTest::addColumn<int>("charset");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("escapement");
        QTest::addColumn<int>("outPrecision");
        QTest::addColumn<int>("recordCharset");

        QTest::newRow("14.25pt 96dpi") << 14.25 << 96 << 0.0f << 134 << -19 << 0 << 0 << 134;
        QTest::newRow("9pt 96dpi") << 9.0 << 96 << 0.0f << 134 << -12 << 0 << 0 << 134;
        QTest::newRow("10.5pt 120dpi: -17.5 to even") << 10.5 << 120 << 0.0f << 134 << -18 << 0 << 0 << 134;
        QTest::newRow("12.375pt 96dpi: -16.5 to even") << 12.375 << 96 << 0.0f << 134 << -16 << 0 << 0 << 134;
        QTest::newRow("15pt 96dpi") << 15.0 << 96 << 0.0f << 134 << -20 << 0 << 0 << 134;
        QTest::newRow("15pt 144dpi") << 15.0 << 144 << 0.0f << 134 << -30 << 0 << 0 << 134;
        QTest::newRow("rotation 45") << 9.0 << 96 << 45.0f << 134 << -12 << 450 << 7 << 134;
        QTest::newRow("rotation 360 is not turned") << 9.0 << 96 << 360.0f << 134 << -12 << 3600 << 0 << 134;
        QTest::newRow("rotation 720 is not turned") << 9.0 << 96 << 720.0f << 134 << -12 << 7200 << 0 << 134;
        QTest::newRow("rotation -90") << 9.0 << 96 << -90.0f << 134 << -12 << -900 << 7 << 134;
        QTest::newRow("rotation -360") << 9.0 << 96 << -360.0f << 134 << -12 << -3600 << 0 << 134;
        QTest::newRow("rotation 0.25: 2.5 tenths to even") << 9.0 << 96 << 0.25f << 134 << -12 << 2 << 0 << 134;
        QTest::newRow("rotation 0.75 rounds to 1 degree") << 9.0 << 96 << 0.75f << 134 << -12 << 8 << 7 << 134;
        QTest::newRow("rotation 0.5 rounds to 0 degrees") << 9.0 << 96 << 0.5f << 134 << -12 << 5 << 0 << 134;
        QTest::newRow("rotation 1.5 rounds to 2 degrees") << 9.0 << 96 << 1.5f << 134 << -12 << 15 << 7 << 134;
        QTest::newRow("rotation 359.5 rounds to 360") << 9.0 << 96 << 359.5f << 134 << -12 << 3595 << 0 << 134;
        QTest::newRow("OEM at 0 stays") << 9.0 << 96 << 0.0f << 255 << -12 << 0 << 0 << 255;
        QTest::newRow("OEM at 360 stays") << 9.0 << 96 << 360.0f << 255 << -12 << 3600 << 0 << 255;
        QTest::newRow("OEM at 90 becomes ANSI") << 9.0 << 96 << 90.0f << 255 << -12 << 900 << 7 << 0;
        QTest::newRow("GB2312 at 90 stays") << 9.0 << 96 << 90.0f << 134 << -12 << 900 << 7 << 134;
        QTest::newRow("OEM at 0.5 stays") << 9.0 << 96 << 0.5f << 255 << -12 << 5 << 0 << 255;
    }
    void fields()
    {
        QFETCH(double, size);
        QFETCH(int, dpi);
        QFETCH(float, rotation);
        QFETCH(int, charset);
        const LogFontRecord r = makeLogFontRecord(test::songFont(size, charset), rotation, dpi);
        QTEST(r.lfHeight, "height");
        QTEST(r.lfEscapement, "escapement");
        QTEST(r.lfOrientation, "escapement");
        QTEST(int(r.lfOutPrecision), "outPrecision");
        QTEST(int(r.lfCharSet), "recordCharset");
        QCOMPARE(r.lfWidth, 0);
        QCOMPARE(r.lfWeight, 700);
        QCOMPARE(int(r.lfClipPrecision), 0);
        QCOMPARE(int(r.lfQuality), 2);
        QCOMPARE(int(r.lfPitchAndFamily), 0);
    }

    void flagsAndWeight()
    {
        FontDesc f = test::songFont(9);
        f.weight = 300;
        f.italic = true;
        QCOMPARE(makeLogFontRecord(f, 0, 96).lfWeight, 300);
        QCOMPARE(int(makeLogFontRecord(f, 0, 96).lfItalic), 255);
        QCOMPARE(int(makeLogFontRecord(f, 0, 96).lfUnderline), 0);
        QCOMPARE(int(makeLogFontRecord(f, 0, 96).lfStrikeOut), 0);
        f.italic = false;
        f.underline = true;
        QCOMPARE(int(makeLogFontRecord(f, 0, 96).lfItalic), 0);
        QCOMPARE(int(makeLogFontRecord(f, 0, 96).lfUnderline), 255);
        f.underline = false;
        f.strikethrough = true;
        QCOMPARE(int(makeLogFontRecord(f, 0, 96).lfUnderline), 0);
        QCOMPARE(int(makeLogFontRecord(f, 0, 96).lfStrikeOut), 255);
    }

    void faceNameIsGbk()
    {
        const LogFontRecord r = makeLogFontRecord(test::songFont(9), 0, 96);
        const QByteArray bytes(r.lfFaceName, 5);
        QCOMPARE(bytes, QByteArray("\xCB\xCE\xCC\xE5\0", 5));
        QCOMPARE(r.faceName(), QStringLiteral("宋体"));

        FontDesc kai = test::songFont(9);
        kai.name = QStringLiteral("楷体_GB2312");
        QCOMPARE(makeLogFontRecord(kai, 0, 96).faceName(), QStringLiteral("楷体_GB2312"));
    }

    void longFaceNameIsCutAtAWholeCharacter()
    {
        FontDesc f = test::songFont(9);
        f.name = QString(20, QChar(0x5B8B)); // 40 bytes in GBK
        LogFontRecord r = makeLogFontRecord(f, 0, 96);
        QCOMPARE(r.faceName(), QString(15, QChar(0x5B8B)));
        QCOMPARE(r.lfFaceName[30], '\0');
        QCOMPARE(r.lfFaceName[31], '\0');

        f.name = QLatin1Char('A') + QString(20, QChar(0x5B8B));
        r = makeLogFontRecord(f, 0, 96);
        QCOMPARE(r.faceName(), QLatin1Char('A') + QString(15, QChar(0x5B8B)));
        QCOMPARE(r.lfFaceName[31], '\0');

        f.name = QString(40, QLatin1Char('x'));
        r = makeLogFontRecord(f, 0, 96);
        QCOMPARE(r.faceName(), QString(31, QLatin1Char('x')));
    }

    void badAnglesStayInRange()
    {
        const LogFontRecord nan = makeLogFontRecord(test::songFont(9), std::numeric_limits<float>::quiet_NaN(), 96);
        QCOMPARE(nan.lfEscapement, 0);
        QCOMPARE(int(nan.lfOutPrecision), 0);
        const LogFontRecord inf = makeLogFontRecord(test::songFont(9), std::numeric_limits<float>::infinity(), 96);
        QCOMPARE(inf.lfEscapement, 0);
        QCOMPARE(makeLogFontRecord(test::songFont(9), 1e30f, 96).lfEscapement, INT_MAX);
        QCOMPARE(makeLogFontRecord(test::songFont(9), -1e30f, 96).lfEscapement, INT_MIN);
    }

    void fontFromRecordUsesTheFields()
    {
        FontDesc f = test::songFont(14.25);
        f.italic = true;
        f.underline = true;
        f.strikethrough = true;
        const LogFontRecord r = makeLogFontRecord(f, 45, 96);
        const QFont q = fontFromRecord(r);
        QCOMPARE(q.pixelSize(), 19);
        QCOMPARE(int(q.weight()), 700);
        QVERIFY(q.italic());
        QVERIFY(q.underline());
        QVERIFY(q.strikeOut());
        QVERIFY(q.families().contains(QStringLiteral("宋体")));
    }

    void chineseFacesResolveToInstalledFaces_data()
    {
        QTest::addColumn<QString>("windowsFace");
        QTest::addColumn<QString>("installed");
        QTest::newRow("song") << QStringLiteral("宋体") << QStringLiteral("AR PL UMing CN");
        QTest::newRow("kai") << QStringLiteral("楷体_GB2312") << QStringLiteral("AR PL UKai CN");
        QTest::newRow("hei") << QStringLiteral("黑体") << QStringLiteral("WenQuanYi Zen Hei");
    }
    void chineseFacesResolveToInstalledFaces()
    {
        QFETCH(QString, windowsFace);
        QFETCH(QString, installed);
        if (!QFontDatabase::families().contains(installed))
            QSKIP("CJK face not installed");
        FontDesc f = test::songFont(15);
        f.name = windowsFace;
        const QFont q = fontFromRecord(makeLogFontRecord(f, 90, 96));
        QCOMPARE(QFontInfo(q).family(), installed);
        // The unturned Canvas font resolves the same way.
        QCOMPARE(QFontInfo(f.toQFont()).family(), installed);
        // Real glyphs for the Chinese text, not boxes.
        QVERIFY(QFontMetrics(q).inFont(QChar(0x6587)));
    }

    void screenDpiIsPositive() { QVERIFY(screenDpiY() > 0); }
};

QTEST_MAIN(TestLogFontRecord)
#include "test_logfontrecord.moc"
