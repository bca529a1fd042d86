#include "chessboard/boardmodel.h"
#include "platform/appdir.h"
#include "testsupport/testsupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace ptt;
using Answer = BoardServices::Answer;

namespace {

// Answers the model's dialogs from queues and logs every request.
class FakeServices : public BoardServices {
public:
    struct FileRequest {
        QString filter;
        bool save;
    };
    struct Message {
        QString text;
        QString title;
        Buttons buttons;
    };
    QStringList files; // chooser answers, full paths; "" cancels
    QList<Answer> answers;
    QList<FileRequest> fileRequests;
    QList<Message> messages;
    QStringList loaded;
    int unexpected = 0;

    QString chooseFile(const QString &filter, bool save) override
    {
        fileRequests.append({filter, save});
        if (files.isEmpty()) {
            ++unexpected;
            return QString();
        }
        return files.takeFirst();
    }
    Answer message(const QString &text, const QString &title, Buttons buttons) override
    {
        messages.append({text, title, buttons});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (answers.isEmpty()) {
            ++unexpected;
            return Answer::Cancel;
        }
        return answers.takeFirst();
    }
    PictureLoadResult loadPicture(const QString &path) override
    {
        loaded.append(path);
        return ptt::loadPicture(path);
    }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TestBoardModel : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempAppDir> m_dir;
    std::unique_ptr<FakeServices> m_fake;
    std::unique_ptr<BoardModel> m_model;

    QString app(const QString &rel) const { return AppDir() + rel; }
    FakeServices &fake() { return *m_fake; }
    BoardModel &model() { return *m_model; }

    // A new document with flower.jpg, started by the button.
    void newFlowerDocument()
    {
        fake().files << app(QStringLiteral("flower.jpg"));
        model().NewDocument(BoardModel::Trigger::Button);
    }
    void drag(int index, double fromX, double fromY, double toX, double toY)
    {
        model().pressForeground(index, Qt::LeftButton, fromX, fromY);
        const BoardSlot before = model().slot(index);
        // The pointer's position relative to the slot as it moves.
        model().moveOverForeground(index, Qt::LeftButton, toX - before.left, toY - before.top);
        const BoardSlot after = model().slot(index);
        model().releaseForeground(index, Qt::LeftButton, toX - after.left, toY - after.top);
    }
    QString save(const QString &name = QStringLiteral("out.pos"))
    {
        fake().files << app(name);
        model().SaveDocument();
        return app(name);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<test::TempAppDir>();
        QVERIFY(QDir(AppDir()).mkpath(QStringLiteral("pics")));
        QVERIFY(test::writeImage(app(QStringLiteral("flower.jpg")), test::patternImage(80, 60), "JPG"));
        QVERIFY(test::writeImage(app(QStringLiteral("pics/cat.jpg")), test::patternImage(100, 100), "JPG"));
        QVERIFY(test::writeImage(app(QStringLiteral("back.bmp")), test::patternImage(800, 600), "BMP"));
        m_fake = std::make_unique<FakeServices>();
        m_model = std::make_unique<BoardModel>(*m_fake);
    }
    void cleanup()
    {
        QCOMPARE(fake().unexpected, 0);
        QVERIFY2(fake().files.isEmpty(), "a chooser answer was not used");
        QVERIFY2(fake().answers.isEmpty(), "a question was not asked");
        m_model.reset();
        m_fake.reset();
        m_dir.reset();
    }

    void startsWithNoDocument()
    {
        QCOMPARE(model().ForegroundCount(), 0);
        QCOMPARE(model().CurrentIndex(), 0);
        QVERIFY(model().Records().isEmpty());
        QVERIFY(model().CurrentPictureFile().isEmpty());
        QCOMPARE(model().slotCount(), 1);
        QCOMPARE(model().slot(0).rect(), QRectF(150, 120, 855, 615));
        QVERIFY(!model().frameVisible());
        QVERIFY(!model().modified());
        QVERIFY(!model().editIconVisible());
        QVERIFY(!model().frontMenuEnabled());
        QVERIFY(!model().frontButtonsEnabled());
        QCOMPARE(
            BoardModel::PictureFilter(),
            QStringLiteral("所有图档|*.bmp;*.dib;*.ico;*.wmf;*.emf;*.jpg;*.gif|Windows 标准图档(*.bmp;*.dib)|*.bmp;"
                           "*.dib|图示档(*.ico)|*.ico|向量档(*.wmf;*.emf)|*.wmf;*.emf|JPeg 压缩图档(*.jpg)|*.jpg|"
                           "Gif 图档(*.gif)|*.gif"));
        QCOMPARE(BoardModel::PictureFilter().count(QLatin1Char('|')), 11);
        QCOMPARE(BoardModel::PositionFilter(), QStringLiteral("影像位置档(*.pos)|*.pos"));
    }

