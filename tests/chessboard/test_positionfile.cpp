#include "chessboard/positionfile.h"
#include "platform/appdir.h"
#include "testsupport/testsupport.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

using namespace ptt;

namespace {

QByteArray golden(const QString &caseName)
{
    QFile f(QStringLiteral(PTT_SOURCE_DIR "/tests/chessboard/golden/%1/expected.pos").arg(caseName));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QByteArray write(const QList<PositionRecord> &records, bool *ok = nullptr, QString *error = nullptr)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const FileResult done = PositionFile::Write(&buffer, records);
    if (ok)
        *ok = done.ok;
    if (error)
        *error = done.error;
    return buffer.data();
}

struct Read {
    QList<PositionRecord> records;
    PositionFile::ReadResult result;
};

Read read(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    Read r;
    r.result = PositionFile::Read(&buffer, [&r](const PositionRecord &rec) {
        r.records.append(rec);
        return true;
    });
    return r;
}

PositionRecord rec(const QString &name, float l, float t, float w, float h)
{
    PositionRecord r;
    r.FileName = name;
    r.Left = l;
    r.Top = t;
    r.Width = w;
    r.Height = h;
    return r;
}

QList<PositionRecord> workedExample()
{
    return {rec(QStringLiteral("flower.jpg"), 0, 0, 1200, 900),
            rec(QStringLiteral("pics\\cat.jpg"), 2400, 900, 1200, 900),
            rec(QStringLiteral("pics\\cat.jpg"), 4500, -300, 1500, 1500)};
}

} // namespace

class TestPositionFile : public QObject {
    Q_OBJECT
private slots:
    void writesWorkedExampleByteForByte()
    {
        const QByteArray expected = golden(QStringLiteral("worked-example"));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(write(workedExample()), expected);
    }

    void readsWorkedExample()
    {
        const Read r = read(golden(QStringLiteral("worked-example")));
        QVERIFY(r.result.ok);
        QCOMPARE(r.result.skippedLines, 0);
        QCOMPARE(r.records, workedExample());
    }

    void chineseNameWithCommaIsGbkAndRoundTrips()
    {
        const QList<PositionRecord> records = {rec(QStringLiteral("花, 朵.jpg"), -15, 30.5f, 1200, 900)};
        const QByteArray expected = golden(QStringLiteral("one-record"));
        QCOMPARE(write(records), expected);
        const Read r = read(expected);
        QCOMPARE(r.records, records);
    }

