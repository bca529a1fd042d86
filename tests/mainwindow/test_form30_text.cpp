// The text tool on the real main window: the page's drag takes single clicks
// and drags, a double-click stamps.
#include "mainwindow/form30.h"
#include "platform/canvas.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"
#include "text/textstamp.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <memory>

using namespace ptt;

namespace {

int changedToColour(const QImage &now, const QImage &before, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += now.pixel(x, y) != before.pixel(x, y) && now.pixel(x, y) == colour.rgb() ? 1 : 0;
    return n;
}

} // namespace

class TestForm30Text : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        test::initFonts();
    }

    void init()
    {
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_window = std::make_unique<Form30>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_page = m_window->page();
    }
    void cleanup()
    {
        QCOMPARE(m_dialogs->unexpectedCount(), 0);
        m_window.reset();
        m_dialogs.reset();
    }

    void textToolIsWiredAtLoad()
    {
        TextStamp *tool = m_window->textStamp();
        QVERIFY(tool);
        QVERIFY(tool->TextFont().LogFont());
        QCOMPARE(*tool->TextFont().LogFont(), m_page->canvasFont());
        QCOMPARE(m_page->canvasFont().name, QStringLiteral("宋体"));
        QVERIFY(tool->TextFont().Handle() != 0);
        QCOMPARE(tool->TextFont().Rotation(), 0.0f);
        auto *combo = test::child<QComboBox>(m_window.get(), QStringLiteral("Combo1"));
        QCOMPARE(combo->currentText(), QStringLiteral("双击设置文字"));
        QCOMPARE(combo->count(), 12);
        QCOMPARE(test::child<QLabel>(m_window.get(), QStringLiteral("Label2"))->text(), QStringLiteral("文字角度"));
    }

    void singleClickStampsNothing()
    {
        const QImage before = m_page->image().copy();
        const QPoint place = m_page->pos();
        QTest::mouseClick(win(), Qt::LeftButton, {}, at(QPoint(300, 300)));
        QCOMPARE(m_page->image(), before);
        QCOMPARE(m_page->pos(), place);
        QTest::mouseClick(win(), Qt::RightButton, {}, at(QPoint(400, 300)));
        QCOMPARE(m_page->image(), before);
        QCOMPARE(m_page->pos(), place);
    }

    void dragMovesThePageAndStampsNothing()
    {
        const QImage before = m_page->image().copy();
        const QPoint place = m_page->pos();
        const QPoint start = at(QPoint(300, 300));
        QTest::mousePress(win(), Qt::LeftButton, {}, start);
        QTest::mouseMove(win(), start + QPoint(20, 10));
        QTest::mouseMove(win(), start + QPoint(50, 40));
        QCOMPARE(m_page->pos(), place + QPoint(50, 40));
        QTest::mouseRelease(win(), Qt::LeftButton, {}, start + QPoint(50, 40));
        QCOMPARE(m_page->pos(), place + QPoint(50, 40));
        QCOMPARE(m_page->image(), before);
    }

    void doubleClickStampsAtTheReleasePoint()
    {
        const QImage before = m_page->image().copy();
        const QPoint place = m_page->pos();
        const QPoint widgetPoint(300, 250);
        doubleClick(widgetPoint);
        QCOMPARE(m_page->pos(), place);
        const QPoint inner = widgetPoint - QPoint(m_page->borderWidth(), m_page->borderWidth());
        const QRect ink = test::changedBox(m_page->image(), before);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.left() >= inner.x() - 2 && ink.left() <= inner.x() + 6 && ink.top() >= inner.y() - 2 &&
                     ink.top() <= inner.y() + 10,
                 qPrintable(QStringLiteral("%1,%2").arg(ink.left()).arg(ink.top())));
        QVERIFY(ink.width() > 5 * ink.height()); // six characters in a row
        // Light green, as the page's drawing colour starts.
        QVERIFY(changedToColour(m_page->image(), before, ink, QColor(128, 255, 128)) > 20);

        QImage expected = before;
        drawStampText(expected, inner, QStringLiteral("双击设置文字"), m_window->textStamp()->TextFont().Handle(),
                      m_page->canvasFont(), QColor(128, 255, 128));
        QCOMPARE(m_page->image(), expected);
    }

    void doubleClickAfterDragStampsWhereTheSecondClickIsReleased()
    {
        const QPoint start = at(QPoint(300, 300));
        const QPoint place = m_page->pos();
        QTest::mousePress(win(), Qt::LeftButton, {}, start);
        QTest::mouseMove(win(), start + QPoint(-50, -40));
        QTest::mouseRelease(win(), Qt::LeftButton, {}, start + QPoint(-50, -40));
        QCOMPARE(m_page->pos(), place + QPoint(-50, -40));
        auto *combo = test::child<QComboBox>(m_window.get(), QStringLiteral("Combo1"));
        combo->setEditText(QStringLiteral("3：一看就会的排版利器"));
        const QImage before = m_page->image().copy();
        doubleClick(QPoint(500, 400));
        QImage expected = before;
        drawStampText(expected, QPoint(498, 398), QStringLiteral("3：一看就会的排版利器"),
                      m_window->textStamp()->TextFont().Handle(), m_page->canvasFont(), m_page->foreColor());
        QCOMPARE(m_page->image(), expected);
    }

    void widgetEventsOfADoubleClick()
    {
        // The order a widget receives a double-click in: press, release,
        // press, double-click, release. Only the last release is not the drag's.
        const QImage before = m_page->image().copy();
        const QPoint p(400, 200);
        QTest::mousePress(m_page, Qt::LeftButton, {}, p);
        QTest::mouseRelease(m_page, Qt::LeftButton, {}, p);
        QCOMPARE(m_page->image(), before);
        QTest::mousePress(m_page, Qt::LeftButton, {}, p);
        QTest::mouseDClick(m_page, Qt::LeftButton, {}, p);
        QCOMPARE(m_page->image(), before);
        QTest::mouseRelease(m_page, Qt::LeftButton, {}, p);
        const QRect ink = test::changedBox(m_page->image(), before);
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.left() >= 398 - 2 && ink.top() >= 198 - 2 && ink.left() <= 398 + 6 && ink.top() <= 198 + 10);
    }

    void cancelledDialogsChangeNothing()
    {
        const FontDesc font = m_page->canvasFont();
        const QColor colour = m_page->foreColor();
        m_dialogs->cancelFont();
        m_dialogs->cancelColor();
        QTest::mouseClick(test::child<QPushButton>(m_window.get(), QStringLiteral("Command12")), Qt::LeftButton);
        QTest::mouseClick(test::child<QPushButton>(m_window.get(), QStringLiteral("Command13")), Qt::LeftButton);
        QCOMPARE(m_dialogs->log().size(), 2);
        QCOMPARE(m_dialogs->log().at(0).kind, ScriptedDialogs::Kind::Font);
        QCOMPARE(m_dialogs->log().at(1).kind, ScriptedDialogs::Kind::Color);
        QCOMPARE(m_page->canvasFont(), font);
        QCOMPARE(m_page->foreColor(), colour);
    }

    void colourAndAngleReachTheStamp()
    {
        m_dialogs->answerColor(QColor(255, 255, 0));
        QTest::mouseClick(test::child<QPushButton>(m_window.get(), QStringLiteral("Command13")), Qt::LeftButton);
        QCOMPARE(m_page->foreColor(), QColor(255, 255, 0));
        auto *bar = test::child<QScrollBar>(m_window.get(), QStringLiteral("HScroll1"));
        bar->setValue(90);
        QCOMPARE(test::child<QLabel>(m_window.get(), QStringLiteral("Label2"))->text(),
                 QStringLiteral("&文字角度 (90)"));
        QCOMPARE(m_window->textStamp()->TextFont().Rotation(), 90.0f);
        const QImage before = m_page->image().copy();
        doubleClick(QPoint(200, 600));
        const QRect ink = test::changedBox(m_page->image(), before);
        QVERIFY(ink.height() > 4 * ink.width()); // reads upwards
        QVERIFY(ink.bottom() <= 598 + 2 && ink.left() >= 198 - 2);
        QVERIFY(changedToColour(m_page->image(), before, ink, QColor(255, 255, 0)) > 20);
    }

    void barDragUpdatesLabelAndTurnsAtRelease()
    {
        auto *bar = test::child<QScrollBar>(m_window.get(), QStringLiteral("HScroll1"));
        auto *label = test::child<QLabel>(m_window.get(), QStringLiteral("Label2"));
        bar->setSliderDown(true);
        bar->setSliderPosition(120);
        QCOMPARE(label->text(), QStringLiteral("&文字角度 (120)"));
        QCOMPARE(m_window->textStamp()->TextFont().Rotation(), 0.0f);
        bar->setSliderDown(false);
        QCOMPARE(m_window->textStamp()->TextFont().Rotation(), 120.0f);
        QCOMPARE(label->text(), QStringLiteral("&文字角度 (120)"));
    }

private:
    // Mouse input goes through the window, as the window system delivers it:
    // Qt itself turns the second press of a double-click into a double-click.
    QWindow *win() const { return m_window->windowHandle(); }
    QPoint at(const QPoint &pageWidgetPoint) const { return m_page->mapTo(m_window.get(), pageWidgetPoint); }
    void doubleClick(const QPoint &p) { QTest::mouseDClick(win(), Qt::LeftButton, {}, at(p)); }

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Form30> m_window;
    Canvas *m_page = nullptr;
};

QTEST_MAIN(TestForm30Text)
#include "test_form30_text.moc"
