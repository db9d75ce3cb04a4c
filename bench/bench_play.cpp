// Play figures: the longest shuffle against the bare event handling it is made of, and one
// animation frame of the largest board with the transparent free slot.
//
// Run under a real X server for figures that include the window system:
//   DISPLAY=:1 build/release/bench/bench_play

#include "app/ProgramWindows.h"
#include "controls/Panel.h"
#include "logic/Settings.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "support/TestWindows.h"
#include "windows/startenfenster.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double bareEventHandling(int passes)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < passes; ++i)
        QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

double longestShuffle(TTiloraForm &window)
{
    QElapsedTimer timer;
    timer.start();
    Choose(window, "Spielmischen1");
    const double elapsed = timer.nsecsElapsed() / 1e6;
    if (window.game().shuffleStepCount() != 144000) {
        std::fprintf(stderr, "unexpected shuffle length %lld\n",
                     window.game().shuffleStepCount());
    }
    return elapsed;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTemporaryDir folder;
    auto windows = CreateProgramWindows(fileLocationsIn(folder.path()));
    TTiloraForm &window = *windows->main;
    window.hooks.movePointer = [](QPoint) {};
    Settings settings = window.game().settings();
    settings.pictureName = QStringLiteral("Motiv A");
    settings.gridSize = 12;
    settings.tileSize = 100;
    settings.transparent = true;
    settings.tileFrames = true;
    settings.showShuffle = false;
    settings.shuffleDuration = 4;
    window.game().setSettings(settings);
    window.move(0, 0);
    window.show();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

    // 1. "extrem lang" at 12 x 12: 144 000 line moves, each with one pass of event handling.
    //    Round by round, the two side by side: the ratio of each round is what counts on a
    //    shared machine.
    std::vector<double> bare;
    std::vector<double> shuffles;
    std::vector<double> ratios;
    for (int run = 0; run < 9; ++run) {
        bare.push_back(bareEventHandling(144000));
        ChooseGridSize(window, 12); // a new board
        shuffles.push_back(longestShuffle(window));
        ratios.push_back(shuffles.back() / bare.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("shuffle extrem lang 12x12: median %.0f ms   144000 bare processEvents(): median "
                "%.0f ms   ratio median %.2f (spread %.2f .. %.2f, reference 1.34, aim 1.25)\n",
                median(shuffles), median(bare), median(ratios), ratios.front(), ratios.back());

    // 2. One frame of a slide of eleven tiles on the 12 x 12 board of 100-pixel tiles, with
    //    the free slot cut out: tile positions, the new outline, and the repaint it causes.
    //    The game of the last shuffle goes on: its board is far from solved.
    window.game().setAnimationSpeed(1);
    std::vector<double> frames;
    const int last = window.game().puzzle().gridSize() - 1;
    for (int slide = 0; slide < 40; ++slide) {
        // A press at the far end of the free cell's row moves every tile of the row.
        const QPoint free = window.game().puzzle().freeCell();
        const TTiloraStein *far = TileAt(window, QPoint(free.x() == last ? 0 : last, free.y()));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5),
            far->PieceImage->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(far->PieceImage, &press);
        Child<QTimer>(window, "AnimTimer")->stop(); // the frames are driven here, one by one
        for (int frame = 1; frame <= AnimationFrames(1) + 1; ++frame) {
            QElapsedTimer timer;
            timer.start();
            QMetaObject::invokeMethod(&window, "AnimTimerTimer");
            QCoreApplication::processEvents();
            frames.push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    std::sort(frames.begin(), frames.end());
    std::printf("animation frame 12x12, 100 px, Transparenz: median %.3f ms, 90th percentile "
                "%.3f ms, max %.3f ms (target median < 3 ms)\n",
                median(frames), frames[frames.size() * 9 / 10], frames.back());
    Child<QTimer>(window, "SekundenZaehler")->stop();
    return 0;
}