    void formatsNumbers_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("zero") << 0.0f << QByteArray("0");
        QTest::newRow("negative zero") << -0.0f << QByteArray("0");
        QTest::newRow("whole") << 1200.0f << QByteArray("1200");
        QTest::newRow("negative whole") << -300.0f << QByteArray("-300");
        QTest::newRow("half") << 7.5f << QByteArray("7.5");
        QTest::newRow("tenth is shortest") << 0.1f << QByteArray("0.1");
        QTest::newRow("negative fraction") << -0.25f << QByteArray("-0.25");
        QTest::newRow("large whole, no exponent") << 1e10f << QByteArray("10000000000");
        QTest::newRow("16-bit edge") << 32767.0f * 15 << QByteArray("491505");
    }
    void formatsNumbers()
    {
        QFETCH(float, value);
        QFETCH(QByteArray, text);
        QCOMPARE(PositionFile::formatNumber(value), text);
    }

    void numbersRoundTripExactly()
    {
        QRandomGenerator rng(20261209);
        QList<PositionRecord> records;
        for (int i = 0; i < 2000; ++i) {
            auto f = [&rng] {
                const quint32 bits = rng.generate();
                float v;
                std::memcpy(&v, &bits, sizeof v);
                return std::isfinite(v) ? v : 1.0f;
            };
            records.append(rec(QStringLiteral("a%1.bmp").arg(i), f(), f(), f(), f()));
        }
        bool ok = false;
        const QByteArray data = write(records, &ok);
        QVERIFY(ok);
        QVERIFY(!data.contains('e'));
        const Read r = read(data);
        QCOMPARE(r.result.skippedLines, 0);
        QCOMPARE(r.records.size(), records.size());
        for (int i = 0; i < records.size(); ++i) {
            // Exactly equal (-0 is written as 0, which compares equal).
            QVERIFY2(r.records[i] == records[i], qPrintable(QString::number(i)));
        }
    }

    void emptyFileHasNoRecords()
    {
        const Read r = read(QByteArray());
        QVERIFY(r.result.ok);
        QCOMPARE(r.records.size(), 0);
        QCOMPARE(write({}), QByteArray());
    }

    void lastLineWithoutLineEndIsRead()
    {
        const Read r = read(QByteArray("\"a.bmp\",1,2,3,4\r\n\"b.bmp\",5,6,7,8"));
        QCOMPARE(r.records.size(), 2);
        QCOMPARE(r.records[1], rec(QStringLiteral("b.bmp"), 5, 6, 7, 8));
    }

    void acceptsLooseButValidLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<float>("left");
        QTest::newRow("LF only") << QByteArray("\"a b.bmp\",1,2,3,4\n") << QStringLiteral("a b.bmp") << 1.0f;
        QTest::newRow("unquoted name is trimmed")
            << QByteArray("  a b.bmp  ,1,2,3,4\r\n") << QStringLiteral("a b.bmp") << 1.0f;
        QTest::newRow("blanks before fields")
            << QByteArray("\t\"x.gif\", -1.5,\t2, 3 ,4\r\n") << QStringLiteral("x.gif") << -1.5f;
        QTest::newRow("plus sign and exponent")
            << QByteArray("\"x.gif\",+1.5e3,2,3,4\r\n") << QStringLiteral("x.gif") << 1500.0f;
        QTest::newRow("fraction without leading digit")
            << QByteArray("\"x.gif\",.5,2,3,4") << QStringLiteral("x.gif") << 0.5f;
        QTest::newRow("backslash kept in name")
            << QByteArray("\"pics\\sub\\c.jpg\",7,2,3,4") << QStringLiteral("pics\\sub\\c.jpg") << 7.0f;
        QTest::newRow("empty quoted name") << QByteArray("\"\",9,2,3,4") << QString() << 9.0f;
    }
    void acceptsLooseButValidLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, name);
        QFETCH(float, left);
        const Read r = read(line);
        QCOMPARE(r.result.skippedLines, 0);
        QCOMPARE(r.records.size(), 1);
        QCOMPARE(r.records[0].FileName, name);
        QCOMPARE(r.records[0].Left, left);
        QCOMPARE(r.records[0].Height, 4.0f);
    }

    void skipsMalformedLinesAndKeepsNeighbours_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QTest::newRow("missing field") << QByteArray("\"m.bmp\",1,2,3");
        QTest::newRow("missing name") << QByteArray("1");
        QTest::newRow("non-numeric") << QByteArray("\"m.bmp\",1,two,3,4");
        QTest::newRow("empty number") << QByteArray("\"m.bmp\",1,,3,4");
        QTest::newRow("text after fifth field") << QByteArray("\"m.bmp\",1,2,3,4,5");
        QTest::newRow("junk after fifth number") << QByteArray("\"m.bmp\",1,2,3,4x");
        QTest::newRow("unclosed quote") << QByteArray("\"m.bmp,1,2,3,4");
        QTest::newRow("junk after quote") << QByteArray("\"m.bmp\"x,1,2,3,4");
        QTest::newRow("exponent without digits") << QByteArray("\"m.bmp\",1e,2,3,4");
        QTest::newRow("out of float range") << QByteArray("\"m.bmp\",1e50,2,3,4");
        QTest::newRow("nan") << QByteArray("\"m.bmp\",nan,2,3,4");
        QTest::newRow("infinity") << QByteArray("\"m.bmp\",inf,2,3,4");
        QTest::newRow("hex") << QByteArray("\"m.bmp\",0x10,2,3,4");
        QTest::newRow("double sign") << QByteArray("\"m.bmp\",--1,2,3,4");
        QTest::newRow("invalid GBK in name") << QByteArray("\"\x81\x20.bmp\",1,2,3,4");
        QTest::newRow("truncated GBK in name") << QByteArray("\"a\xbb\",1,2,3,4");
        QTest::newRow("NUL in name") << QByteArray("\"a\0b\",1,2,3,4", 14);
        QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe\x01\x02,\x7f\x80,\x90", 9);
        QTest::newRow("megabyte line") << QByteArray(1 << 20, '7');
        QTest::newRow("megabyte name") << ("\"" + QByteArray(1 << 20, 'n') + "\",1,2,3,4");
    }
    void skipsMalformedLinesAndKeepsNeighbours()
    {
        QFETCH(QByteArray, bad);
        const QByteArray data = "\"before.bmp\",1,2,3,4\r\n" + bad + "\r\n\"after.bmp\",5,6,7,8\r\n";
        const Read r = read(data);
        QVERIFY(r.result.ok);
        QCOMPARE(r.result.skippedLines, 1);
        QCOMPARE(r.records.size(), 2);
        QCOMPARE(r.records[0], rec(QStringLiteral("before.bmp"), 1, 2, 3, 4));
        QCOMPARE(r.records[1], rec(QStringLiteral("after.bmp"), 5, 6, 7, 8));
    }

    void blankLinesAreIgnored()
    {
        const Read r = read(QByteArray("\r\n\"a.bmp\",1,2,3,4\r\n   \r\n\r\n\"b.bmp\",1,2,3,4\r\n\r\n"));
        QCOMPARE(r.records.size(), 2);
        QCOMPARE(r.result.skippedLines, 0);
    }

    void callerCanStopReading()
    {
        QBuffer buffer;
        buffer.setData(golden(QStringLiteral("worked-example")));
        buffer.open(QIODevice::ReadOnly);
        int seen = 0;
        const auto result = PositionFile::Read(&buffer, [&seen](const PositionRecord &) { return ++seen < 2; });
        QCOMPARE(seen, 2);
        QVERIFY(result.stopped);
    }

    void refusesNamesItCannotWrite_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("why");
        QTest::newRow("emoji") << QStringLiteral("😀.jpg") << QStringLiteral("GBK");
        QTest::newRow("hangul") << QStringLiteral("한.jpg") << QStringLiteral("GBK");
        QTest::newRow("quote") << QStringLiteral("a\"b.jpg") << QStringLiteral("引号");
        QTest::newRow("line break") << QStringLiteral("a\r\nb.jpg") << QStringLiteral("控制字符");
    }
    void refusesNamesItCannotWrite()
    {
        QFETCH(QString, name);
        QFETCH(QString, why);
        QList<PositionRecord> records = workedExample();
        records.insert(1, rec(name, 0, 0, 1, 1));
        bool ok = true;
        QString error;
        const QByteArray data = write(records, &ok, &error);
        QVERIFY(!ok);
        QVERIFY2(error.contains(why), qPrintable(error));
        QVERIFY(error.contains(name));
        QCOMPARE(data, QByteArray()); // nothing half-written
    }

    void refusesNonFiniteNumbers()
    {
        bool ok = true;
        write({rec(QStringLiteral("a.bmp"), std::numeric_limits<float>::infinity(), 0, 1, 1)}, &ok);
        QVERIFY(!ok);
        write({rec(QStringLiteral("a.bmp"), 0, std::numeric_limits<float>::quiet_NaN(), 1, 1)}, &ok);
        QVERIFY(!ok);
    }

    void saveReplacesWholeContent()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("doc.pos"));
        QVERIFY(PositionFile::Save(path, workedExample()));
        QVERIFY(PositionFile::Save(path, {rec(QStringLiteral("one.bmp"), 1, 2, 3, 4)}));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\"one.bmp\",1,2,3,4\r\n"));
    }

    void failedSaveKeepsOldFile()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("doc.pos"));
        QVERIFY(PositionFile::Save(path, workedExample()));
        const QList<PositionRecord> refused = {rec(QStringLiteral("ok.bmp"), 1, 2, 3, 4),
                                               rec(QStringLiteral("😀"), 0, 0, 0, 0)};
        FileResult result = PositionFile::Save(path, refused);
        QVERIFY(!result);
        QVERIFY(!result.error.isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), golden(QStringLiteral("worked-example")));
        // A folder that does not exist cannot be written either.
        result = PositionFile::Save(dir.file(QStringLiteral("no/such/folder/doc.pos")), workedExample());
        QVERIFY(!result);
        QVERIFY(!result.error.isEmpty());
    }

    void loadMissingFileReportsError()
    {
        test::TempAppDir dir;
        QList<PositionRecord> records;
        const auto result = PositionFile::Load(dir.file(QStringLiteral("missing.pos")), &records);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
    }

    void namesRelativeToAppDir_data()
    {
        QTest::addColumn<QString>("relative"); // below AppDir, or absolute when starting with '/'
        QTest::addColumn<QString>("stored");
        QTest::newRow("in the folder") << QStringLiteral("flower.jpg") << QStringLiteral("flower.jpg");
        QTest::newRow("subfolder") << QStringLiteral("pics/cat.jpg") << QStringLiteral("pics\\cat.jpg");
        QTest::newRow("two levels") << QStringLiteral("a/b/c.gif") << QStringLiteral("a\\b\\c.gif");
        QTest::newRow("outside keeps full path")
            << QStringLiteral("/elsewhere/x.bmp") << QStringLiteral("/elsewhere/x.bmp");
    }
    void namesRelativeToAppDir()
    {
        QFETCH(QString, relative);
        QFETCH(QString, stored);
        test::TempAppDir dir;
        const QString path = relative.startsWith(QLatin1Char('/')) ? relative : AppDir() + relative;
        QCOMPARE(positionNameFromPath(path), stored);
        QCOMPARE(pathFromPositionName(stored), path);
    }

    void folderNamedLikeAppDirPrefixIsOutside()
    {
        test::TempAppDir dir;
        const QString sibling = AppDir().chopped(1) + QStringLiteral("x/a.bmp");
        QCOMPARE(positionNameFromPath(sibling), sibling);
    }

    // Random input of every kind: the reader ends, never crashes, and lines
    // that are valid records are read wherever they stand among junk.
    void fuzzReader()
    {
        QRandomGenerator rng(0x5eed1234);
        const QByteArray valid = "\"v.bmp\",1,2,3,4";
        for (int round = 0; round < 3000; ++round) {
            QByteArray data;
            int expected = 0;
            const int lines = rng.bounded(1, 12);
            for (int l = 0; l < lines; ++l) {
                const int kind = rng.bounded(4);
                if (kind == 0) {
                    data += valid;
                    ++expected;
                } else if (kind == 1) {
                    // Junk without a comma can never be a record.
                    QByteArray junk(rng.bounded(0, 200), '\0');
                    for (char &c : junk) {
                        do
                            c = char(rng.bounded(256));
                        while (c == '\n' || c == ',');
                    }
                    data += junk;
                } else if (kind == 2) {
                    // A valid line cut short or with a byte changed.
                    QByteArray mutated = valid.left(rng.bounded(valid.size()));
                    if (!mutated.isEmpty() && rng.bounded(2))
                        mutated[rng.bounded(int(mutated.size()))] = char(rng.bounded(256));
                    data += mutated.replace('\n', ' ');
                } else {
                    // Anything at all.
                    QByteArray any(rng.bounded(0, 300), '\0');
                    for (char &c : any)
                        c = char(rng.bounded(256));
                    data += any.replace('\n', ' ');
                }
                data += rng.bounded(2) ? "\r\n" : "\n";
            }
            const Read r = read(data);
            QVERIFY(r.result.ok);
            int found = 0;
            for (const PositionRecord &x : r.records)
                if (x == rec(QStringLiteral("v.bmp"), 1, 2, 3, 4))
                    ++found;
            QVERIFY2(found >= expected, qPrintable(QStringLiteral("round %1").arg(round)));
        }
    }

    void fuzzParseLineNeverCrashes()
    {
        QRandomGenerator rng(77);
        const char alphabet[] = "\"\\,. \t-+eE0123456789abc\x81\xbb\xa8\r";
        for (int i = 0; i < 200000; ++i) {
            QByteArray line(rng.bounded(0, 40), '\0');
            for (char &c : line)
                c = alphabet[rng.bounded(int(sizeof alphabet) - 1)];
            PositionRecord r;
            if (PositionFile::parseLine(line, &r)) {
                // Whatever was accepted writes back as a line that reads the same.
                QString error;
                const QByteArray again = PositionFile::formatRecord(r, &error);
                if (again.isEmpty())
                    continue; // e.g. a name that holds characters the writer refuses
                PositionRecord back;
                QVERIFY(PositionFile::parseLine(again.chopped(2), &back));
                QCOMPARE(back.FileName, r.FileName);
                QCOMPARE(back.Left, r.Left);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPositionFile)
#include "test_positionfile.moc"
