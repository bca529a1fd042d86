// The real navigator: which window each request shows, with which owner, and
// that a window asking through it reaches the right one.
#include "chessboard/frmchessboard.h"
#include "freelayout/form31.h"
#include "mainwindow/form30.h"
#include "map/frmmap.h"
#include "platform/windows.h"
#include "shell/windowlauncher.h"
#include "testsupport/testsupport.h"
#include "testsupport/widgethelpers.h"
#include "tools/form20.h"
#include "tools/form40.h"

#include <QPushButton>
#include <QTest>

using namespace ptt;

class TestWindowLauncher : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        test::initFonts();
        Navigator::setInstance(&m_launcher);
    }
    void cleanupTestCase() { Navigator::setInstance(nullptr); }

    void cleanup()
    {
        delete loadedWindow<Form40>();
        delete loadedWindow<Form20>();
        delete loadedWindow<Form30>();
        delete loadedWindow<Form31>();
        delete loadedWindow<frmMap>();
        delete loadedWindow<frmChessBoard>();
    }

    void eachRequestShowsItsWindowOnce()
    {
        Navigator &nav = Navigator::instance();
        nav.showFreeLayout();
        nav.showMapWindow();
        nav.showChessBoard();
        nav.showMainWindow();
        QWidget *const shown[] = {loadedWindow<Form31>(), loadedWindow<frmMap>(), loadedWindow<frmChessBoard>(),
                                  loadedWindow<Form30>()};
        for (QWidget *w : shown) {
            QVERIFY(w);
            QVERIFY(w->isVisible());
            QCOMPARE(w->parentWidget(), nullptr);
        }
        // A second request brings the loaded window back, hidden or not.
        loadedWindow<Form30>()->hide();
        nav.showMainWindow();
        QCOMPARE(loadedWindow<Form30>(), shown[3]);
        QVERIFY(shown[3]->isVisible());
    }

    void toolsFollowTheirOwner()
    {
        Navigator &nav = Navigator::instance();
        nav.showMainWindow();
        Form30 *main = loadedWindow<Form30>();
        nav.showZoomViewer(main);
        QCOMPARE(loadedWindow<Form40>()->parentWidget(), main);
        QWidget *tool = nav.showCropCapture(main);
        QCOMPARE(tool, loadedWindow<Form20>());
        QCOMPARE(tool->parentWidget(), main);
        QCOMPARE(nav.showCropCapture(nullptr), tool);
        QCOMPARE(tool->parentWidget(), nullptr);
        QVERIFY(tool->isVisible());
    }

    void viewerReachesToolAndMainWindow()
    {
        Navigator &nav = Navigator::instance();
        nav.showMainWindow();
        Form30 *main = loadedWindow<Form30>();
        main->hide();
        nav.showZoomViewer(main);
        Form40 *viewer = loadedWindow<Form40>();
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QTest::mouseClick(test::child<QPushButton>(viewer, QStringLiteral("Command3")), Qt::LeftButton);
        QVERIFY(loadedWindow<Form20>());
        QVERIFY(loadedWindow<Form20>()->isVisible());
        QCOMPARE(loadedWindow<Form20>()->parentWidget(), nullptr);
        viewer->close();
        QVERIFY(main->isVisible());
    }

private:
    WindowLauncher m_launcher;
};

QTEST_MAIN(TestWindowLauncher)
#include "test_windowlauncher.moc"
