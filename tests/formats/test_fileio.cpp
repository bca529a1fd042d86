// saveAtomically: whatever goes wrong, the file that was there stays as it was
// and no temporary file is left behind.
#include "formats/fileio.h"
#include "testsupport/readonlyfolder.h"
#include "testsupport/testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace ptt;

namespace {

enum class Target { Absent, Existing, Link, Folder, MissingFolder, ReadOnlyFolder, NameTooLong };

} // namespace

class TestFileIo : public QObject {
    Q_OBJECT
private slots:
    void save_data()
    {
        QTest::addColumn<Target>("target");
        QTest::addColumn<bool>("writerRefuses");
        QTest::addColumn<bool>("saved");
        QTest::newRow("new file") << Target::Absent << false << true;
        QTest::newRow("replaces a file") << Target::Existing << false << true;
        QTest::newRow("writer refuses") << Target::Existing << true << false;
        QTest::newRow("through a link") << Target::Link << false << true;
        QTest::newRow("writer refuses, through a link") << Target::Link << true << false;
        QTest::newRow("a folder in the way") << Target::Folder << false << false;
        QTest::newRow("missing folder") << Target::MissingFolder << false << false;
        QTest::newRow("read-only folder") << Target::ReadOnlyFolder << false << false;
        QTest::newRow("the longest name a file may have") << Target::NameTooLong << false << true;
    }

    void save()
    {
        QFETCH(Target, target);
        QFETCH(bool, writerRefuses);
        QFETCH(bool, saved);
        QTemporaryDir dir;
        const QByteArray old("old content");
        QString folder = dir.filePath(QStringLiteral("f"));
        QVERIFY(QDir().mkpath(folder));
        QString path = folder + QStringLiteral("/x.dat");
        std::unique_ptr<test::ReadOnlyFolder> readOnly;
        switch (target) {
        case Target::Absent:
            break;
        case Target::Existing:
        case Target::NameTooLong: {
            if (target == Target::NameTooLong) // the longest name a file may have
                path = folder + QLatin1Char('/') + QString(255, QLatin1Char('n'));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
            // a replaced file keeps who may read it
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
            break;
        }
        case Target::Link: {
            QFile f(folder + QStringLiteral("/real.dat"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
            f.close();
            QVERIFY(QFile::link(f.fileName(), path));
            break;
        }
        case Target::Folder:
            QVERIFY(QDir().mkpath(path));
            break;
        case Target::MissingFolder:
            path = folder + QStringLiteral("/missing/x.dat");
            break;
        case Target::ReadOnlyFolder:
            folder = dir.filePath(QStringLiteral("ro"));
            readOnly = std::make_unique<test::ReadOnlyFolder>(folder, QStringLiteral("x.dat"), old);
            path = readOnly->file();
            QVERIFY(readOnly->ready());
            break;
        }
        const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        const FileResult result = saveAtomically(path, [writerRefuses](QIODevice *device) {
            device->write("new");
            return writerRefuses ? FileResult::failed(QStringLiteral("refused")) : FileResult();
        });
        readOnly.reset();

        QCOMPARE(result.ok, saved);
        QCOMPARE(result.error.isEmpty(), saved);
        if (writerRefuses)
            QCOMPARE(result.error, QStringLiteral("refused"));
        if (target == Target::Link)
            QVERIFY(QFileInfo(path).isSymLink());
        if (target == Target::Existing)
            QCOMPARE(QFile::permissions(path) & 0x7777,
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
        if (target == Target::Folder)
            QVERIFY(QFileInfo(path).isDir());
        else if (saved)
            QCOMPARE(test::fileBytes(path), QByteArray("new"));
        else if (target != Target::MissingFolder)
            QCOMPARE(test::fileBytes(path), old);
        // Nothing but the target itself, no temporary file.
        QStringList after = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        if (target == Target::Absent)
            after.removeOne(QStringLiteral("x.dat"));
        QCOMPARE(after, before);
    }
};

QTEST_GUILESS_MAIN(TestFileIo)
#include "test_fileio.moc"
