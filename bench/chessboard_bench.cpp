// Figures for the chessboard-style window with a full position file:
// reading it, opening it into the window with every foreground shown, a drag
// step among the foregrounds, and saving.
#include "chessboard/boardmodel.h"
#include "chessboard/frmchessboard.h"
#include "chessboard/positionfile.h"
#include "platform/appdir.h"
#include "platform/canvas.h"
#include "testsupport/scripteddialogs.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using namespace ptt;

namespace {

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    setAppDirOverride(dir.path());

    const int kPictures = 4;
    for (int k = 0; k < kPictures; ++k) {
        QImage image(64 + 8 * k, 48 + 8 * k, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(k * 80, 200, 220));
        image.save(AppDir() + QStringLiteral("p%1.jpg").arg(k), "JPG");
    }
    QImage back(1600, 1200, QImage::Format_RGB32);
    back.fill(QColor(40, 90, 160));
    back.save(AppDir() + QStringLiteral("back.bmp"), "BMP");

    const int n = BoardModel::kMaxForegrounds;
    QList<PositionRecord> records;
    records.reserve(n);
    for (int i = 0; i < n; ++i)
        records.append({QStringLiteral("p%1.jpg").arg(i % kPictures), float((i % 181) * 135),
                        float((i / 181) * 90 - 300), 960, 720});
    const QString posPath = AppDir() + QStringLiteral("wall.pos");

    QElapsedTimer t;
    t.start();
    const FileResult saved = PositionFile::Save(posPath, records);
    if (!saved) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(saved.error));
        return 1;
    }
    const double saveMs = ms(t);
    const qint64 bytes = QFile(posPath).size();

    t.restart();
    QList<PositionRecord> back2;
    PositionFile::Load(posPath, &back2);
    const double readMs = ms(t);

    ScriptedDialogs dialogs;
    frmChessBoard win;
    win.show();
    if (!QTest::qWaitForWindowExposed(&win))
        return 1;
    dialogs.answerFile(AppDir() + QStringLiteral("back.bmp"));
    win.model().LoadBackground();
    QCoreApplication::processEvents();

    dialogs.answerFile(posPath);
    t.restart();
    win.model().OpenDocument();
    const double openMs = ms(t);
    t.restart();
    win.repaint();
    QCoreApplication::processEvents();
    const double showMs = ms(t);

    // A drag among them: one foreground in the middle of the wall.
    QWindow *handle = win.windowHandle();
    const QRect fg = win.foregroundRect(n / 2);
    QPoint p = win.board()->mapTo(&win, fg.topLeft() + QPoint(5, 5));
    QTest::mousePress(handle, Qt::LeftButton, {}, p);
    const int steps = 200;
    t.restart();
    for (int s = 0; s < steps; ++s) {
        p += QPoint(s % 2 ? 1 : 2, 1);
        QTest::mouseMove(handle, p);
        win.repaint(); // the step is only done when it is on the screen
    }
    const double dragMs = ms(t) / steps;
    t.restart();
    QTest::mouseRelease(handle, Qt::LeftButton, {}, p);
    const double releaseMs = ms(t);

    dialogs.answerFile(AppDir() + QStringLiteral("out.pos"));
    t.restart();
    win.model().SaveDocument();
    const double saveDocMs = ms(t);

    std::printf("foregrounds:                 %d (%d distinct pictures)\n", win.model().ForegroundCount(), kPictures);
    std::printf("position file:               %lld bytes\n", bytes);
    std::printf("write file:                  %8.1f ms\n", saveMs);
    std::printf("read file (records only):    %8.1f ms\n", readMs);
    std::printf("OpenDocument into window:    %8.1f ms\n", openMs);
    std::printf("first full repaint:          %8.1f ms\n", showMs);
    std::printf("drag step (move + repaint):  %8.3f ms\n", dragMs);
    std::printf("drag release (record+frame): %8.3f ms\n", releaseMs);
    std::printf("SaveDocument:                %8.1f ms\n", saveDocMs);
    return win.model().ForegroundCount() == n && dialogs.unexpectedCount() == 0 ? 0 : 1;
}