    void workedExampleIsSavedByteForByte()
    {
        newFlowerDocument();
        model().InsertForeground();
        drag(1, 150, 150, 2400 + 150, 900 + 150);
        fake().files << app(QStringLiteral("pics/cat.jpg"));
        model().ChangeForeground();
        model().InsertForeground();
        drag(2, 30, 300, 4500 + 30, -300 + 300);
        const QString path = save(QStringLiteral("example.pos"));
        QFile golden(QStringLiteral(PTT_SOURCE_DIR "/tests/chessboard/golden/worked-example/expected.pos"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        QCOMPARE(readAll(path), golden.readAll());
        QVERIFY(!model().modified());
        QCOMPARE(fake().messages.size(), 0);
    }

    void newDocumentByButtonOrMenu_data()
    {
        QTest::addColumn<bool>("button");
        QTest::newRow("button 新建图案") << true;
        QTest::newRow("menu 新建位置档案") << false;
    }
    void newDocumentByButtonOrMenu()
    {
        QFETCH(bool, button);
        QSignalSpy controls(&model(), &BoardModel::controlsChanged);
        fake().files << app(QStringLiteral("flower.jpg"));
        model().NewDocument(button ? BoardModel::Trigger::Button : BoardModel::Trigger::Menu);
        QCOMPARE(fake().fileRequests.size(), 1);
        QCOMPARE(fake().fileRequests[0].filter, BoardModel::PictureFilter());
        QVERIFY(!fake().fileRequests[0].save);
        QCOMPARE(model().ForegroundCount(), 1);
        QCOMPARE(model().CurrentPictureFile(), QStringLiteral("flower.jpg"));
        QCOMPARE(model().Records().size(), 1);
        QCOMPARE(model().Records()[0].FileName, QStringLiteral("flower.jpg"));
        QCOMPARE(model().Records()[0].Width, 1200.0f);
        QCOMPARE(model().Records()[0].Height, 900.0f);
        QCOMPARE(model().slot(0).rect(), QRectF(0, 0, 1200, 900));
        QVERIFY(model().frameVisible());
        QCOMPARE(model().frameRect(), QRectF(-2, -2, 1204, 904));
        QVERIFY(model().modified());
        QVERIFY(model().frontMenuEnabled());
        QCOMPARE(model().frontButtonsEnabled(), button);
        QVERIFY(controls.count() > 0);
    }

    void newDocumentWithChooserCancelled()
    {
        newFlowerDocument();
        save();
        fake().files << QString();
        model().NewDocument(BoardModel::Trigger::Button);
        QCOMPARE(fake().messages.size(), 1);
        QCOMPARE(fake().messages[0].text, QStringLiteral("你并未载入前景图片，无法使用位置档设定。"));
        QCOMPARE(fake().messages[0].title, QStringLiteral("档案输出入"));
        QCOMPARE(model().ForegroundCount(), 0);
        QVERIFY(model().Records().isEmpty());
        QCOMPARE(model().slot(0).left, 0.0);
        QVERIFY(model().slot(0).picture.isNull());
        QVERIFY(!model().frameVisible());
        QVERIFY(model().CurrentPictureFile().isEmpty());
        // Unmodified close keeps the menu entries and buttons as they were.
        QVERIFY(model().frontMenuEnabled());
        QVERIFY(model().frontButtonsEnabled());
    }

    void closeQuestionCancelKeepsEverything()
    {
        newFlowerDocument();
        model().InsertForeground();
        const QList<PositionRecord> before = model().Records();
        fake().answers << Answer::Cancel;
        model().NewDocument(BoardModel::Trigger::Button);
        QCOMPARE(fake().messages.size(), 1);
        QCOMPARE(fake().messages[0].text, QStringLiteral("结束原位置档前是否先存档？"));
        QCOMPARE(fake().messages[0].title, QStringLiteral("档案输出入"));
        QVERIFY(fake().messages[0].buttons == BoardServices::Buttons::YesNoCancel);
        QCOMPARE(fake().fileRequests.size(), 1); // no chooser after the question
        QCOMPARE(model().Records(), before);
        QCOMPARE(model().ForegroundCount(), 2);
        QVERIFY(model().modified());
        QVERIFY(model().frontMenuEnabled());
    }

    void closeQuestionNoDiscards()
    {
        newFlowerDocument();
        fake().answers << Answer::No;
        fake().files << QString(); // the position chooser of OpenDocument
        model().OpenDocument();
        QCOMPARE(model().ForegroundCount(), 0);
        QVERIFY(model().Records().isEmpty());
        QVERIFY(!model().frontMenuEnabled());
        QVERIFY(model().frontButtonsEnabled()); // nothing disables the buttons
        QVERIFY(model().modified());            // the flag stays on after No
        QCOMPARE(fake().messages.size(), 1);    // a cancelled open says nothing
    }

    void closeQuestionYesSavesFirst()
    {
        newFlowerDocument();
        model().InsertForeground();
        drag(1, 0, 0, 300, 450);
        fake().answers << Answer::Yes;
        fake().files << app(QStringLiteral("saved.pos")) << QString();
        model().OpenDocument();
        QCOMPARE(readAll(app(QStringLiteral("saved.pos"))),
                 QByteArray("\"flower.jpg\",0,0,1200,900\r\n\"flower.jpg\",300,450,1200,900\r\n"));
        QCOMPARE(fake().fileRequests[1].filter, BoardModel::PositionFilter());
        QVERIFY(fake().fileRequests[1].save);
        QCOMPARE(model().ForegroundCount(), 0);
        QVERIFY(!model().modified());
        QVERIFY(!model().frontMenuEnabled());
    }

    void closeQuestionYesWithSaveCancelledStillCloses()
    {
        newFlowerDocument();
        fake().answers << Answer::Yes;
        fake().files << QString() << QString();
        QVERIFY(model().CloseDocument());
        QCOMPARE(model().ForegroundCount(), 0);
        QVERIFY(!model().frontMenuEnabled());
        fake().files.clear();
    }

    void closeQuestionYesWithFailedSaveKeepsDocument()
    {
        newFlowerDocument();
        model().InsertForeground();
        const QString existing = app(QStringLiteral("old.pos"));
        QVERIFY(writeFile(existing, "\"old.bmp\",1,2,3,4\r\n"));
        // A picture whose name GBK cannot hold makes the save fail.
        fake().files << app(QStringLiteral("😀.jpg"));
        model().ChangeForeground();
        fake().answers << Answer::Yes;
        fake().files << existing;
        QVERIFY(!model().CloseDocument());
        QCOMPARE(fake().messages.size(), 2);
        QVERIFY(fake().messages[1].text.contains(QStringLiteral("GBK")));
        QCOMPARE(readAll(existing), QByteArray("\"old.bmp\",1,2,3,4\r\n"));
        QCOMPARE(model().ForegroundCount(), 2);
        QVERIFY(model().modified());
        QVERIFY(model().frontMenuEnabled());
    }

    void saveToUnwritablePlaceIsReported()
    {
        newFlowerDocument();
        fake().files << app(QStringLiteral("no/such/folder/x.pos"));
        QCOMPARE(model().SaveDocument(), BoardModel::SaveResult::Failed);
        QCOMPARE(fake().messages.size(), 1);
        QVERIFY(fake().messages[0].text.contains(QStringLiteral("无法保存位置档")));
        QVERIFY(model().modified());
    }

    void saveCancelledChangesNothing()
    {
        newFlowerDocument();
        fake().files << QString();
        QCOMPARE(model().SaveDocument(), BoardModel::SaveResult::Cancelled);
        QVERIFY(model().modified());
        QCOMPARE(fake().messages.size(), 0);
    }

    void saveWithNoRecordsWritesEmptyFile()
    {
        const QString path = app(QStringLiteral("empty.pos"));
        QVERIFY(writeFile(path, "\"x.bmp\",1,2,3,4\r\n"));
        save(QStringLiteral("empty.pos"));
        QCOMPARE(readAll(path), QByteArray());
    }

    void loadBackground()
    {
        QSignalSpy loaded(&model(), &BoardModel::backgroundLoaded);
        fake().files << QString();
        model().LoadBackground();
        QCOMPARE(fake().messages.size(), 1);
        QCOMPARE(fake().messages[0].text, QStringLiteral("你必须载入第一张背景图，才能编辑位置档。"));
        QCOMPARE(fake().messages[0].title, QStringLiteral("档案输出入"));
        QVERIFY(!model().editIconVisible());
        QCOMPARE(loaded.count(), 0);

        newFlowerDocument();
        fake().files << app(QStringLiteral("back.bmp"));
        model().LoadBackground();
        QVERIFY(model().editIconVisible());
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(loaded[0][0].value<Picture>().naturalSize, QSize(800, 600));
        QCOMPARE(model().ForegroundCount(), 1); // the document is untouched
        QVERIFY(model().modified());
    }

    void unloadableBackgroundIsReported()
    {
        QSignalSpy loaded(&model(), &BoardModel::backgroundLoaded);
        QVERIFY(writeFile(app(QStringLiteral("bad.bmp")), "not a picture"));
        fake().files << app(QStringLiteral("bad.bmp"));
        model().LoadBackground();
        QCOMPARE(loaded.count(), 0);
        QCOMPARE(fake().messages.size(), 1);
        QVERIFY(fake().messages[0].text.contains(QStringLiteral("bad.bmp")));
    }

    void openDocumentPlacesRecordsAndFramesFirst()
    {
        const QString path = app(QStringLiteral("wall.pos"));
        QVERIFY(writeFile(path, "\"missing.jpg\",-300,450,2000,1000\r\n\"flower.jpg\",15,30,99,99\r\n"
                                "\"pics\\cat.jpg\",4500,-300,1500,1500\r\n"));
        fake().files << path;
        model().OpenDocument();
        QCOMPARE(fake().fileRequests[0].filter, BoardModel::PositionFilter());
        QCOMPARE(model().ForegroundCount(), 3);
        QCOMPARE(model().slotCount(), 3);
        // The missing picture: no picture at its stored place.
        QVERIFY(model().slot(0).picture.isNull());
        QCOMPARE(model().slot(0).left, -300.0);
        QCOMPARE(model().slot(0).top, 450.0);
        // Width and Height of the file are not applied.
        QCOMPARE(model().slot(1).rect(), QRectF(15, 30, 1200, 900));
        QCOMPARE(model().slot(2).rect(), QRectF(4500, -300, 1500, 1500));
        QCOMPARE(model().Records()[1].Width, 99.0f);
        QCOMPARE(model().CurrentIndex(), 0);
        QVERIFY(model().frameVisible());
        QCOMPARE(model().frameRect(), model().slot(0).rect().adjusted(-2, -2, 2, 2));
        QVERIFY(!model().modified());
        QVERIFY(model().frontMenuEnabled());
        QVERIFY(!model().frontButtonsEnabled());
        QCOMPARE(fake().messages.size(), 0);
        // Saved back unchanged.
        const QByteArray original = readAll(path);
        QCOMPARE(readAll(save()), original);
    }

    void openDocumentDecodesEachPictureOnce()
    {
        QByteArray data;
        for (int i = 0; i < 300; ++i)
            data += QByteArray(i % 3 ? "\"flower.jpg\"" : "\"pics\\cat.jpg\"") + "," + QByteArray::number(i * 15) +
                    ",0,1,1\r\n";
        QVERIFY(writeFile(app(QStringLiteral("many.pos")), data));
        fake().files << app(QStringLiteral("many.pos"));
        model().OpenDocument();
        QCOMPARE(model().ForegroundCount(), 300);
        QCOMPARE(fake().loaded.size(), 2);
        QCOMPARE(model().slot(299).left, 299 * 15.0);
        QCOMPARE(model().slot(299).width, 1200.0);
    }

    void openDocumentSkipsBadLinesAndSaysSo()
    {
        QVERIFY(writeFile(app(QStringLiteral("bad.pos")), "\"flower.jpg\",1,2,3,4\r\ngarbage\r\n\"flower.jpg\",1,2\r\n"
                                                          "\"flower.jpg\",5,6,7,8"));
        fake().files << app(QStringLiteral("bad.pos"));
        model().OpenDocument();
        QCOMPARE(model().ForegroundCount(), 2);
        QCOMPARE(fake().messages.size(), 1);
        QVERIFY(fake().messages[0].text.contains(QStringLiteral(" 2 ")));
    }

    void openDocumentThatCannotBeOpened()
    {
        fake().files << app(QStringLiteral("nowhere.pos"));
        model().OpenDocument();
        QCOMPARE(fake().messages.size(), 1);
        QVERIFY(fake().messages[0].text.contains(QStringLiteral("nowhere.pos")));
        QCOMPARE(model().ForegroundCount(), 0);
    }

    void openDocumentCancelledClearsSilently()
    {
        newFlowerDocument();
        save();
        fake().files << QString();
        model().OpenDocument();
        QCOMPARE(model().ForegroundCount(), 0);
        QCOMPARE(fake().messages.size(), 0);
    }

    void fileOutsideAppDirKeepsFullPath()
    {
        QTemporaryDir elsewhere;
        const QString pic = elsewhere.filePath(QStringLiteral("far.jpg"));
        QVERIFY(test::writeImage(pic, test::patternImage(10, 20), "JPG"));
        fake().files << pic;
        model().NewDocument(BoardModel::Trigger::Menu);
        QCOMPARE(model().Records()[0].FileName, pic);
        QCOMPARE(model().slot(0).rect(), QRectF(0, 0, 150, 300));
    }

    void insertForegroundAppendsAtCorner()
    {
        newFlowerDocument();
        drag(0, 0, 0, 600, 600);
        model().InsertForeground();
        QCOMPARE(model().ForegroundCount(), 2);
        QCOMPARE(model().CurrentIndex(), 1);
        QCOMPARE(model().slot(1).rect(), QRectF(0, 0, 1200, 900));
        QCOMPARE(model().Records()[1], (PositionRecord{QStringLiteral("flower.jpg"), 0, 0, 1200, 900}));
        QCOMPARE(model().frameRect(), QRectF(-2, -2, 1204, 904));
        QCOMPARE(model().slot(0).rect(), QRectF(600, 600, 1200, 900));
    }

    void insertWithoutPictureAsksForOne()
    {
        QVERIFY(writeFile(app(QStringLiteral("one.pos")), "\"flower.jpg\",1,2,3,4\r\n"));
        fake().files << app(QStringLiteral("one.pos"));
        model().OpenDocument();
        fake().files << QString();
        model().InsertForeground();
        QCOMPARE(model().ForegroundCount(), 1);
        QCOMPARE(fake().fileRequests.last().filter, BoardModel::PictureFilter());
        fake().files << app(QStringLiteral("pics/cat.jpg"));
        model().InsertForeground();
        QCOMPARE(model().ForegroundCount(), 2);
        QCOMPARE(model().Records()[1].FileName, QStringLiteral("pics\\cat.jpg"));
        QCOMPARE(model().CurrentPictureFile(), QStringLiteral("pics\\cat.jpg"));
    }

    void insertIsRefusedAt32767()
    {
        QByteArray data;
        const QByteArray line = "\"flower.jpg\",0,0,1200,900\r\n";
        data.reserve(line.size() * 32768);
        for (int i = 0; i < 32768; ++i)
            data += line;
        QVERIFY(writeFile(app(QStringLiteral("full.pos")), data));
        fake().files << app(QStringLiteral("full.pos"));
        model().OpenDocument();
        // The record over the limit is not loaded, and the user is told.
        QCOMPARE(model().ForegroundCount(), 32767);
        QCOMPARE(model().Records().size(), 32767);
        QCOMPARE(fake().messages.size(), 1);
        QCOMPARE(fake().messages[0].text, BoardModel::tooManyMessage());
        fake().files << app(QStringLiteral("flower.jpg"));
        model().ChangeForeground(); // sets the picture to insert
        model().InsertForeground();
        QCOMPARE(model().ForegroundCount(), 32767);
        QCOMPARE(model().slotCount(), 32767);
        QCOMPARE(fake().messages.size(), 2);
        QVERIFY(fake().messages[1].text.contains(QStringLiteral("32767")));
        // Deleting one makes room again.
        model().DeleteForeground();
        model().InsertForeground();
        QCOMPARE(model().ForegroundCount(), 32767);
        QCOMPARE(model().CurrentIndex(), 32766);
    }

    void changeForegroundKeepsRecordSize()
    {
        newFlowerDocument();
        model().InsertForeground();
        drag(1, 0, 0, 1500, 3000);
        fake().files << app(QStringLiteral("pics/cat.jpg"));
        model().ChangeForeground();
        QCOMPARE(model().CurrentPictureFile(), QStringLiteral("pics\\cat.jpg"));
        QCOMPARE(model().slot(1).rect(), QRectF(1500, 3000, 1500, 1500));
        QCOMPARE(model().Records()[1], (PositionRecord{QStringLiteral("pics\\cat.jpg"), 1500, 3000, 1200, 900}));
        QCOMPARE(model().frameRect(), QRectF(1498, 2998, 1204, 904)); // not refreshed
        QCOMPARE(readAll(save()),
                 QByteArray("\"flower.jpg\",0,0,1200,900\r\n\"pics\\cat.jpg\",1500,3000,1200,900\r\n"));
        fake().files << QString();
        model().ChangeForeground();
        QVERIFY(!model().modified());
        // A click refreshes the size.
        model().pressForeground(1, Qt::LeftButton, 10, 10);
        model().releaseForeground(1, Qt::LeftButton, 10, 10);
        QCOMPARE(model().Records()[1].Width, 1500.0f);
        QVERIFY(model().modified());
    }

    void changeWithNoForegroundDoesNothing()
    {
        model().ChangeForeground();
        QCOMPARE(fake().fileRequests.size(), 0);
        QVERIFY(!model().modified());
    }

    void unloadableForegroundKeepsName()
    {
        newFlowerDocument();
        fake().files << app(QStringLiteral("gone.jpg"));
        model().ChangeForeground();
        QVERIFY(model().slot(0).picture.isNull());
        QCOMPARE(model().slot(0).rect(), QRectF(0, 0, 1200, 900));
        QCOMPARE(model().Records()[0].FileName, QStringLiteral("gone.jpg"));
        QCOMPARE(fake().messages.size(), 0);
    }

    void deleteWithOneForegroundDoesNothing()
    {
        newFlowerDocument();
        save();
        model().DeleteForeground();
        QCOMPARE(model().ForegroundCount(), 1);
        QVERIFY(!model().modified());
    }

    void deleteLastMakesFirstCurrent()
    {
        newFlowerDocument();
        model().InsertForeground();
        drag(1, 0, 0, 3000, 0);
        model().InsertForeground();
        drag(2, 0, 0, 6000, 0);
        QSignalSpy removed(&model(), &BoardModel::slotRemoved);
        model().DeleteForeground();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed[0][0].toInt(), 2);
        QCOMPARE(model().ForegroundCount(), 2);
        QCOMPARE(model().slotCount(), 2);
        QCOMPARE(model().CurrentIndex(), 0);
        QCOMPARE(model().frameRect(), QRectF(-2, -2, 1204, 904));
        QCOMPARE(model().Records().size(), 2);
    }

    void deleteMiddleMakesNextCurrent()
    {
        newFlowerDocument();
        for (int i = 1; i <= 3; ++i) {
            model().InsertForeground();
            drag(i, 0, 0, 3000 * i, 150 * i);
        }
        fake().files << app(QStringLiteral("pics/cat.jpg"));
        model().ChangeForeground(); // foreground 3 shows a cat
        model().pressForeground(1, Qt::LeftButton, 0, 0);
        model().releaseForeground(1, Qt::LeftButton, 0, 0);
        QCOMPARE(model().CurrentIndex(), 1);
        model().DeleteForeground();
        QCOMPARE(model().ForegroundCount(), 3);
        QCOMPARE(model().CurrentIndex(), 1);
        QCOMPARE(model().slot(1).rect(), QRectF(6000, 300, 1200, 900));
        QCOMPARE(model().slot(2).rect(), QRectF(9000, 450, 1500, 1500));
        QCOMPARE(model().frameRect(), QRectF(5998, 298, 1204, 904));
        QCOMPARE(readAll(save()), QByteArray("\"flower.jpg\",0,0,1200,900\r\n"
                                             "\"flower.jpg\",6000,300,1200,900\r\n"
                                             "\"pics\\cat.jpg\",9000,450,1200,900\r\n"));
    }

    void dragFollowsLeftButtonOnly()
    {
        newFlowerDocument();
        model().InsertForeground();
        drag(1, 0, 0, 3000, 3000);
        save();
        const QRectF start = model().slot(0).rect();

        // Right button: no move, no change of the current foreground.
        model().pressForeground(0, Qt::RightButton, 100, 100);
        model().moveOverForeground(0, Qt::RightButton, 400, 400);
        model().releaseForeground(0, Qt::RightButton, 400, 400);
        QCOMPARE(model().slot(0).rect(), start);
        QCOMPARE(model().CurrentIndex(), 1);
        QVERIFY(!model().modified());

        // Left and right held together: no move.
        model().pressForeground(0, Qt::LeftButton, 100, 100);
        QCOMPARE(model().CurrentIndex(), 0);
        model().moveOverForeground(0, Qt::LeftButton | Qt::RightButton, 400, 400);
        QCOMPARE(model().slot(0).rect(), start);
        // Left alone moves; the grab point stays under the pointer.
        model().moveOverForeground(0, Qt::LeftButton, 400, 250);
        QCOMPARE(model().slot(0).rect(), start.translated(300, 150));
        model().moveOverForeground(0, Qt::LeftButton, 100 - 900, 100 - 600);
        QCOMPARE(model().slot(0).rect(), start.translated(-600, -450));
        QVERIFY(!model().modified());
        model().releaseForeground(0, Qt::LeftButton, 100, 100);
        QCOMPARE(model().Records()[0], (PositionRecord{QStringLiteral("flower.jpg"), -600, -450, 1200, 900}));
        QCOMPARE(model().frameRect(), QRectF(-602, -452, 1204, 904));
        QVERIFY(model().modified());
        QCOMPARE(readAll(save()),
                 QByteArray("\"flower.jpg\",-600,-450,1200,900\r\n\"flower.jpg\",3000,3000,1200,900\r\n"));
    }

    void pressOnEmptySlotIsIgnored()
    {
        model().pressForeground(0, Qt::LeftButton, 10, 10);
        model().moveOverForeground(0, Qt::LeftButton, 100, 100);
        model().releaseForeground(0, Qt::LeftButton, 100, 100);
        QCOMPARE(model().slot(0).rect(), QRectF(150, 120, 855, 615));
        QVERIFY(!model().modified());
        QVERIFY(!model().frameVisible());
        QVERIFY(model().Records().isEmpty());
    }

    void insertionsAndDeletionsSaveInSlotOrder()
    {
        newFlowerDocument();
        QRandomGenerator rng(99);
        for (int step = 0; step < 200; ++step) {
            const int n = model().ForegroundCount();
            if (rng.bounded(3) == 0) {
                const int pick = rng.bounded(n);
                model().pressForeground(pick, Qt::LeftButton, 0, 0);
                model().releaseForeground(pick, Qt::LeftButton, 0, 0);
                model().DeleteForeground();
            } else {
                model().InsertForeground();
                drag(n, 0, 0, 15 * step, 30 * step);
            }
            QCOMPARE(model().Records().size(), model().ForegroundCount());
            QCOMPARE(model().slotCount(), qMax(1, model().ForegroundCount()));
            QVERIFY(model().CurrentIndex() < model().ForegroundCount());
        }
        const QByteArray data = readAll(save());
        QCOMPARE(data.count("\r\n"), model().ForegroundCount());
        QList<PositionRecord> back;
        QVERIFY(PositionFile::Load(app(QStringLiteral("out.pos")), &back).ok);
        for (int i = 0; i < back.size(); ++i) {
            QCOMPARE(back[i].Left, float(model().slot(i).left));
            QCOMPARE(back[i].Top, float(model().slot(i).top));
        }
    }
};

QTEST_GUILESS_MAIN(TestBoardModel)
#include "test_boardmodel.moc"
