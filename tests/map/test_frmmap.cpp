// The map-style window driven with the mouse, offscreen.
#include "formats/bmpwriter.h"
#include "map/frmmap.h"
#include "platform/canvas.h"
#include "platform/picturebox.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

using namespace ptt;

namespace {

// A double-click as the system delivers it: press, release, double-click,
// release. Positions are in the grid's client pixels.
void doubleClick(Canvas *c, QPoint inner, Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint p = inner + QPoint(c->borderWidth(), c->borderWidth());
    QTest::mouseClick(c, button, {}, p);
    QTest::mouseDClick(c, button, {}, p);
    QTest::mouseRelease(c, button, {}, p);
}

} // namespace

class TestFrmMap : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initFonts(); }

    void loadState()
    {
        frmMap w;
        QCOMPARE(w.windowTitle(), QStringLiteral("澄岭地图式图片排版器"));
        QCOMPARE(w.size(), QSize(1411, 866));
        QCOMPARE(w.picBack()->pos(), QPoint(0, 26));
        QCOMPARE(w.picBack()->innerSize(), QSize(630, 630));
        QCOMPARE(w.grid().MapCells.at(0), qint16(1));
        QCOMPARE(w.grid().SelPic, 1);
        QCOMPARE(w.outline()->geometry(), QRect(0, 68, 109, 109));
        QCOMPARE(w.imgFore(1)->size(), QSize(105, 105));
        QCOMPARE(w.imgFore(4)->size(), QSize(95, 145));
        QCOMPARE(w.imgFore(8)->size(), QSize(226, 164));
        QCOMPARE(w.imgFore(8)->pos(), QPoint(566, 426));
        QCOMPARE(w.imgFore(0)->geometry(), QRect(176, 42, 32, 32));
        QCOMPARE(test::child<QPushButton>(&w, "Command13")->text(), QStringLiteral("调入小图10"));
        QCOMPARE(test::child<QPushButton>(&w, "Command13")->geometry(), QRect(1106, 400, 77, 27));
        // Top-left cell shows picture 1, the rest the background, inner lines.
        const QImage &img = w.picBack()->image();
        QCOMPARE(img.pixel(50, 50), w.imgFore(1)->picture().image.pixel(50, 50));
        QCOMPARE(QColor(img.pixel(200, 200)), QColor(255, 100, 255));
        QCOMPARE(QColor(img.pixel(105, 300)), QColor(162, 200, 89));
        QCOMPARE(w.picBack()->toolTip(), QStringLiteral("双击定位图片"));
    }

    void doubleClickPlacesSingleClickDoesNot()
    {
        frmMap w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Canvas *grid = w.picBack();
        const QPoint cell(3 * 105 + 20, 2 * 105 + 20); // row 2, column 3
        QTest::mouseClick(grid, Qt::LeftButton, {}, cell + QPoint(2, 2));
        QCOMPARE(w.grid().MapCells.at(15), qint16(0));
        QCOMPARE(grid->cursor().shape(), Qt::SizeAllCursor);
        doubleClick(grid, cell);
        QCOMPARE(w.grid().MapCells.at(15), qint16(1));
        QCOMPARE(grid->cursor().shape(), Qt::ArrowCursor);
        // Picture 4 replaces it and spills into the cell below.
        QTest::mouseClick(w.imgFore(4), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(w.grid().SelPic, 4);
        QCOMPARE(w.outline()->pos(), w.imgFore(4)->pos() - QPoint(2, 2));
        QCOMPARE(w.outline()->size(), QSize(109, 109));
        doubleClick(grid, cell);
        QCOMPARE(w.grid().MapCells.at(15), qint16(4));
        const QImage pic4 = w.imgFore(4)->picture().image;
        QCOMPARE(grid->image().pixel(315 + 50, 210 + 130), pic4.pixel(50, 130));
        // A right double-click places nothing.
        QTest::mouseClick(w.imgFore(0), Qt::LeftButton, {}, QPoint(5, 5));
        doubleClick(grid, cell, Qt::RightButton);
        QCOMPARE(w.grid().MapCells.at(15), qint16(4));
        // The blank picture empties the cell; the line shows again.
        doubleClick(grid, cell);
        QCOMPARE(w.grid().MapCells.at(15), qint16(0));
        QCOMPARE(QColor(grid->image().pixel(400, 315)), QColor(162, 200, 89));
    }

    void setUpAfterDragKeepsPlaceAndEmpties()
    {
        ScriptedDialogs dialogs;
        frmMap w;
        w.picBack()->move(300, 200);
        w.grid().SelPic = 2;
        w.grid().Place(QPointF(300, 300));
        test::child<QLineEdit>(&w, QStringLiteral("Text1"))->setText(QStringLiteral("3"));
        test::child<QLineEdit>(&w, QStringLiteral("Text2"))->setText(QStringLiteral("2"));
        QTest::mouseClick(test::child<QPushButton>(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(w.picBack()->pos(), QPoint(300, 200));
        QCOMPARE(w.picBack()->innerSize(), QSize(315, 210));
        QCOMPARE(w.grid().MapCells, (QVector<qint16>{1, 0, 0, 0, 0, 0}));
        QCOMPARE(dialogs.log().size(), 0);
    }

    void badSizeIsRefused()
    {
        ScriptedDialogs dialogs;
        frmMap w;
        test::child<QLineEdit>(&w, QStringLiteral("Text1"))->setText(QStringLiteral("300"));
        dialogs.answerMessage(MsgResult::Ok);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(dialogs.log().size(), 1);
        QCOMPARE(w.grid().GridCols, 6);
        QCOMPARE(w.picBack()->innerSize(), QSize(630, 630));
    }

    void newPictureOneSetsCellSize()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("p.bmp"));
        QVERIFY(saveBmp24File(path, test::patternImage(80, 60)));
        ScriptedDialogs dialogs;
        frmMap w;
        dialogs.answerFile(path);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command2"), Qt::LeftButton);
        QCOMPARE(dialogs.log().at(0).file.filter,
                 QStringLiteral("All Files (*.*)|*.*|JPG Files (*.jpg)|*.jpg|GIF Files (*.gif)|*.gif|"
                                "BMP Files (*.bmp)|*.bmp"));
        QCOMPARE(w.imgFore(1)->size(), QSize(80, 60));
        QCOMPARE(w.imgFore(1)->pos(), QPoint(2, 70));
        // Nothing redrawn yet: the top-left cell still shows the old picture.
        QCOMPARE(w.grid().CellWidth, 105.0);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(w.picBack()->innerSize(), QSize(480, 360));
        QCOMPARE(w.outline()->geometry(), QRect(0, 68, 84, 64));
        QCOMPARE(w.picBack()->image().pixel(10, 10), test::patternImage(80, 60).pixel(10, 10));
        // Cancel and a broken file change nothing.
        dialogs.cancelFile();
        QTest::mouseClick(test::child<QPushButton>(&w, "Command3"), Qt::LeftButton);
        QFile junk(dir.file(QStringLiteral("junk.jpg")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("junk");
        junk.close();
        dialogs.answerFile(junk.fileName());
        QTest::mouseClick(test::child<QPushButton>(&w, "Command3"), Qt::LeftButton);
        QCOMPARE(w.imgFore(2)->size(), QSize(106, 106));
        QCOMPARE(dialogs.unexpectedCount(), 0);
    }

    void saveAndLoadMapFiles()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        frmMap w;
        w.grid().SelPic = 2;
        w.grid().Place(QPointF(110, 0));
        dialogs.answerInput(QStringLiteral("a.map"));
        QTest::mouseClick(test::child<QPushButton>(&w, "cmdSave"), Qt::LeftButton);
        QCOMPARE(dialogs.log().at(0).input.prompt, QStringLiteral("请输入地图档名称"));
        QCOMPARE(dialogs.log().at(0).input.title, QStringLiteral("储存地图档"));
        QFile f(dir.file(QStringLiteral("a.map")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray::fromHex("01000200") + QByteArray(68, '\0'));

        QTest::mouseClick(test::child<QPushButton>(&w, "cmdClear"), Qt::LeftButton);
        QCOMPARE(w.grid().MapCells, QVector<qint16>(36, 0));

        // Only the name with its extension finds the file.
        dialogs.answerInput(QStringLiteral("a"));
        dialogs.answerMessage(MsgResult::Ok);
        QTest::mouseClick(test::child<QPushButton>(&w, "cmdLoad"), Qt::LeftButton);
        QCOMPARE(dialogs.log().at(1).input.title, QStringLiteral("载入地图档"));
        QCOMPARE(dialogs.log().at(2).message.text, QStringLiteral("找不到 [a] 档案"));
        QCOMPARE(dialogs.log().at(2).message.title, QStringLiteral("档案错误"));
        QCOMPARE(w.grid().MapCells, QVector<qint16>(36, 0));

        dialogs.answerInput(QStringLiteral("a.map"));
        QTest::mouseClick(test::child<QPushButton>(&w, "cmdLoad"), Qt::LeftButton);
        QCOMPARE(w.grid().MapCells.at(0), qint16(1));
        QCOMPARE(w.grid().MapCells.at(1), qint16(2));

        // Empty or cancelled names do nothing.
        dialogs.answerInput(QString());
        dialogs.cancelInput();
        QTest::mouseClick(test::child<QPushButton>(&w, "cmdSave"), Qt::LeftButton);
        QTest::mouseClick(test::child<QPushButton>(&w, "cmdLoad"), Qt::LeftButton);
        QCOMPARE(dialogs.unexpectedCount(), 0);
        QCOMPARE(dialogs.pending(), 0);
    }

    void unwritableMapIsReported()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        frmMap w;
        dialogs.answerInput(QStringLiteral("no/such/folder/m"));
        dialogs.answerMessage(MsgResult::Ok);
        QTest::mouseClick(test::child<QPushButton>(&w, "cmdSave"), Qt::LeftButton);
        QCOMPARE(dialogs.log().size(), 2);
        QCOMPARE(dialogs.log().at(1).message.title, QStringLiteral("档案错误"));
    }

    void backgroundColourAndWholeSave()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        frmMap w;
        dialogs.cancelColor();
        QTest::mouseClick(test::child<QPushButton>(&w, "Command15"), Qt::LeftButton);
        QCOMPARE(QColor(w.picBack()->image().pixel(200, 200)), QColor(255, 100, 255));
        dialogs.answerColor(QColor(10, 20, 30));
        QTest::mouseClick(test::child<QPushButton>(&w, "Command15"), Qt::LeftButton);
        // A plain area of the colour until the next redraw.
        QCOMPARE(QColor(w.picBack()->image().pixel(50, 50)), QColor(10, 20, 30));
        QCOMPARE(QColor(w.picBack()->image().pixel(105, 300)), QColor(10, 20, 30));
        QTest::mouseClick(test::child<QPushButton>(&w, "cmdClear"), Qt::LeftButton);
        QCOMPARE(QColor(w.picBack()->image().pixel(105, 300)), QColor(162, 200, 89));
        QCOMPARE(QColor(w.picBack()->image().pixel(50, 50)), QColor(10, 20, 30));

        const QString path = dir.file(QStringLiteral("grid.bmp"));
        dialogs.answerFile(path);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command16"), Qt::LeftButton);
        QImage saved(path);
        QCOMPARE(saved.size(), QSize(630, 630));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), w.picBack()->image());
    }
};

QTEST_MAIN(TestFrmMap)
#include "test_frmmap.moc"
