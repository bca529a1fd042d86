#include "testsupport/testsupport.h"
#include "text/clogfont.h"

#include <QTest>

using namespace ptt;
using Kind = FontHandles::EventKind;
using Events = std::vector<FontHandles::Event>;

namespace {
FontHandles::Event built(FontHandle h)
{
    return {Kind::Built, h};
}
FontHandles::Event released(FontHandle h)
{
    return {Kind::Released, h};
}
} // namespace

namespace QTest {
template <> char *toString(const ::Events &events)
{
    QByteArray s;
    for (const auto &e : events)
        s += (e.kind == Kind::Built ? "B" : e.kind == Kind::Released ? "R" : "F") + QByteArray::number(e.handle) + ' ';
    return qstrdup(s.constData());
}
} // namespace QTest

class TestCLogFont : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        test::initFonts();
        QCOMPARE(screenDpiY(), 96);
    }
    void init()
    {
        FontHandles::setFailBuilds(false);
        FontHandles::setRecording(true);
        FontHandles::clearEvents();
        QCOMPARE(FontHandles::liveCount(), 0);
    }
    void cleanup()
    {
        FontHandles::setFailBuilds(false);
        FontHandles::setRecording(false);
        FontHandles::clearEvents();
    }

    void startsEmpty()
    {
        CLogFont f;
        QVERIFY(!f.LogFont());
        QCOMPARE(f.Handle(), 0);
        QCOMPARE(f.Rotation(), 0.0f);
        QVERIFY(FontHandles::events().empty());
    }

    void setFontBuildsOnceAtTheCurrentRotation()
    {
        CLogFont f;
        const FontDesc song = test::songFont();
        f.setLogFont(&song);
        QVERIFY(f.Handle() != 0);
        QCOMPARE(FontHandles::events(), Events{built(f.Handle())});
        QCOMPARE(FontHandles::liveCount(), 1);
        const RotatedFont *rf = FontHandles::find(f.Handle());
        QVERIFY(rf);
        QCOMPARE(rf->angle, 0.0);
        QCOMPARE(rf->record.lfHeight, makeLogFontRecord(song, 0, screenDpiY()).lfHeight);
        QCOMPARE(rf->font.pixelSize(), -rf->record.lfHeight);
    }

    void rotationBeforeAnyFontBuildsNothing()
    {
        CLogFont f;
        f.setRotation(30);
        QCOMPARE(f.Rotation(), 30.0f);
        QCOMPARE(f.Handle(), 0);
        QVERIFY(FontHandles::events().empty());
        const FontDesc song = test::songFont();
        f.setLogFont(&song);
        QCOMPARE(FontHandles::events().size(), size_t(1));
        const RotatedFont *rf = FontHandles::find(f.Handle());
        QVERIFY(rf);
        QCOMPARE(rf->record.lfEscapement, 300);
        QCOMPARE(rf->angle, 30.0);
    }

    void sameRotationTwiceBuildsOnce()
    {
        CLogFont f;
        const FontDesc song = test::songFont();
        f.setLogFont(&song);
        const FontHandle first = f.Handle();
        FontHandles::clearEvents();
        f.setRotation(90);
        const FontHandle second = f.Handle();
        f.setRotation(90);
        QCOMPARE(f.Handle(), second);
        QCOMPARE(FontHandles::events(), (Events{released(first), built(second)}));
        QCOMPARE(FontHandles::find(second)->record.lfEscapement, 900);
        QVERIFY(!FontHandles::find(first));
        QCOMPARE(FontHandles::liveCount(), 1);
        // Back to 0 is a change again.
        f.setRotation(0);
        QCOMPARE(FontHandles::events().size(), size_t(4));
    }

    void everyFontSetRebuildsReleasingFirst()
    {
        CLogFont f;
        const FontDesc song = test::songFont();
        f.setLogFont(&song);
        const FontHandle a = f.Handle();
        f.setLogFont(&song);
        const FontHandle b = f.Handle();
        QVERIFY(a != b);
        QCOMPARE(FontHandles::events(), (Events{built(a), released(a), built(b)}));
        QCOMPARE(FontHandles::liveCount(), 1);
    }

    void settingItsOwnCopyAgainIsSafe()
    {
        CLogFont f;
        const FontDesc song = test::songFont();
        f.setLogFont(&song);
        f.setLogFont(f.LogFont());
        QVERIFY(f.LogFont());
        QCOMPARE(*f.LogFont(), song);
        QVERIFY(f.Handle() != 0);
        QCOMPARE(FontHandles::liveCount(), 1);
    }

    void noneReleasesAndBuildsNothing()
    {
        CLogFont f;
        const FontDesc song = test::songFont();
        f.setLogFont(&song);
        const FontHandle a = f.Handle();
        f.setLogFont(nullptr);
        QCOMPARE(f.Handle(), 0);
        QVERIFY(!f.LogFont());
        QCOMPARE(FontHandles::liveCount(), 0);
        QCOMPARE(FontHandles::events(), (Events{built(a), released(a)}));
        // No font: rotation changes build nothing; the next font uses the angle.
        f.setRotation(180);
        QCOMPARE(f.Handle(), 0);
        QCOMPARE(FontHandles::events().size(), size_t(2));
        f.setLogFont(std::optional<FontDesc>(song));
        QCOMPARE(FontHandles::find(f.Handle())->record.lfEscapement, 1800);
        f.setLogFont(std::optional<FontDesc>());
        QCOMPARE(f.Handle(), 0);
        QCOMPARE(FontHandles::liveCount(), 0);
    }

    void endReleasesTheHandle()
    {
        FontHandle h = 0;
        {
            CLogFont f;
            const FontDesc song = test::songFont();
            f.setLogFont(&song);
            f.setRotation(45);
            h = f.Handle();
            QCOMPARE(FontHandles::liveCount(), 1);
        }
        QCOMPARE(FontHandles::liveCount(), 0);
        QVERIFY(!FontHandles::find(h));
        QCOMPARE(FontHandles::events().back(), released(h));
        {
            CLogFont none;
            none.setRotation(10);
        }
        QCOMPARE(FontHandles::events().back(), released(h));
    }

    void twoObjectsOwnTheirOwnHandles()
    {
        CLogFont a, b;
        const FontDesc song = test::songFont();
        a.setLogFont(&song);
        b.setLogFont(&song);
        QVERIFY(a.Handle() != b.Handle());
        QCOMPARE(FontHandles::liveCount(), 2);
        a.setLogFont(nullptr);
        QVERIFY(FontHandles::find(b.Handle()));
        QCOMPARE(FontHandles::liveCount(), 1);
    }

    void copyIsIndependentAndHeld()
    {
        CLogFont f;
        FontDesc song = test::songFont();
        f.setLogFont(&song);
        const FontDesc *held = f.LogFont();
        song.name = QStringLiteral("黑体");
        song.size = 30;
        QCOMPARE(f.LogFont(), held);
        QCOMPARE(f.LogFont()->name, QStringLiteral("宋体"));
        QCOMPARE(f.LogFont()->size, 14.25);
        QCOMPARE(FontHandles::find(f.Handle())->record.faceName(), QStringLiteral("宋体"));
    }

    void weightIsCopiedAfterBold_data()
    {
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("weight");
        QTest::addColumn<bool>("copyBold");
        QTest::newRow("bold with light weight") << true << 300 << false;
        QTest::newRow("not bold with heavy weight") << false << 800 << true;
        QTest::newRow("bold 700") << true << 700 << true;
        QTest::newRow("regular 400") << false << 400 << false;
    }
    void weightIsCopiedAfterBold()
    {
        QFETCH(bool, bold);
        QFETCH(int, weight);
        FontDesc source = test::songFont();
        source.bold = bold;
        source.weight = weight;
        source.italic = true;
        source.underline = true;
        source.strikethrough = true;
        source.charset = 255;
        source.size = 10.123456;
        CLogFont f;
        f.setLogFont(&source);
        QCOMPARE(f.LogFont()->weight, weight);
        QTEST(f.LogFont()->bold, "copyBold");
        QCOMPARE(f.LogFont()->size, 10.1235);
        QCOMPARE(f.LogFont()->charset, 255);
        QVERIFY(f.LogFont()->italic && f.LogFont()->underline && f.LogFont()->strikethrough);
        QCOMPARE(FontHandles::find(f.Handle())->record.lfWeight, weight);
    }

    void failedBuildLeavesZero()
    {
        CLogFont f;
        const FontDesc song = test::songFont();
        FontHandles::setFailBuilds(true);
        f.setLogFont(&song);
        QCOMPARE(f.Handle(), 0);
        QVERIFY(f.LogFont());
        QCOMPARE(FontHandles::liveCount(), 0);
        QCOMPARE(FontHandles::events(), (Events{{Kind::BuildFailed, 0}}));
        FontHandles::setFailBuilds(false);
        f.setRotation(0); // unchanged: still nothing
        QCOMPARE(f.Handle(), 0);
        f.setRotation(270);
        QVERIFY(f.Handle() != 0);
        QCOMPARE(FontHandles::find(f.Handle())->record.lfEscapement, 2700);
    }

    void faceNamesTheRecordCannotHoldStayWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("recordFace");
        QTest::newRow("longer than the field") << QStringLiteral("Very Long Family Name That Exceeds The Field")
                                               << QStringLiteral("Very Long Family Name That Exce");
        QTest::newRow("not in GBK") << QStringLiteral("ไทย") << QStringLiteral("???");
        QTest::newRow("fits") << QStringLiteral("黑体") << QStringLiteral("黑体");
    }
    void faceNamesTheRecordCannotHoldStayWhole()
    {
        QFETCH(QString, name);
        FontDesc f = test::songFont();
        f.name = name;
        CLogFont font;
        font.setLogFont(&f);
        const RotatedFont *rf = FontHandles::find(font.Handle());
        QVERIFY(rf);
        QTEST(rf->record.faceName(), "recordFace");
        QVERIFY(rf->font.families().contains(name));
        QVERIFY(!rf->font.families().contains(rf->record.faceName()) || rf->record.faceName() == name);
    }

    void handleMatchesTheRecordOfTheCopy()
    {
        CLogFont f;
        FontDesc kai = test::songFont();
        kai.name = QStringLiteral("楷体_GB2312");
        kai.size = 15;
        f.setRotation(-90);
        f.setLogFont(&kai);
        const LogFontRecord expected = makeLogFontRecord(*f.LogFont(), -90, screenDpiY());
        const LogFontRecord &got = FontHandles::find(f.Handle())->record;
        QCOMPARE(got.lfHeight, expected.lfHeight);
        QCOMPARE(got.lfEscapement, -900);
        QCOMPARE(int(got.lfOutPrecision), 7);
        QCOMPARE(QByteArray(got.lfFaceName, 32), QByteArray(expected.lfFaceName, 32));
        QCOMPARE(FontHandles::find(f.Handle())->angle, -90.0);
    }
};

// No GUI application: the font object must work headless.
QTEST_GUILESS_MAIN(TestCLogFont)
#include "test_clogfont.moc"
