// Every window that writes a file or prints tells the user when that fails,
// and a failed save leaves the file that was there as it was.
#include "chessboard/frmchessboard.h"
#include "formats/bmpwriter.h"
#include "mainwindow/form30.h"
#include "map/frmmap.h"
#include "platform/appdir.h"
#include "platform/canvas.h"
#include "platform/picturebox.h"
#include "testsupport/readonlyfolder.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "tools/form20.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

using namespace ptt;

namespace {

enum class Caller { MainWindowSave, CropToolSave, MapFileSave, PositionFileSave };
enum class Failure { ReadOnlyFolder, FolderInTheWay };

void click(QWidget *window, const char *button)
{
    QTest::mouseClick(window->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
}

} // namespace

class TestFailedSaves : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        test::initFonts();
    }

    void saveFailureIsReported_data()
    {
        QTest::addColumn<Caller>("caller");
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const struct {
            const char *name;
            Caller caller;
            QString title;
            QString text;
        } callers[] = {
            {"main window 保存", Caller::MainWindowSave, QStringLiteral("澄岭提示"), QStringLiteral("无法保存文件")},
            {"crop tool 保存图像", Caller::CropToolSave, QStringLiteral("澄岭剪裁抓图"),
             QStringLiteral("无法保存文件")},
            {"map file", Caller::MapFileSave, QStringLiteral("档案错误"), QStringLiteral("无法储存地图档")},
            {"position file", Caller::PositionFileSave, QStringLiteral("档案输出入"), QStringLiteral("无法保存位置档")},
        };
        for (const auto &c : callers) {
            QTest::addRow("%s, read-only folder", c.name) << c.caller << Failure::ReadOnlyFolder << c.title << c.text;
            QTest::addRow("%s, folder in the way", c.name) << c.caller << Failure::FolderInTheWay << c.title << c.text;
        }
    }

    void saveFailureIsReported()
    {
        QFETCH(Caller, caller);
        QFETCH(Failure, failure);
        QFETCH(QString, title);
        QFETCH(QString, text);
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        const QString name = QStringLiteral("ro/old.dat"); // relative to the program's folder
        const QString path = AppDir() + name;
        const QByteArray old("old content");
        std::unique_ptr<test::ReadOnlyFolder> readOnly;
        auto makeUnwritable = [&] {
            if (failure == Failure::ReadOnlyFolder) {
                readOnly = std::make_unique<test::ReadOnlyFolder>(AppDir() + QStringLiteral("ro"),
                                                                  QStringLiteral("old.dat"), old);
                QVERIFY(readOnly->ready());
            } else {
                QVERIFY(QDir().mkpath(path));
            }
        };

        // Each window asks for a name its own way, then the save meets the unwritable place.
        std::unique_ptr<QWidget> window;
        std::function<void()> save;
        switch (caller) {
        case Caller::MainWindowSave:
            window = std::make_unique<Form30>();
            dialogs.answerFile(path);
            dialogs.answerMessage(MsgResult::Yes); // replace it?
            save = [&] { click(window.get(), "Command5"); };
            break;
        case Caller::CropToolSave: {
            auto tool = std::make_unique<Form20>();
            Picture cut;
            cut.image = test::patternImage(8, 6);
            cut.naturalSize = cut.image.size();
            tool->picture1()->setPicture(cut);
            dialogs.answerFile(path);
            save = [tool = tool.get()] { tool->SaveImage(); };
            window = std::move(tool);
            break;
        }
        case Caller::MapFileSave:
            window = std::make_unique<frmMap>();
            dialogs.answerInput(name);
            save = [&] { click(window.get(), "cmdSave"); };
            break;
        case Caller::PositionFileSave:
            window = std::make_unique<frmChessBoard>();
            dialogs.answerFile(path);
            save = [&] { click(window.get(), "Command4"); };
            break;
        }
        dialogs.answerMessage(MsgResult::Ok);
        makeUnwritable();
        save();
        readOnly.reset();

        QCOMPARE(dialogs.unexpectedCount(), 0);
        QCOMPARE(dialogs.pending(), 0);
        const ScriptedDialogs::Logged &told = dialogs.log().last();
        QCOMPARE(told.kind, ScriptedDialogs::Kind::Message);
        QCOMPARE(told.message.title, title);
        QVERIFY2(told.message.text.startsWith(text), qPrintable(told.message.text));
        QVERIFY2(told.message.text.contains(QStringLiteral("old.dat")), qPrintable(told.message.text));
        if (failure == Failure::ReadOnlyFolder)
            QCOMPARE(test::fileBytes(path), old);
        else
            QVERIFY(QFileInfo(path).isDir());
    }

    // The bitmap saves show a progress dialog whose cancel, pressed midway, leaves the older file as it
    // was and tells the user; let run, the save writes the page byte for byte.
    void cancelledSaveKeepsOldFile_data()
    {
        QTest::addColumn<Caller>("caller");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("main window 保存, cancelled") << Caller::MainWindowSave << true;
        QTest::newRow("main window 保存, let run") << Caller::MainWindowSave << false;
        QTest::newRow("crop tool 保存图像, cancelled") << Caller::CropToolSave << true;
        QTest::newRow("crop tool 保存图像, let run") << Caller::CropToolSave << false;
    }
    void cancelledSaveKeepsOldFile()
    {
        QFETCH(Caller, caller);
        QFETCH(bool, cancel);
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        const QString path = dir.file(QStringLiteral("old.bmp"));
        const QByteArray old("old content");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();

        std::unique_ptr<QWidget> window;
        QImage page;
        dialogs.answerFile(path);
        if (caller == Caller::MainWindowSave) {
            window = std::make_unique<Form30>();
            page = window->findChild<Canvas *>(QStringLiteral("Picture1"))->image();
            dialogs.answerMessage(MsgResult::Yes); // replace it?
        } else {
            auto tool = std::make_unique<Form20>();
            Picture cut;
            cut.image = test::patternImage(2001, 1500); // about 9 MB of rows: several chunks
            cut.naturalSize = cut.image.size();
            tool->picture1()->setPicture(cut);
            page = cut.image;
            window = std::move(tool);
        }
        if (cancel) {
            dialogs.cancelProgressAt(50);
            dialogs.answerMessage(MsgResult::Ok);
        }
        if (caller == Caller::MainWindowSave)
            click(window.get(), "Command5");
        else
            static_cast<Form20 *>(window.get())->SaveImage();

        QCOMPARE(dialogs.unexpectedCount(), 0);
        QCOMPARE(dialogs.pending(), 0);
        QCOMPARE(dialogs.progressDialogs(), 1);
        const QList<int> &told = dialogs.progressTold().front();
        QVERIFY(told.size() >= 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("old")),
                 QStringList{QStringLiteral("old.bmp")});
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        if (cancel) {
            QVERIFY(told.last() >= 50 && told.last() < 100);
            QCOMPARE(test::fileBytes(path), old);
            const ScriptedDialogs::Logged &message = dialogs.log().last();
            QCOMPARE(message.kind, ScriptedDialogs::Kind::Message);
            QVERIFY2(message.message.text.startsWith(QStringLiteral("保存已取消")), qPrintable(message.message.text));
            QVERIFY(message.message.text.contains(QStringLiteral("old.bmp")));
        } else {
            QCOMPARE(told.last(), 100);
            QBuffer expected;
            expected.open(QIODevice::WriteOnly);
            QVERIFY(writeBmp24(&expected, page));
            QCOMPARE(test::fileBytes(path), expected.data());
        }
    }

    void printFailureIsReported()
    {
        qputenv("CUPS_SERVER", "/nonexistent/socket"); // no printer at all
        test::TempAppDir dir;
        const QString picture = dir.file(QStringLiteral("p.bmp"));
        QVERIFY(test::writeImage(picture, test::patternImage(20, 10), "BMP"));
        ScriptedDialogs dialogs;
        Form30 w;
        dialogs.answerFile(picture);
        click(&w, "Command4");
        dialogs.answerMessage(MsgResult::Ok);
        click(&w, "Command6");
        QCOMPARE(dialogs.unexpectedCount(), 0);
        QCOMPARE(dialogs.log().size(), 2);
        QCOMPARE(dialogs.log().at(1).message.title, QStringLiteral("澄岭提示"));
        QVERIFY(dialogs.log().at(1).message.text.startsWith(QStringLiteral("无法打印")));
    }
};

QTEST_MAIN(TestFailedSaves)
#include "test_failedsaves.moc"
