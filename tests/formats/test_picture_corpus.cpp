// Every file of the shared test pictures, and our own hostile files, loaded
// in a child process under a time and memory limit: each one must give a
// picture or a refusal, never a crash or a hang.
#include "craftedpictures.h"
#include "testsupport/testsupport.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

constexpr int kBatch = 25;
constexpr int kMsPerFile = 30000;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

struct Outcome {
    bool finished = false;
    bool crashed = false;
    QStringList lines;
};

Outcome runProbe(const QStringList &files, int memoryMb = 3072)
{
    QProcess p;
    QStringList args;
    // The address sanitiser reserves far more address space than any limit.
    if (!kSanitized)
        args << QStringLiteral("--memory-mb") << QString::number(memoryMb);
    args << files;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // In a sanitizer build, fontconfig's caches show up as leaks at exit:
    // not a fault of the file being loaded.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               asan.isEmpty() ? QStringLiteral("detect_leaks=0") : asan + QStringLiteral(":detect_leaks=0"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(PICTURE_PROBE), args);
    Outcome o;
    if (!p.waitForStarted(10000))
        return o;
    o.finished = p.waitForFinished(kMsPerFile * int(files.size()));
    if (!o.finished) {
        p.kill();
        p.waitForFinished(5000);
        return o;
    }
    o.crashed = p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0;
    o.lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return o;
}

// Loads all files, a batch per child; a batch that fails is rerun file by
// file so the culprit is named. Returns each file's answer line.
QHash<QString, QString> loadAll(const QStringList &files, int memoryMb = 3072)
{
    QHash<QString, QString> answers;
    for (int i = 0; i < files.size(); i += kBatch) {
        const QStringList batch = files.mid(i, kBatch);
        Outcome o = runProbe(batch, memoryMb);
        if (o.finished && !o.crashed && o.lines.size() == batch.size()) {
            for (int k = 0; k < batch.size(); ++k)
                answers.insert(batch[k], o.lines[k]);
            continue;
        }
        for (const QString &f : batch) {
            const Outcome one = runProbe({f}, memoryMb);
            if (!one.finished)
                answers.insert(f, QStringLiteral("HANG"));
            else if (one.crashed)
                answers.insert(f, QStringLiteral("CRASH"));
            else
                answers.insert(f, one.lines.value(0, QStringLiteral("NO ANSWER")));
        }
    }
    return answers;
}

bool isAnswer(const QString &line)
{
    if (line.startsWith(QLatin1String("ok "))) {
        const QStringList f = line.split(QLatin1Char(' '));
        return f.size() == 5 && f[1].toInt() > 0 && f[2].toInt() > 0 && f[3].toInt() > 0 && f[4].toInt() > 0;
    }
    return line.startsWith(QLatin1String("refused ")) && line.size() > 12;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), qint64(data.size()));
}

} // namespace

