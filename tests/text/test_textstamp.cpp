#include "pageops/tilepage.h"
#include "platform/canvas.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "text/textstamp.h"
#include "text/texttool.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <memory>

using namespace ptt;

namespace {

const QColor kBlank(200, 220, 240);

int countColour(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixel(x, y) == colour.rgb() ? 1 : 0;
    return n;
}

// A window's text tool without the window: the controls it is built from.
struct Rig {
    QWidget window;
    Canvas *canvas;
    QComboBox *combo;
    QPushButton *fontButton;
    QPushButton *colorButton;
    QScrollBar *bar;
    QLabel *label;
    CommonDialog dialog{&window};
    TextStamp *stamp;

    explicit Rig(bool withAngle = true)
    {
        window.resize(600, 600);
        canvas = new Canvas(&window);
        canvas->setBackColor(kBlank);
        canvas->setForeColor(Qt::black);
        canvas->setCanvasFont(test::songFont());
        canvas->setGeometry(0, 40, 500, 500);
        combo = new QComboBox(&window);
        combo->setEditable(true);
        combo->setGeometry(0, 0, 200, 30);
        combo->addItems({QStringLiteral("1：甲"), QStringLiteral("2：乙"), QStringLiteral("3：一看就会的排版利器")});
        combo->setEditText(QStringLiteral("双击设置文字"));
        fontButton = new QPushButton(QStringLiteral("字体"), &window);
        fontButton->setGeometry(200, 0, 60, 30);
        colorButton = new QPushButton(QStringLiteral("文字颜色"), &window);
        colorButton->setGeometry(260, 0, 60, 30);
        bar = withAngle ? new QScrollBar(Qt::Horizontal, &window) : nullptr;
        label = withAngle ? new QLabel(QStringLiteral("文字角度"), &window) : nullptr;
        if (bar) {
            bar->setRange(0, 360);
            bar->setSingleStep(1);
            bar->setPageStep(1);
            bar->setGeometry(320, 0, 150, 20);
            label->setGeometry(470, 0, 130, 20);
        }
        stamp = new TextStamp(canvas, combo, fontButton, colorButton, bar, label, dialog);
        window.show();
    }

    // Releases the button over the canvas at an inner pixel point.
    QImage stampAt(const QPoint &inner)
    {
        const QImage before = canvas->image().copy();
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, inner + QPoint(canvas->borderWidth(), canvas->borderWidth()));
        return before;
    }
};

} // namespace

