// The free layout window driven the way a user drives it, offscreen.
#include "formats/bmpwriter.h"
#include "freelayout/form31.h"
#include "pageops/tilepage.h"
#include "platform/canvas.h"
#include "platform/picturebox.h"
#include "platform/windows.h"
#include "testsupport/recordingnavigator.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

using namespace ptt;

namespace {

void sendMove(QWidget *w, QPoint global)
{
    QMouseEvent e(QEvent::MouseMove, w->mapFromGlobal(QPointF(global)), QPointF(global), Qt::NoButton, Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestForm31 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initFonts(); }

    void loadState()
    {
        Form31 w;
        QCOMPARE(w.windowTitle(), QStringLiteral("澄岭自定义图像排版器"));
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        QCOMPARE(w.page()->geometry(), QRect(0, 22, 745, 1035));
        QCOMPARE(w.page()->scaleMode(), Canvas::ScaleMode::Twips);
        QCOMPARE(w.page()->backColor(), QColor(162, 200, 89));
        QCOMPARE(w.page()->foreColor(), QColor(173, 22, 86));
        QCOMPARE(w.page()->canvasFont().name, QStringLiteral("黑体"));
        QCOMPARE(w.page()->canvasFont().size, 10.5);
        QCOMPARE(w.region(1)->geometry(), QRect(4, 4, 635, 299));
        QCOMPARE(w.region(2)->geometry(), QRect(4, 310, 635, 165));
        QCOMPARE(w.region(3)->geometry(), QRect(4, 482, 635, 293));
        QCOMPARE(w.smallPicture(1)->size(), QSize(125, 96));
        QCOMPARE(w.smallPicture(2)->size(), QSize(125, 159));
        QCOMPARE(w.smallPicture(3)->size(), QSize(95, 145));
        QCOMPARE(w.smallPicture(1)->toolTip(), QStringLiteral("点击调入图1"));
        QCOMPARE(w.smallPicture(1)->pos(), QPoint(2, 2 - 4));
        // Regions start untiled.
        QCOMPARE(QColor(w.region(1)->image().pixel(300, 200)), QColor(255, 192, 255));
        const QStringList captions = {QStringLiteral("图1排版"), QStringLiteral("图2排版"), QStringLiteral("图3排版"),
                                      QStringLiteral("A4"),      QStringLiteral("A5"),      QStringLiteral("A6"),
                                      QStringLiteral("保存"),    QStringLiteral("背景色"),  QStringLiteral("字体"),
                                      QStringLiteral("文字颜色")};
        const char *names[] = {"Command23", "Command24", "Command25", "Command21", "Command26",
                               "Command27", "Command22", "Command28", "Command29", "Command30"};
        for (int i = 0; i < 10; ++i)
            QCOMPARE(test::child<QPushButton>(&w, names[i])->text(), captions.at(i));
        QCOMPARE(test::child<QPushButton>(&w, "Command22")->geometry(), QRect(278, 0, 43, 21));
        for (const char16_t *e : {u"新建", u"打开", u"保存", u"退出"})
            QVERIFY(test::child<QAction>(&w, QString::fromUtf16(e)));
    }

    void pageSizes_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QSize>("outer");
        QTest::newRow("A4") << "Command21" << QSize(703, 1074);
        QTest::newRow("A5") << "Command26" << QSize(533, 867);
        QTest::newRow("A6") << "Command27" << QSize(387, 613);
    }
    void pageSizes()
    {
        QFETCH(QString, buttonName);
        QFETCH(QSize, outer);
        Form31 w;
        QTest::mouseClick(test::child<QPushButton>(&w, buttonName), Qt::LeftButton);
        QCOMPARE(w.page()->size(), outer);
        QCOMPARE(w.page()->pos(), QPoint(0, 22));
        // The regions keep their places and sizes.
        QCOMPARE(w.region(1)->geometry(), QRect(4, 4, 635, 299));
    }

    void tilingRegionOne()
    {
        Form31 w;
        QTest::mouseClick(test::child<QPushButton>(&w, "Command23"), Qt::LeftButton);
        Canvas *r = w.region(1);
        QCOMPARE(r->innerSize(), QSize(631, 295));
        QCOMPARE(tileGrid(r->innerSize(), QSize(125, 96)), QSize(6, 4));
        QImage expected(r->innerSize(), QImage::Format_RGB32);
        expected.fill(QColor(255, 192, 255));
        TilePageReference(expected, w.smallPicture(1)->picture().image, QSize(125, 96));
        QCOMPARE(r->image(), expected);
        // Other regions untouched.
        QCOMPARE(QColor(w.region(2)->image().pixel(300, 100)), QColor(255, 192, 255));
    }

    void newPageRetilesRegionOneOnly()
    {
        Form31 w;
        QTest::mouseClick(test::child<QPushButton>(&w, "Command24"), Qt::LeftButton);
        const QImage region2 = w.region(2)->image();
        test::child<QAction>(&w, QStringLiteral("新建"))->trigger();
        QCOMPARE(w.page()->size(), QSize(703, 807));
        QCOMPARE(w.region(2)->image(), region2);
        QCOMPARE(w.region(1)->image().pixel(130, 100), w.smallPicture(1)->picture().image.pixel(5, 4));
    }