class TestPictureCorpus : public QObject {
    Q_OBJECT

private slots:
    void sharedPictures()
    {
        const QString dir = ptt::test::testDataDir();
        if (dir.isEmpty())
            QSKIP("shared test pictures absent");
        QStringList files;
        QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            if (!f.endsWith(QLatin1String(".md")))
                files << f;
        }
        files.sort();
        QVERIFY(files.size() > 100);
        const QHash<QString, QString> answers = loadAll(files);
        QStringList bad;
        int loaded = 0;
        for (const QString &f : files) {
            const QString a = answers.value(f);
            if (!isAnswer(a))
                bad << f + QLatin1String(": ") + a;
            loaded += a.startsWith(QLatin1String("ok "));
            // Files known good must load, not merely be refused politely.
            const bool mustLoad = f.contains(QLatin1String("/bmpsuite/g/")) ||
                                  f.contains(QLatin1String("/generated/")) ||
                                  f.contains(QLatin1String("/wmfemfviewer/")) || f.contains(QLatin1String("/libUEMF/"));
            // Drawn by EMF+ records alone: refused, not shown as a blank picture.
            const bool emfPlusOnly = f.endsWith(QLatin1String("/test_libuemf_p_ref.emf"));
            if (emfPlusOnly && !a.contains(QLatin1String("EMF+")))
                bad << f + QLatin1String(" should be refused as drawn by EMF+ alone: ") + a;
            else if (mustLoad && !emfPlusOnly && !a.startsWith(QLatin1String("ok ")))
                bad << f + QLatin1String(" should load: ") + a;
        }
        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(QLatin1Char('\n'))));
        qInfo("%d of %d files loaded, the rest refused", loaded, int(files.size()));
    }

    void samplePictures()
    {
        QDir dir(QStringLiteral(PTT_SOURCE_DIR "/resources/pictures/samples"));
        const QStringList names = dir.entryList(QDir::Files);
        if (names.isEmpty())
            QSKIP("no sample pictures in this tree");
        QStringList files;
        for (const QString &n : names)
            files << dir.filePath(n);
        const QHash<QString, QString> answers = loadAll(files);
        for (const QString &f : files)
            QVERIFY2(answers.value(f).startsWith(QLatin1String("ok ")), qPrintable(f + answers.value(f)));
    }

    void craftedHostileFiles()
    {
        using namespace ptt::test;
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        auto at = [&](const char *name) { return tmp.filePath(QString::fromLatin1(name)); };
        QByteArray jpeg = craftJpeg(32, 32);
        writeFile(at("giant.bmp"), craftBmp(30000, 30000, 24, 0, QByteArray(64, '\0')));
        // Cut inside the compressed data, after the scan header.
        const int sos = int(jpeg.indexOf("\xff\xda"));
        QVERIFY(sos > 0 && sos + 30 < jpeg.size());
        writeFile(at("cut.jpg"), jpeg.left(sos + 30));
        writeFile(at("header-only.jpg"), jpeg.left(20));
        writeFile(at("empty.gif"), QByteArray());
        writeFile(at("zero-records.wmf"), craftWmf(QByteArray(), 0, 1440, QRect(0, 0, 100, 100)));
        writeFile(at("zero-records.emf"), craftEmf(QByteArray(), QRect(0, 0, 100, 100)));
        QByteArray ico(6, '\0');
        ico[2] = 1;
        ico[4] = char(0xff);
        ico.append(QByteArray(64, '\x7f'));
        writeFile(at("bogus-directory.ico"), ico);
        QByteArray png("\x89PNG\r\n\x1a\n", 8);
        writeFile(at("png-renamed.bmp"), png + QByteArray(100, '\0'));
        writeFile(at("svg-renamed.wmf"), QByteArray("<svg xmlns='http://www.w3.org/2000/svg'/>"));
        QVERIFY(::mkfifo(QFile::encodeName(at("fifo.jpg")).constData(), 0600) == 0);
        QStringList files;
        for (const char *n :
             {"giant.bmp", "cut.jpg", "header-only.jpg", "empty.gif", "zero-records.wmf", "zero-records.emf",
              "bogus-directory.ico", "png-renamed.bmp", "svg-renamed.wmf", "fifo.jpg"})
            files << at(n);
        const QHash<QString, QString> answers = loadAll(files);
        for (const QString &f : files)
            QVERIFY2(isAnswer(answers.value(f)), qPrintable(f + QLatin1String(": ") + answers.value(f)));
        // Only the half JPEG has anything worth showing.
        for (const QString &f : files) {
            if (f.endsWith(QLatin1String("cut.jpg")))
                QVERIFY2(answers.value(f).startsWith(QLatin1String("ok 32 32")), qPrintable(answers.value(f)));
            else
                QVERIFY2(answers.value(f).startsWith(QLatin1String("refused ")), qPrintable(f + answers.value(f)));
        }
    }

    void expensiveFilesWithinOneGibibyte()
    {
        // Files made to be expensive rather than broken, the largest of them
        // 32 MB, loaded in one child process with 1 GiB of address space:
        // each gives a picture or a refusal, none a crash.
        using namespace ptt::test;
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QList<QPair<const char *, QByteArray>> made = {
            {"regions-8mb.wmf", craftRegionBomb(4096, 1000, 2000)},
            {"regions-32mb.wmf", craftRegionBomb(4096, 2000, 4000)},
            {"gradient.emf", craftGradientBomb(4096, 100000)},
            {"text.emf", craftTextBomb(4096, 100000, 4096)},
            {"polyline-24mb.emf", craftPolylineBomb(4096, 3000000)},
        };
        QStringList files;
        for (const auto &[name, data] : made) {
            files << tmp.filePath(QString::fromLatin1(name));
            writeFile(files.last(), data);
        }
        const Outcome o = runProbe(files, 1024);
        QVERIFY2(o.finished && !o.crashed, o.finished ? "the loader crashed" : "the loader hung");
        QCOMPARE(o.lines.size(), files.size());
        for (const QString &line : o.lines)
            QVERIFY2(isAnswer(line), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestPictureCorpus)
#include "test_picture_corpus.moc"
