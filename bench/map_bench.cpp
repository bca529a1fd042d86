// Figures for the map-style window at its largest grid, 217 x 151 cells of
// 105 x 105 pixels (a 22785 x 15855 page): setting it up beside a memset of
// an image of that size, and one placement (double-click) with an empty grid
// and with every cell filled, beside a full Redraw.
#include "map/frmmap.h"
#include "platform/canvas.h"
#include "testsupport/scripteddialogs.h"
#include "testsupport/widgethelpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

using namespace ptt;

namespace {

// The machine is shared: besides wall time, the time this process ran (user
// and system, page faults included), which other load does not stretch.
class Clock {
public:
    void start()
    {
        m_wall.start();
        m_cpu = cpuNow();
    }
    double wallMs() const { return double(m_wall.nsecsElapsed()) / 1e6; }
    double cpuMs() const { return cpuNow() - m_cpu; }

private:
    static double cpuNow()
    {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    }
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

// Not inlined away: the buffer is freed unread otherwise.
void *(*volatile fillBytes)(void *, int, size_t) = std::memset;

struct Spread {
    double median, p99, max;
};

Spread spread(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 99 / 100], v.back()};
}

// Placements at seeded random cells with every picture in turn and the blank
// one; each timed (processor time) with its repaint of the window.
Spread place(frmMap &w, int count, quint32 seed)
{
    QRandomGenerator random(seed);
    std::vector<double> times;
    Clock t;
    const QSize client = w.grid().clientSize();
    for (int i = 0; i < count; ++i) {
        w.grid().SelPic = i % (MapGrid::kPictureCount + 1);
        const QPointF at(random.bounded(client.width()), random.bounded(client.height()));
        t.start();
        w.Place(at);
        QCoreApplication::processEvents();
        times.push_back(t.cpuMs());
    }
    return spread(times);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cols = 217, rows = 151, cell = 105;
    const size_t bytes = size_t(cols * cell) * size_t(rows * cell) * 4;

    // memset of the page's bytes, into memory fresh from the system and again
    // into the same memory.
    Clock t;
    t.start();
    char *buffer = static_cast<char *>(std::malloc(bytes));
    if (!buffer)
        return 1;
    fillBytes(buffer, 0x5a, bytes);
    const double memsetFresh = t.cpuMs(), memsetFreshWall = t.wallMs();
    t.start();
    fillBytes(buffer, 0xa5, bytes);
    const double memsetWarm = t.cpuMs(), memsetWarmWall = t.wallMs();
    const bool filled = buffer[bytes / 2] == char(0xa5);
    std::free(buffer);

    ScriptedDialogs dialogs;
    frmMap w;
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return 1;
    test::child<QLineEdit>(&w, QStringLiteral("Text1"))->setText(QString::number(cols));
    test::child<QLineEdit>(&w, QStringLiteral("Text2"))->setText(QString::number(rows));
    t.start();
    w.SetUpGrid();
    QCoreApplication::processEvents();
    const double setUpFresh = t.cpuMs(), setUpFreshWall = t.wallMs();
    if (w.grid().cellCount() != cols * rows || w.picBack()->innerSize() != QSize(cols * cell, rows * cell)) {
        std::fprintf(stderr, "the grid was not set up\n");
        return 1;
    }
    t.start();
    w.SetUpGrid();
    QCoreApplication::processEvents();
    const double setUpAgain = t.cpuMs(), setUpAgainWall = t.wallMs();

    const int count = 2000;
    const Spread empty = place(w, count, 1);
    t.start();
    w.Redraw();
    const double redrawEmpty = t.cpuMs();

    QRandomGenerator random(2);
    for (qint16 &c : w.grid().MapCells)
        c = qint16(1 + random.bounded(MapGrid::kPictureCount));
    t.start();
    w.Redraw();
    QCoreApplication::processEvents();
    const double redrawFull = t.cpuMs();
    const Spread full = place(w, count, 3);

    std::printf("grid:                         %d x %d cells of %d x %d px, %d x %d px, %.0f MB\n", cols, rows, cell,
                cell, cols * cell, rows * cell, double(bytes) / 1e6);
    std::printf("processor time (wall time in brackets):\n");
    std::printf("memset, fresh memory:         %8.1f ms (%.1f)\n", memsetFresh, memsetFreshWall);
    std::printf("memset, same memory again:    %8.1f ms (%.1f)\n", memsetWarm, memsetWarmWall);
    std::printf("SetUpGrid from 6 x 6:         %8.1f ms (%.1f), %.2f x fresh memset\n", setUpFresh, setUpFreshWall,
                setUpFresh / memsetFresh);
    std::printf("SetUpGrid at the same size:   %8.1f ms (%.1f), %.2f x memset again\n", setUpAgain, setUpAgainWall,
                setUpAgain / memsetWarm);
    std::printf("placement, empty grid:        median %.3f ms, 99%% %.3f ms, max %.3f ms (%d)\n", empty.median,
                empty.p99, empty.max, count);
    std::printf("placement, every cell filled: median %.3f ms, 99%% %.3f ms, max %.3f ms (%d)\n", full.median, full.p99,
                full.max, count);
    std::printf("full Redraw, empty grid:      %8.1f ms\n", redrawEmpty);
    std::printf("full Redraw, every cell:      %8.1f ms\n", redrawFull);
    return filled && dialogs.unexpectedCount() == 0 ? 0 : 1;
}