    void newPictureUsedAtNextTiling()
    {
        test::TempAppDir dir;
        const QString path = dir.file(QStringLiteral("p.bmp"));
        QVERIFY(saveBmp24File(path, test::patternImage(40, 30)));
        ScriptedDialogs dialogs;
        Form31 w;
        QTest::mouseClick(test::child<QPushButton>(&w, "Command24"), Qt::LeftButton);
        const QImage before = w.region(2)->image();
        dialogs.answerFile(path);
        QTest::mouseClick(w.smallPicture(2), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(dialogs.log().at(0).file.filter,
                 QStringLiteral("All Files (*.*)|*.*|JPG Files (*.jpg)|*.jpg|GIF Files (*.gif)|*.gif|"
                                "BMP Files (*.bmp)|*.bmp"));
        QCOMPARE(w.smallPicture(2)->size(), QSize(40, 30));
        QCOMPARE(w.region(2)->image(), before); // not tiled again yet
        QTest::mouseClick(test::child<QPushButton>(&w, "Command24"), Qt::LeftButton);
        QCOMPARE(w.region(2)->image().pixel(45, 35), test::patternImage(40, 30).pixel(5, 5));
        // The 打开 entry loads into small picture 1; a cancel changes nothing.
        dialogs.cancelFile();
        test::child<QAction>(&w, QStringLiteral("打开"))->trigger();
        QCOMPARE(w.smallPicture(1)->size(), QSize(125, 96));
        QCOMPARE(dialogs.unexpectedCount(), 0);
    }

    void backgroundColourErasesPageNotRegions()
    {
        ScriptedDialogs dialogs;
        Form31 w;
        QTest::mouseClick(test::child<QPushButton>(&w, "Command23"), Qt::LeftButton);
        const QImage tiles = w.region(1)->image();
        w.page()->image().setPixel(700, 1000, qRgb(1, 2, 3)); // a stamp
        dialogs.cancelColor();
        QTest::mouseClick(test::child<QPushButton>(&w, "Command28"), Qt::LeftButton);
        QCOMPARE(w.page()->image().pixel(700, 1000), qRgb(1, 2, 3));
        dialogs.answerColor(QColor(0, 0, 128));
        QTest::mouseClick(test::child<QPushButton>(&w, "Command28"), Qt::LeftButton);
        QCOMPARE(w.page()->image().pixel(700, 1000), qRgb(0, 0, 128));
        QCOMPARE(w.region(1)->image(), tiles);
    }

    void regionBorderDragEnlarges()
    {
        Form31 w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Canvas *r = w.region(2);
        QTest::mouseClick(test::child<QPushButton>(&w, "Command24"), Qt::LeftButton);
        const QPoint edge(r->width() - 2, r->height() / 2);
        const QPoint global = r->mapToGlobal(edge);
        QTest::mousePress(r, Qt::LeftButton, {}, edge);
        sendMove(r, global + QPoint(60, 0));
        QTest::mouseRelease(r, Qt::LeftButton, {}, r->mapFromGlobal(global + QPoint(60, 0)));
        QCOMPARE(r->size(), QSize(695, 165));
        // New area shows the background until tiled again.
        QCOMPARE(QColor(r->image().pixel(660, 50)), QColor(255, 192, 255));
        QCOMPARE(r->image().pixel(10, 10), w.smallPicture(2)->picture().image.pixel(10, 10));
        // A press inside the region neither resizes nor moves anything.
        QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(100, 50));
        QCOMPARE(r->geometry().topLeft(), QPoint(4, 310));
    }

    void pageDragsWithRegions()
    {
        Form31 w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Canvas *page = w.page();
        const QPoint inside(700, 1000); // on the page, outside the regions
        const QPoint global = page->mapToGlobal(inside);
        QTest::mousePress(page, Qt::LeftButton, {}, inside);
        sendMove(page, global + QPoint(30, -40));
        QTest::mouseRelease(page, Qt::LeftButton, {}, page->mapFromGlobal(global + QPoint(30, -40)));
        QCOMPARE(page->pos(), QPoint(30, -18));
        QCOMPARE(w.region(1)->pos(), QPoint(4, 4));
    }

    void saveShowsCropToolBesideThePage()
    {
        test::RecordingNavigator navigator;
        Form31 w;
        QTest::mouseClick(test::child<QPushButton>(&w, "Command22"), Qt::LeftButton);
        test::child<QAction>(&w, QStringLiteral("保存"))->trigger();
        // The button leaves the tool where it is; the menu asks for it 20 twips
        // right of the 745-pixel page. Neither gives it an owner.
        using Request = test::RecordingNavigator::Request;
        const QList<Request> expected = {{QStringLiteral("crop"), nullptr, -1}, {QStringLiteral("crop"), nullptr, 746}};
        QCOMPARE(navigator.requests(), expected);
    }

    void quitHidesAndKeepsState()
    {
        Form31 *w = showWindow<Form31>();
        QTest::mouseClick(test::child<QPushButton>(w, "Command25"), Qt::LeftButton);
        const QImage tiles = w->region(3)->image();
        test::child<QAction>(w, QStringLiteral("退出"))->trigger();
        QVERIFY(!w->isVisible());
        QCOMPARE(showWindow<Form31>(), w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->region(3)->image(), tiles);
        QPointer<Form31> guard(w);
        w->close();
        QTRY_VERIFY(guard.isNull());
    }
};

QTEST_MAIN(TestForm31)
#include "test_form31.moc"