class TestTextStamp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initFonts(); }
    void cleanup() { FontHandles::setFailBuilds(false); }

    void createsTheTurnedFontFromTheCanvasFont()
    {
        Rig rig;
        QVERIFY(rig.stamp->TextFont().LogFont());
        QCOMPARE(*rig.stamp->TextFont().LogFont(), test::songFont());
        QVERIFY(rig.stamp->TextFont().Handle() != 0);
        QCOMPARE(rig.label->text(), QStringLiteral("文字角度"));
    }

    void inkLiesInTheQuadrantOfTheAngle_data()
    {
        QTest::addColumn<int>("angle");
        QTest::newRow("0 runs right, below") << 0;
        QTest::newRow("90 reads upwards") << 90;
        QTest::newRow("180 upside down, running left") << 180;
        QTest::newRow("270 reads downwards") << 270;
    }
    void inkLiesInTheQuadrantOfTheAngle()
    {
        QFETCH(int, angle);
        Rig rig;
        rig.combo->setEditText(QStringLiteral("文字ABC甲乙"));
        rig.bar->setValue(angle);
        QCOMPARE(rig.stamp->TextFont().Rotation(), float(angle));
        const QPoint p(250, 250);
        const QImage before = rig.stampAt(p);
        const QRect ink = test::changedBox(rig.canvas->image(), before);
        QVERIFY(!ink.isEmpty());
        const int em = -makeLogFontRecord(test::songFont(), 0, screenDpiY()).lfHeight;
        const int slack = 2;
        // Long side along the run, short side at most about a line.
        const int along = (angle % 180 == 0) ? ink.width() : ink.height();
        const int across = (angle % 180 == 0) ? ink.height() : ink.width();
        QVERIFY2(along > 4 * em, qPrintable(QStringLiteral("run %1").arg(along)));
        QVERIFY2(across <= 3 * em / 2 + slack, qPrintable(QStringLiteral("line %1").arg(across)));
        switch (angle) {
        case 0:
            QVERIFY(ink.left() >= p.x() - slack && ink.top() >= p.y() - slack);
            QVERIFY(ink.left() <= p.x() + slack + em / 4 && ink.top() <= p.y() + em / 2);
            break;
        case 90:
            QVERIFY(ink.left() >= p.x() - slack && ink.bottom() <= p.y() + slack);
            QVERIFY(ink.left() <= p.x() + em / 2 && ink.bottom() >= p.y() - slack - em / 4);
            break;
        case 180:
            QVERIFY(ink.right() <= p.x() + slack && ink.bottom() <= p.y() + slack);
            QVERIFY(ink.right() >= p.x() - em / 4 - slack && ink.bottom() >= p.y() - em / 2);
            break;
        case 270:
            QVERIFY(ink.right() <= p.x() + slack && ink.top() >= p.y() - slack);
            QVERIFY(ink.right() >= p.x() - em / 2 && ink.top() <= p.y() + em / 4 + slack);
            break;
        }
        // Drawn in the drawing colour on a transparent background: the canvas
        // shows between the letters, no text box is filled.
        QVERIFY(countColour(rig.canvas->image(), ink, Qt::black) > 10);
        QVERIFY(countColour(rig.canvas->image(), ink, kBlank) > ink.width() * ink.height() / 4);
        QCOMPARE(countColour(rig.canvas->image(), ink, Qt::white), 0);
    }

    void failedBuildDrawsUnturnedInTheCanvasFont()
    {
        Rig rig;
        rig.combo->setEditText(QStringLiteral("文字ABC甲乙"));
        FontHandles::setFailBuilds(true);
        rig.bar->setValue(90);
        const QPoint p(100, 300);
        const QImage before = rig.stampAt(p);
        QCOMPARE(rig.stamp->TextFont().Handle(), 0);
        const QRect ink = test::changedBox(rig.canvas->image(), before);
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.width() > ink.height());
        QVERIFY(ink.left() >= p.x() - 2 && ink.top() >= p.y() - 2);

        // Same picture as a stamp at angle 0 with a real handle.
        FontHandles::setFailBuilds(false);
        Rig plain;
        plain.combo->setEditText(QStringLiteral("文字ABC甲乙"));
        plain.stampAt(p);
        QCOMPARE(rig.canvas->image(), plain.canvas->image());
    }

    void twipsCanvasStampsAtThePixelOfTheReleasePoint()
    {
        Rig rig;
        rig.canvas->setScaleMode(Canvas::ScaleMode::Twips);
        rig.combo->setEditText(QStringLiteral("A"));
        QPointF got;
        connect(rig.canvas, &Canvas::mouseReleased, [&](Qt::MouseButton, QPointF pos) { got = pos; });
        const QImage before = rig.stampAt(QPoint(100, 50));
        QCOMPARE(got, QPointF(1500, 750));
        const QRect ink = test::changedBox(rig.canvas->image(), before);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.left() >= 98 && ink.left() <= 110 && ink.top() >= 48 && ink.top() <= 60,
                 qPrintable(QStringLiteral("%1,%2").arg(ink.left()).arg(ink.top())));
    }

    void earlierStampsKeepFontAndColour()
    {
        ScriptedDialogs dialogs;
        Rig rig;
        rig.canvas->setForeColor(QColor(255, 0, 0));
        const QImage before = rig.stampAt(QPoint(20, 20));
        const QRect first = test::changedBox(rig.canvas->image(), before);
        const QImage firstInk = rig.canvas->image().copy(first);

        FontDesc hei;
        hei.name = QStringLiteral("黑体");
        hei.size = 24;
        hei.bold = false;
        hei.weight = 400;
        dialogs.answerFont(hei);
        dialogs.answerColor(QColor(0, 0, 255));
        QTest::mouseClick(rig.fontButton, Qt::LeftButton);
        QTest::mouseClick(rig.colorButton, Qt::LeftButton);
        QCOMPARE(dialogs.pending(), 0);
        QCOMPARE(dialogs.unexpectedCount(), 0);
        QCOMPARE(rig.canvas->canvasFont().name, QStringLiteral("黑体"));
        QCOMPARE(rig.canvas->foreColor(), QColor(0, 0, 255));

        const QImage mid = rig.stampAt(QPoint(20, 200));
        const QRect second = test::changedBox(rig.canvas->image(), mid);
        QVERIFY(!second.intersects(first));
        QCOMPARE(rig.canvas->image().copy(first), firstInk);
        QVERIFY(countColour(rig.canvas->image(), second, QColor(0, 0, 255)) > 10);
        QCOMPARE(countColour(rig.canvas->image(), second, QColor(255, 0, 0)), 0);
        // 24 pt is larger than 14.25 pt.
        QVERIFY(second.height() > first.height());
    }

    void fontButtonAppliesTheDialogFontKeepingTheCharset()
    {
        ScriptedDialogs dialogs;
        Rig rig;
        FontDesc chosen;
        chosen.name = QStringLiteral("楷体_GB2312");
        chosen.size = 12;
        chosen.bold = false;
        chosen.weight = 400;
        chosen.italic = true;
        chosen.underline = true;
        chosen.strikethrough = true;
        chosen.charset = 0;
        dialogs.answerFont(chosen);
        QTest::mouseClick(rig.fontButton, Qt::LeftButton);
        const FontDesc &f = rig.canvas->canvasFont();
        QCOMPARE(f.name, chosen.name);
        QCOMPARE(f.size, 12.0);
        QVERIFY(!f.bold);
        QCOMPARE(f.weight, 400);
        QVERIFY(f.italic && f.underline && f.strikethrough);
        QCOMPARE(f.charset, int(FontDesc::kCharsetGB2312));
        // The turned font follows at the next stamp, not before.
        QCOMPARE(rig.stamp->TextFont().LogFont()->name, QStringLiteral("宋体"));
        rig.stampAt(QPoint(10, 10));
        QCOMPARE(rig.stamp->TextFont().LogFont()->name, chosen.name);
    }

    void cancelledDialogsChangeNothing()
    {
        ScriptedDialogs dialogs;
        Rig rig;
        const FontDesc font = rig.canvas->canvasFont();
        const QColor colour = rig.canvas->foreColor();
        dialogs.cancelFont();
        dialogs.cancelColor();
        QTest::mouseClick(rig.fontButton, Qt::LeftButton);
        QTest::mouseClick(rig.colorButton, Qt::LeftButton);
        QCOMPARE(dialogs.log().size(), 2);
        QCOMPARE(dialogs.unexpectedCount(), 0);
        QCOMPARE(rig.canvas->canvasFont(), font);
        QCOMPARE(rig.canvas->foreColor(), colour);
    }

    void dialogOpensWithItsOwnLastValues()
    {
        // The font dialog is not preset from the canvas: the dialog object
        // keeps what was chosen last.
        ScriptedDialogs dialogs;
        Rig rig;
        FontDesc chosen = test::songFont();
        chosen.name = QStringLiteral("黑体");
        dialogs.answerFont(chosen);
        QTest::mouseClick(rig.fontButton, Qt::LeftButton);
        QCOMPARE(rig.dialog.font.name, QStringLiteral("黑体"));
        FontDesc other = rig.canvas->canvasFont();
        other.name = QStringLiteral("宋体");
        rig.canvas->setCanvasFont(other);
        dialogs.cancelFont();
        QTest::mouseClick(rig.fontButton, Qt::LeftButton);
        QCOMPARE(rig.dialog.font.name, QStringLiteral("黑体"));
        QCOMPARE(rig.canvas->canvasFont().name, QStringLiteral("宋体"));
    }

    void emptyTextStampsNothing()
    {
        Rig rig;
        rig.combo->setEditText(QString());
        const QImage before = rig.stampAt(QPoint(100, 100));
        QCOMPARE(rig.canvas->image(), before);
    }

    void choosingAListItemCopiesItIntoTheText()
    {
        Rig rig;
        rig.combo->showPopup();
        auto *view = rig.combo->view();
        QTRY_VERIFY(view->isVisible());
        const QRect item = view->visualRect(view->model()->index(2, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
        QCOMPARE(rig.combo->currentText(), QStringLiteral("3：一看就会的排版利器"));

        // The stamp is that text, at the release point, in the canvas font.
        const QPoint p(30, 100);
        QImage expected = rig.canvas->image().copy();
        rig.stampAt(p);
        drawStampText(expected, p, QStringLiteral("3：一看就会的排版利器"), rig.stamp->TextFont().Handle(),
                      rig.canvas->canvasFont(), Qt::black);
        QCOMPARE(rig.canvas->image(), expected);
        QImage other = rig.canvas->image().copy();
        other.fill(kBlank);
        drawStampText(other, p, QStringLiteral("双击设置文字"), rig.stamp->TextFont().Handle(),
                      rig.canvas->canvasFont(), Qt::black);
        QVERIFY(other != expected);
    }

    void tilingCoversStamps()
    {
        Rig rig;
        rig.stampAt(QPoint(40, 40));
        rig.stampAt(QPoint(300, 300));
        QImage tile(37, 23, QImage::Format_RGB32);
        tile.fill(QColor(10, 120, 30));
        TilePage(rig.canvas->image(), tile, tile.size());
        QImage plain(rig.canvas->image().size(), QImage::Format_RGB32);
        plain.fill(kBlank);
        TilePage(plain, tile, tile.size());
        QCOMPARE(rig.canvas->image(), plain);
    }

    void labelFollowsTheBar()
    {
        Rig rig;
        rig.bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(rig.label->text(), QStringLiteral("&文字角度 (1)"));
        QCOMPARE(rig.stamp->TextFont().Rotation(), 1.0f);
        rig.bar->setValue(45);
        QCOMPARE(rig.label->text(), QStringLiteral("&文字角度 (45)"));
        QCOMPARE(rig.stamp->TextFont().Rotation(), 45.0f);
        rig.bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(rig.label->text(), QStringLiteral("&文字角度 (360)"));
        QCOMPARE(rig.stamp->TextFont().Rotation(), 360.0f);
    }

    void draggingTheThumbTurnsTheFontOnlyAtRelease()
    {
        Rig rig;
        rig.bar->setValue(10);
        FontHandles::setRecording(true);
        FontHandles::clearEvents();
        QStyleOptionSlider opt;
        opt.initFrom(rig.bar);
        opt.orientation = Qt::Horizontal;
        opt.minimum = rig.bar->minimum();
        opt.maximum = rig.bar->maximum();
        opt.sliderPosition = rig.bar->sliderPosition();
        opt.sliderValue = rig.bar->value();
        opt.singleStep = rig.bar->singleStep();
        opt.pageStep = rig.bar->pageStep();
        const QRect thumb =
            rig.bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, rig.bar);
        QVERIFY(thumb.isValid());
        QTest::mousePress(rig.bar, Qt::LeftButton, {}, thumb.center());
        QVERIFY(rig.bar->isSliderDown());
        QTest::mouseMove(rig.bar, thumb.center() + QPoint(30, 0));
        QTest::mouseMove(rig.bar, thumb.center() + QPoint(60, 0));
        const int dragged = rig.bar->sliderPosition();
        QVERIFY(dragged > 10);
        QCOMPARE(rig.label->text(), TextStamp::angleCaption(dragged));
        QCOMPARE(rig.stamp->TextFont().Rotation(), 10.0f);
        QVERIFY(FontHandles::events().empty());
        QTest::mouseRelease(rig.bar, Qt::LeftButton, {}, thumb.center() + QPoint(60, 0));
        QCOMPARE(rig.bar->value(), dragged);
        QCOMPARE(rig.stamp->TextFont().Rotation(), float(dragged));
        QCOMPARE(rig.label->text(), TextStamp::angleCaption(dragged));
        // One release of the old handle, one build of the new.
        QCOMPARE(FontHandles::events().size(), size_t(2));
        FontHandles::setRecording(false);
    }

    void labelShowsTheAccessKeyUnderlined()
    {
        Rig rig;
        rig.bar->setValue(45);
        QLabel plain(QStringLiteral("文字角度 (45)"));
        plain.setFont(rig.label->font());
        plain.resize(rig.label->size());
        QImage withKey(rig.label->size(), QImage::Format_RGB32);
        QImage without(rig.label->size(), QImage::Format_RGB32);
        rig.label->render(&withKey);
        plain.render(&without);
        const QRect diff = test::changedBox(withKey, without);
        // Only a line under the first character differs: no "&" is drawn.
        QVERIFY(!diff.isEmpty());
        const QFontMetrics fm(rig.label->font());
        const int textTop = (rig.label->height() - fm.height()) / 2;
        QVERIFY2(diff.right() <= fm.horizontalAdvance(QStringLiteral("文")) + 1,
                 qPrintable(QStringLiteral("right %1").arg(diff.right())));
        QVERIFY2(diff.top() >= textTop + fm.ascent() - 1, qPrintable(QStringLiteral("top %1").arg(diff.top())));
        QVERIFY(diff.height() <= 3);
    }

    void windowWithoutAngleBarStampsHorizontally()
    {
        Rig rig(false);
        rig.combo->setEditText(QStringLiteral("文字ABC甲乙"));
        const QImage before = rig.stampAt(QPoint(50, 50));
        const QRect ink = test::changedBox(rig.canvas->image(), before);
        QVERIFY(ink.width() > 3 * ink.height());
        QCOMPARE(rig.stamp->TextFont().Rotation(), 0.0f);
    }

    void boardStyleWindowInTwips()
    {
        // A twips canvas with its own list, font and colour.
        Rig rig;
        rig.canvas->setScaleMode(Canvas::ScaleMode::Twips);
        FontDesc kai;
        kai.name = QStringLiteral("楷体_GB2312");
        kai.size = 15;
        kai.bold = true;
        kai.weight = 700;
        kai.charset = FontDesc::kCharsetGB2312;
        rig.canvas->setCanvasFont(kai);
        rig.canvas->setForeColor(QColor(215, 21, 123));
        rig.combo->clear();
        for (char c = 'A'; c <= 'Q'; ++c)
            rig.combo->addItem(QString(QLatin1Char(c)));
        rig.combo->setCurrentIndex(rig.combo->count() - 1);
        QCOMPARE(rig.combo->currentText(), QStringLiteral("Q"));
        const QImage before = rig.stampAt(QPoint(200, 100));
        QCOMPARE(rig.stamp->TextFont().LogFont()->name, kai.name);
        QCOMPARE(FontHandles::find(rig.stamp->TextFont().Handle())->font.pixelSize(),
                 -makeLogFontRecord(kai, 0, screenDpiY()).lfHeight);
        const QRect ink = test::changedBox(rig.canvas->image(), before);
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.left() >= 198 && ink.top() >= 98 && ink.left() <= 206 && ink.top() <= 110);
        // One letter: about as wide as a character.
        QVERIFY(ink.width() <= 20);
        QVERIFY(countColour(rig.canvas->image(), ink, QColor(215, 21, 123)) > 5);
    }

    void freeLayoutStyleWindowWithoutAngle()
    {
        Rig rig(false);
        FontDesc hei;
        hei.name = QStringLiteral("黑体");
        hei.size = 10.5;
        hei.bold = true;
        hei.weight = 700;
        hei.charset = FontDesc::kCharsetGB2312;
        rig.canvas->setScaleMode(Canvas::ScaleMode::Twips);
        rig.canvas->setCanvasFont(hei);
        rig.canvas->setForeColor(QColor(173, 22, 86));
        rig.combo->clear();
        rig.combo->setEditText(QStringLiteral("双击设置文字"));
        const QImage before = rig.stampAt(QPoint(40, 300));
        const QRect ink = test::changedBox(rig.canvas->image(), before);
        QVERIFY(ink.width() > 5 * ink.height());
        QVERIFY(ink.height() <= 16); // 10.5 pt is 14 pixels at 96 dpi
        QVERIFY(countColour(rig.canvas->image(), ink, QColor(173, 22, 86)) > 5);
    }

    // A window's strip gets the controls at their twips, in Tab order; a click
    // on a button leaves the focus in the text box.
    void toolbarControls_data()
    {
        QTest::addColumn<bool>("withAngle");
        QTest::newRow("angle bar and label") << true;
        QTest::newRow("horizontal stamps only") << false;
    }
    void toolbarControls()
    {
        QFETCH(bool, withAngle);
        QWidget strip;
        strip.resize(1000, 21);
        TextToolLayout layout;
        layout.text = QRectF(9510, 0, 1395, 300);
        if (withAngle) {
            layout.angleBar = QRectF(10890, 0, 855, 315);
            layout.angleLabel = QRectF(11730, 60, 1365, 255);
            layout.angleLabelName = "Label2";
        }
        layout.fontButtonName = "Command12";
        layout.colorButtonName = "Command13";
        layout.fontButtonLeft = 13080;
        layout.colorButtonLeft = 13950;
        layout.buttonWidth = 885;
        const TextToolControls c = buildTextTool(&strip, layout);
        showStampPrompt(c.text);

        QCOMPARE(c.text->objectName(), QStringLiteral("Combo1"));
        QCOMPARE(c.text->geometry(), QRect(634, 0, 93, 20));
        QCOMPARE(c.text->currentText(), QStringLiteral("双击设置文字"));
        QCOMPARE(c.fontButton->objectName(), QStringLiteral("Command12"));
        QCOMPARE(c.fontButton->text(), QStringLiteral("字体"));
        QCOMPARE(c.fontButton->geometry(), QRect(872, 0, 59, 21));
        QCOMPARE(c.colorButton->objectName(), QStringLiteral("Command13"));
        QCOMPARE(c.colorButton->text(), QStringLiteral("文字颜色"));
        QCOMPARE(c.colorButton->geometry(), QRect(930, 0, 59, 21));
        QList<QWidget *> order{c.text, c.fontButton, c.colorButton};
        QCOMPARE(c.angleBar != nullptr, withAngle);
        QCOMPARE(c.angleLabel != nullptr, withAngle);
        if (withAngle) {
            QCOMPARE(c.angleBar->objectName(), QStringLiteral("HScroll1"));
            QCOMPARE(c.angleBar->geometry(), QRect(726, 0, 57, 21));
            QCOMPARE(c.angleBar->maximum(), 360);
            QCOMPARE(c.angleLabel->objectName(), QStringLiteral("Label2"));
            QCOMPARE(c.angleLabel->text(), QStringLiteral("文字角度"));
            QCOMPARE(c.angleLabel->geometry(), QRect(782, 4, 91, 17));
            QVERIFY(!c.angleLabel->autoFillBackground()); // the strip shows through
            order = {c.text, c.angleBar, c.angleLabel, c.fontButton, c.colorButton};
        }
        QList<QWidget *> chain;
        for (QWidget *w = strip.nextInFocusChain(); w != &strip; w = w->nextInFocusChain())
            if (w->parentWidget() == &strip)
                chain.append(w);
        QCOMPARE(chain, order);

        strip.show();
        QVERIFY(QTest::qWaitForWindowActive(&strip));
        c.text->setFocus();
        QTest::mouseClick(c.colorButton, Qt::LeftButton);
        QVERIFY(c.text->hasFocus());
    }

    void toolEndsWithItsCanvas()
    {
        const int live = FontHandles::liveCount();
        {
            Rig rig;
            QCOMPARE(FontHandles::liveCount(), live + 1);
        }
        QCOMPARE(FontHandles::liveCount(), live);
    }
};

QTEST_MAIN(TestTextStamp)
#include "test_textstamp.moc"
