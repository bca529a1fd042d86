// The chessboard page drawn band by band against the page the board model
// and its foreground layer's drawing give for the same files, headless.
#include "chessboard/boardband.h"
#include "chessboard/boardmodel.h"
#include "platform/colours.h"
#include "testsupport/testsupport.h"

#include <QDir>
#include <QPainter>
#include <QTest>

using namespace ptt;

namespace {

// Answers 载入位置档案's chooser with one file.
class Chooser : public BoardServices {
public:
    explicit Chooser(const QString &path) : m_path(path) {}
    QString chooseFile(const QString &, bool) override { return m_path; }
    Answer message(const QString &, const QString &, Buttons) override { return Answer::Ok; }
    PictureLoadResult loadPicture(const QString &path) override { return ptt::loadPicture(path); }

private:
    QString m_path;
};

PositionRecord record(const QString &name, float left, float top)
{
    PositionRecord r;
    r.FileName = name;
    r.Left = left;
    r.Top = top;
    r.Width = 1500; // not applied: pictures show at their own size
    r.Height = 1500;
    return r;
}

} // namespace

class TestBoardBand : public QObject {
    Q_OBJECT
    test::TempAppDir m_app;
    QTemporaryDir m_elsewhere;
    QString m_positions;
    QString m_background;
    QImage m_reference;

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_app.path()).mkpath(QStringLiteral("sub")));
        m_background = m_app.file(QStringLiteral("background.bmp"));
        QVERIFY(test::writeImage(m_background, test::patternImage(97, 83), "BMP"));
        QVERIFY(test::writeImage(m_app.file(QStringLiteral("fore1.bmp")), test::patternImage(40, 30), "BMP"));
        QVERIFY(test::writeImage(m_app.file(QStringLiteral("sub/fore2.ico")), test::patternImage(25, 50, true), "ICO"));
        const QString outside = m_elsewhere.filePath(QStringLiteral("fore3.bmp"));
        QVERIFY(test::writeImage(outside, test::patternImage(13, 90), "BMP"));

        // Pixels: fore1 at (-10, -10), fore2 (with alpha) at (30, 20), fore3
        // at (80, -40) taller than the page, fore1 at (22, 40) over fore2 (a
        // half pixel rounds to even), fore2 at (70, 70) past the bottom.
        const QList<PositionRecord> records = {
            record(QStringLiteral("fore1.bmp"), -150, -150),      record(QStringLiteral("sub\\fore2.ico"), 450, 300),
            record(QStringLiteral("missing.bmp"), 0, 0),          record(outside, 1200, -600),
            record(QStringLiteral("fore1.bmp"), 337.5, 592.5),    record(QStringLiteral("missing.bmp"), 600, 600),
            record(QStringLiteral("sub\\fore2.ico"), 1050, 1050),
        };
        m_positions = m_app.file(QStringLiteral("wall.pos"));
        QVERIFY(PositionFile::Save(m_positions, records));

        // The window's way: 载入位置档案 into the model, the background on the
        // board's Canvas, the foreground layer's drawing over it.
        Chooser chooser(m_positions);
        BoardModel model(chooser);
        model.OpenDocument();
        QCOMPARE(model.ForegroundCount(), 7);
        const Picture background = loadPicture(m_background).picture;
        m_reference = QImage(background.naturalSize, QImage::Format_RGB32);
        m_reference.fill(kPageGreen);
        QPainter p(&m_reference);
        p.drawImage(QRect(QPoint(0, 0), background.naturalSize), background.image);
        drawForegrounds(
            p, m_reference.rect(), model.ForegroundCount(), [&](int i) { return slotPixelRect(model.slot(i)); },
            [&](int i) { return &model.slot(i).picture; });
        p.end();

        // The reference itself: who is on top where.
        const QImage fore1 = test::patternImage(40, 30);
        QCOMPARE(m_reference.pixel(0, 0), fore1.pixel(10, 10));
        QCOMPARE(m_reference.pixel(40, 60), fore1.pixel(18, 20));
        QCOMPARE(m_reference.pixel(85, 5), test::patternImage(13, 90).pixel(5, 45));
        QCOMPARE(m_reference.pixel(70, 5), test::patternImage(97, 83).pixel(70, 5));
    }

    void bandsMakeTheWindowsPage_data()
    {
        QTest::addColumn<int>("bandHeight");
        QTest::newRow("one row") << 1;
        QTest::newRow("odd") << 7;
        QTest::newRow("edge inside fore2") << 40;
        QTest::newRow("page - 1") << 82;
        QTest::newRow("page") << 83;
        QTest::newRow("taller than the page") << 200;
    }
    void bandsMakeTheWindowsPage()
    {
        QFETCH(int, bandHeight);
        QString error;
        QStringList warnings;
        const auto source =
            makeBoardBandSource(m_positions, m_background, &error, [&](const QString &line) { warnings << line; });
        QVERIFY2(source, qPrintable(error));
        QCOMPARE(source->pageSize(), QSize(97, 83));
        // Told once although two records name it; the others are drawn.
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].contains(QStringLiteral("missing.bmp")));
        QVERIFY(!warnings[0].contains(QLatin1Char('\n')));

        const QImage page = test::drawInBands(*source, bandHeight, &error);
        QVERIFY2(!page.isNull(), qPrintable(error));
        QCOMPARE(test::changedBox(page, m_reference), QRect());
    }

    void emptyPositionFileGivesTheBackground()
    {
        const QString empty = m_app.file(QStringLiteral("empty.pos"));
        QVERIFY(PositionFile::Save(empty, {}));
        QString error;
        const auto source = makeBoardBandSource(empty, m_background, &error, {});
        QVERIFY2(source, qPrintable(error));
        QCOMPARE(test::drawInBands(*source, 10), test::patternImage(97, 83));
    }

    void unreadableInputsAreRefused_data()
    {
        QTest::addColumn<QString>("positions");
        QTest::addColumn<QString>("background");
        QTest::addColumn<QString>("named");
        auto at = [this](const char *name) { return m_app.file(QString::fromLatin1(name)); };
        QTest::newRow("no position file") << at("none.pos") << at("background.bmp") << "none.pos";
        QTest::newRow("position path is a folder") << at("sub") << at("background.bmp") << "sub";
        QTest::newRow("no background") << at("wall.pos") << at("nobg.bmp") << "nobg.bmp";
        QTest::newRow("background no picture") << at("wall.pos") << at("wall.pos") << "wall.pos";
    }
    void unreadableInputsAreRefused()
    {
        QFETCH(QString, positions);
        QFETCH(QString, background);
        QFETCH(QString, named);
        QString error;
        int warned = 0;
        const auto source = makeBoardBandSource(positions, background, &error, [&](const QString &) { ++warned; });
        QVERIFY(!source);
        QVERIFY2(error.contains(named), qPrintable(error));
        QVERIFY(!error.contains(QLatin1Char('\n')));
        QCOMPARE(warned, 0);
    }

    void bandOutsideThePageFails()
    {
        QString error;
        const auto source = makeBoardBandSource(m_positions, m_background, &error, {});
        QVERIFY2(source, qPrintable(error));
        QImage band(97, 10, QImage::Format_RGB32);
        QVERIFY(!source->drawBand(band, 80));
        QVERIFY(!source->error().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBoardBand)
#include "test_boardband.moc"
