// Fitting a window onto a screen's available area.
#include "platform/windows.h"

#include <QTest>

using namespace ptt;

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void fitOnScreen_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("placed");
        // Frame: 4 at the sides and bottom, a 24-pixel title bar.
        QTest::newRow("fits: centred") << QSize(1411, 866) << QRect(0, 0, 1600, 1000) << QRect(94, 77, 1411, 866);
        QTest::newRow("too wide for 1280") << QSize(1411, 866) << QRect(0, 0, 1280, 1024) << QRect(4, 89, 1272, 866);
        QTest::newRow("too high and wide") << QSize(1411, 866) << QRect(0, 0, 800, 600) << QRect(4, 24, 792, 572);
        QTest::newRow("second screen, panel on top")
            << QSize(1411, 866) << QRect(1280, 30, 1280, 994) << QRect(1284, 104, 1272, 866);
        QTest::newRow("exactly fits") << QSize(1272, 996) << QRect(0, 0, 1280, 1024) << QRect(4, 24, 1272, 996);
    }
    void fitOnScreen()
    {
        QFETCH(QSize, client);
        QFETCH(QRect, available);
        QFETCH(QRect, placed);
        const QMargins frame(4, 24, 4, 4);
        const QRect got = ptt::fitOnScreen(client, available, frame);
        QCOMPARE(got, placed);
        QVERIFY(available.contains(got.marginsAdded(frame)));
    }
};

QTEST_APPLESS_MAIN(TestWindows)
#include "test_windows.moc"
