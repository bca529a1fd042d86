// The map-style window driven with the mouse, offscreen.
#include "formats/bmpwriter.h"
#include "map/frmmap.h"
#include "platform/canvas.h"
#include "platform/picturebox.h"
#include "testsupport/fixedmemory.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPushButton>
#include <QScreen>
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

// The image a full Redraw gives, leaving the window's image as it was.
QImage fullRedraw(frmMap &w)
{
    const QImage shown = w.picBack()->image().copy();
    w.Redraw();
    const QImage full = w.picBack()->image().copy();
    w.picBack()->image() = shown;
    return full;
}

// Collects the areas a widget is asked to repaint.
class PaintSpy : public QObject {
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

} // namespace

class TestFrmMap : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initFonts(); }

    void loadState()
    {
        frmMap w;
        QCOMPARE(w.windowTitle(), QStringLiteral("澄岭地图式图片排版器"));
        // The layout's size, or less on a screen too small for it.
        const QRect area = w.screen()->availableGeometry();
        QCOMPARE(w.size(), QSize(std::min(1411, area.width() - 16), std::min(866, area.height() - 40)));
        QVERIFY(area.contains(w.geometry()));
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
        // The blank picture holds none but shows a framed, hatched tile.
        QVERIFY(w.imgFore(0)->picture().isNull());
        const QImage blank = w.imgFore(0)->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(blank.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(blank.pixel(31, 16), qRgb(0, 0, 0));
        QSet<QRgb> inside;
        for (int x = 1; x < 31; ++x)
            inside.insert(blank.pixel(x, 16));
        QCOMPARE(inside, (QSet<QRgb>{qRgb(255, 255, 255), qRgb(160, 160, 160)}));
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

    // A placement redraws only what it may change, and the result is what a
    // full Redraw gives, also after a new small picture or background colour
    // left the image behind the cells.
    void placementRedrawsOnlyItsArea()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("p.bmp"));
        QVERIFY(saveBmp24File(path, test::patternImage(150, 40)));
        ScriptedDialogs dialogs;
        frmMap w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        PaintSpy spy;
        w.picBack()->installEventFilter(&spy);
        const int border = w.picBack()->borderWidth();
        const struct {
            int pic;
            QPointF at;
        } placements[] = {{8, {320, 320}}, {5, {215, 215}}, {2, {629, 629}}, {8, {525, 0}},
                          {0, {320, 320}}, {7, {0, 525}},   {1, {110, 110}}, {0, {215, 215}}};
        for (const auto &place : placements) {
            const QRect cell(w.grid().cellOrigin(*w.grid().cellAt(place.at)), QSize(105, 105));
            const QSize old = w.imgFore(qMax(1, int(w.grid().MapCells.at(*w.grid().cellAt(place.at)))))->size();
            w.grid().SelPic = place.pic;
            QCoreApplication::processEvents();
            spy.painted = QRegion();
            w.Place(place.at);
            QCoreApplication::processEvents();
            QCOMPARE(w.picBack()->image(), fullRedraw(w));
            // Repainted: within the cell and the larger of the two pictures.
            const QRect reach =
                cell.united(QRect(cell.topLeft(), old.expandedTo(w.imgFore(qMax(1, place.pic))->size())));
            if (w.picBack()->visibleRegion().intersects(reach.translated(border, border)))
                QVERIFY(!spy.painted.isEmpty());
            QVERIFY((spy.painted - reach.translated(border, border)).isEmpty());
        }
        // Cell 35 holds picture 2; a new picture 2 shows there at the next
        // placement, wherever that is.
        dialogs.answerFile(path);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command3"), Qt::LeftButton);
        w.grid().SelPic = 3;
        w.Place(QPointF(10, 10));
        QCOMPARE(w.picBack()->image().pixel(525 + 20, 525 + 20), test::patternImage(150, 40).pixel(20, 20));
        QCOMPARE(w.picBack()->image(), fullRedraw(w));
        // After a new background colour, the next placement brings every
        // line and picture back on it.
        dialogs.answerColor(QColor(10, 20, 30));
        QTest::mouseClick(test::child<QPushButton>(&w, "Command15"), Qt::LeftButton);
        w.Place(QPointF(10, 10));
        QCOMPARE(QColor(w.picBack()->image().pixel(420, 200)), QColor(162, 200, 89));
        QCOMPARE(w.picBack()->image(), fullRedraw(w));
        QCOMPARE(dialogs.unexpectedCount(), 0);
    }

    // A size the page cannot hold changes nothing: not the grid, the cells,
    // the selection or the outline, so placing and saving go on as before.
    void refusedSizeChangesNothing()
    {
        test::FixedMemory memory; // 217 x 151 cells of 300 x 300 would be 11.8 GB
        memory.bytes = qint64(512) << 20;
        test::TempAppDir dir;
        const QString big = dir.file(QStringLiteral("big.bmp"));
        QVERIFY(saveBmp24File(big, test::patternImage(300, 300)));
        ScriptedDialogs dialogs;
        frmMap w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.grid().SelPic = 3;
        w.Place(QPointF(200, 100)); // cell 1
        w.Place(QPointF(400, 500)); // cell 27
        QTest::mouseClick(w.imgFore(5), Qt::LeftButton, {}, QPoint(5, 5));
        dialogs.answerFile(big);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command2"), Qt::LeftButton);
        QCOMPARE(w.imgFore(1)->size(), QSize(300, 300));
        const QImage before = w.picBack()->image().copy();
        const QRect outline = w.outline()->geometry();

        test::child<QLineEdit>(&w, QStringLiteral("Text1"))->setText(QStringLiteral("217"));
        test::child<QLineEdit>(&w, QStringLiteral("Text2"))->setText(QStringLiteral("151"));
        dialogs.answerMessage(MsgResult::Ok);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(dialogs.log().last().message.text, QStringLiteral("地图太大，内存放不下。"));
        QCOMPARE(w.grid().GridCols, 6);
        QCOMPARE(w.grid().GridRows, 6);
        QCOMPARE(w.grid().CellWidth, 105.0);
        QCOMPARE(w.grid().SelPic, 5);
        QCOMPARE(w.outline()->geometry(), outline);
        QCOMPARE(w.picBack()->innerSize(), QSize(630, 630));
        QCOMPARE(w.picBack()->image(), before);

        doubleClick(w.picBack(), QPoint(3 * 105 + 20, 2 * 105 + 20)); // row 2, column 3
        QVector<qint16> cells(36, 0);
        cells[0] = 1;
        cells[1] = 3;
        cells[27] = 3;
        cells[15] = 5;
        QCOMPARE(w.grid().MapCells, cells);
        dialogs.answerInput(QStringLiteral("m"));
        QTest::mouseClick(test::child<QPushButton>(&w, "cmdSave"), Qt::LeftButton);
        QFile f(dir.file(QStringLiteral("m")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), encodeMapCells(cells));
        QCOMPARE(dialogs.unexpectedCount(), 0);
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
