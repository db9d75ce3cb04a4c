#include "app/ProgramWindows.h"
#include "controls/Panel.h"
#include "main/BoardLogic.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "region/RegionExpression.h"
#include "windows/Unit2.h"
#include "windows/meldungsfenster.h"
#include "windows/startenfenster.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <set>

namespace {

// Runs a step every time events are handled, also inside the event handling that a shuffle,
// a waiting press or the end of a game does in the middle of its work.
std::unique_ptr<QTimer> watch(std::function<void()> step)
{
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(0);
    QObject::connect(timer.get(), &QTimer::timeout, std::move(step));
    timer->start();
    return timer;
}

// Commands that can arrive while other work is under way.
enum Command { None, GridSize6, Pause, ShuffleMenu, ShuffleLength, BoardPress, Close };

// How far the tiles of a "langsam" slide of 50-pixel tiles are from their cells, frames 1..8.
constexpr int SlowOffsets[] = {43, 37, 31, 25, 18, 12, 6, 0};
constexpr int NoTicks = 24 * 3600 * 1000;

} // namespace

// Says which rule of the board is broken, if any.
#define VERIFY_BOARD() QVERIFY2(boardFault().isEmpty(), qPrintable(boardFault()))

// Real games on the main window: shuffles, presses, the slide, the end of a game, the clock,
// pause, cheat view, display options, the magnifier, and commands that arrive mid-work.
class TestPlay : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fixedShuffles_data();
    void fixedShuffles();
    void selfDeterminedShuffle();
    void commandsDuringAShuffle_data();
    void commandsDuringAShuffle();

    void presses_data();
    void presses();
    void slide();
    void pressDuringASlide_data();
    void pressDuringASlide();
    void shuffleDuringASlideKeepsTheBoardHidden();

    void completion_data();
    void completion();
    void pauseAndResume_data();
    void pauseAndResume();
    void magnifierPlacement_data();
    void magnifierPlacement();

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    QPoint freeCell() const { return QPoint(main()->FreeCol, main()->FreeRow); }
    // Shows the window and, if asked, starts a game on the board as it stands, the way the
    // end of a shuffle does.
    void show(bool game = false, bool numberMode = false);
    void run(Command command);
    QWidget *control(QPoint cell) const;
    void click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint());
    void press(QPoint cell) { click(control(cell)); }
    QString boardFault() const;
    QString plainOutline() const { return PlainOutline(main()->width(), main()->height()); }
    QString hiddenOutline() const { return HiddenBoardOutline(main()->width(), main()->height()); }
    QString boardOutline(QPoint free) const
    {
        return BoardRegionOutline(main()->width(), main()->height(), true, free, 50, 50);
    }

    std::unique_ptr<ProgramWindows> m_windows;
    QTemporaryDir m_folder;
    std::unique_ptr<QTemporaryDir> m_settings;
    QStringList m_results;
    QList<QRect> m_grabbed;
};

void TestPlay::init()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_results.clear();
    m_grabbed.clear();
    // Each test starts from the default settings and writes its own file.
    m_settings = std::make_unique<QTemporaryDir>();
    TTiloraForm::setSettingsFolder(m_settings->path());
    m_windows = CreateProgramWindows();
    TTiloraForm *window = main();
    window->movePointer = [](QPoint) {};
    window->PictureName = m_folder.filePath(QStringLiteral("nicht-da.jpg"));
    window->Transparenz1->setChecked(true);
    window->Steineumrahmen1->setChecked(true);
    window->SetAnimationSpeed(0);
    window->addResult = [this](const QString &time) { m_results.append(time); };
    window->grabScreen = [this](const QRect &rect) {
        m_grabbed.append(rect);
        return QImage();
    };
    window->seedRandom(20240607);
    // The clock runs but never ticks by itself; tests tick it.
    window->SekundenZaehler->setInterval(NoTicks);
}

void TestPlay::cleanup()
{
    m_windows.reset();
    TTiloraForm::setSettingsFolder(QString());
}

void TestPlay::show(bool game, bool numberMode)
{
    main()->show();
    QVERIFY(QTest::qWaitForWindowExposed(main()));
    if (numberMode)
        main()->Text1Click();
    if (game) {
        main()->Panel4->hide();
        main()->ClockSeconds = 0;
        main()->SekundenZaehler->start();
    }
}

void TestPlay::run(Command command)
{
    TTiloraForm *window = main();
    switch (command) {
    case None:
        return;
    case GridSize6:
        return window->N201Click(window->GridSizeItems[6 - MinGridSize]);
    case Pause:
        return window->Pause1Click();
    case ShuffleMenu:
        return window->Spielstarten1Click();
    case ShuffleLength:
        return window->selbst1Click(window->mittel1);
    case Close:
        window->close();
        return;
    case BoardPress:
        // A tile in line with the free slot, by where it shows.
        for (QObject *child : window->Brett->children()) {
            auto *tile = qobject_cast<TTiloraStein *>(child);
            const QPoint cell = tile ? window->cellOfTile(tile) : QPoint(-1, -1);
            if (tile && tile->isVisible()
                && (cell.x() == window->FreeCol) != (cell.y() == window->FreeRow))
                return click(tile->PieceImage);
        }
        QFAIL("no tile in line with the free slot");
    }
}

QWidget *TestPlay::control(QPoint cell) const
{
    TTiloraStein *tile = main()->TileGrid[cell.x()][cell.y()];
    return main()->PictureMode ? static_cast<QWidget *>(tile->PieceImage) : tile->NumberLabel;
}

void TestPlay::click(QWidget *widget, Qt::MouseButton button, QPoint at)
{
    // The press may rebuild the board; the release goes only to a control that still exists.
    const QPointer<QWidget> alive(widget);
    QTest::mousePress(widget, button, {}, at);
    if (alive)
        QTest::mouseRelease(alive, button, {}, at);
}

QString TestPlay::boardFault() const
{
    const TTiloraForm *window = main();
    const int n = window->GridSize;
    std::set<const TTiloraStein *> tiles;
    std::vector<int> homeOfCell;
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            const TTiloraStein *tile = window->TileGrid[c][r];
            if (!tile || !tiles.insert(tile).second
                || tile->pos() != QPoint(c * window->TileWidth, r * window->TileHeight)
                || tile->isHidden() != (c == window->FreeCol && r == window->FreeRow))
                return QStringLiteral("cell (%1, %2) wrong").arg(c).arg(r);
            homeOfCell.push_back(tile->HomeRow * n + tile->HomeCol);
        }
    }
    const TTiloraStein *hidden = window->TileGrid[window->FreeCol][window->FreeRow];
    if (std::set<int>(homeOfCell.begin(), homeOfCell.end()).size() != size_t(n * n)
        || hidden->HomeCol != n - 1 || hidden->HomeRow != n - 1 || !hidden->PieceImage->isHidden())
        return QStringLiteral("homes or hidden tile wrong");
    // Every slide exchanges the hidden tile with a neighbour, so the parity of the
    // arrangement follows the free slot's distance from its home.
    int exchanges = 0;
    std::vector<bool> seen(n * n);
    for (int start = 0; start < n * n; ++start) {
        for (int i = start; !seen[i]; i = homeOfCell[i]) {
            seen[i] = true;
            exchanges += i != start;
        }
    }
    const int distance = (n - 1 - window->FreeCol) + (n - 1 - window->FreeRow);
    return exchanges % 2 != distance % 2 ? QStringLiteral("cannot be solved") : QString();
}

void TestPlay::fixedShuffles_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("lines");
    QTest::newRow("kurz 4x4") << 4 << 1 << 16;
    QTest::newRow("extrem lang 5x5") << 5 << 4 << 25000;
}

void TestPlay::fixedShuffles()
{
    QFETCH(int, size);
    QFETCH(int, duration);
    QFETCH(int, lines);
    show();
    if (size != main()->GridSize)
        main()->N201Click(main()->GridSizeItems[size - MinGridSize]);
    main()->SetShuffleDuration(duration);
    QSignalSpy started(main(), &TTiloraForm::gameStarted);

    TForm3 *start = m_windows->start.get();
    int passes = 0;
    QStringList faults;
    auto watcher = watch([&] {
        // Between the lines of the shuffle, not its last pass of event handling.
        if (main()->ShuffleStepCount >= lines)
            return;
        ++passes;
        if (main()->zeit->text() != QLatin1String("00:00:00") || main()->isClockRunning())
            faults << QStringLiteral("clock ") + main()->zeit->text();
        if (!start->isVisible())
            faults << QStringLiteral("start window");
        if (main()->outline() != hiddenOutline())
            faults << QStringLiteral("outline ") + main()->outline();
        faults.removeDuplicates();
    });
    main()->Spielstarten1Click();
    watcher.reset();

    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    QCOMPARE(passes, lines);
    QCOMPARE(main()->ShuffleStepCount, lines);
    QCOMPARE(started.count(), 1);
    QVERIFY(!start->isVisible() && !main()->Panel4->isVisible() && main()->isClockRunning());
    VERIFY_BOARD();
    QCOMPARE(main()->outline(), boardOutline(freeCell()));
    main()->SekundenZaehlerTimer();
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:01"));
}

// "selbst bestimmen" shuffles until the start window is dismissed; the clock shows the count
// of lines at every 10000th.
void TestPlay::selfDeterminedShuffle()
{
    show();
    TForm3 *start = m_windows->start.get();
    QStringList texts;
    auto watcher = watch([&] {
        if (!main()->isShuffling() || !start->isVisible())
            return;
        const int count = main()->ShuffleStepCount;
        texts << main()->zeit->text();
        if (count >= 10000)
            click(start->Panel1);
    });
    main()->selbst1Click(main()->selbst1);
    watcher.reset();

    texts.removeDuplicates();
    QCOMPARE(texts, QStringList({"00:00:00", "10000"}));
    QCOMPARE(main()->ShuffleDuration, 0);
    QCOMPARE(main()->ShuffleStepCount, 10001);
    QVERIFY(!start->isVisible() && main()->isClockRunning());
    main()->SekundenZaehlerTimer();
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:01"));
    VERIFY_BOARD();
}

void TestPlay::commandsDuringAShuffle_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("nextLines");
    // Requests for a new shuffle are ignored; a new length counts from the next game.
    QTest::newRow("Spiel mischen") << int(ShuffleMenu) << 25 << 25;
    QTest::newRow("Mischdauer mittel") << int(ShuffleLength) << 25 << 250;
    QTest::newRow("press on the board") << int(BoardPress) << 25 << 25;
    QTest::newRow("pause") << int(Pause) << 25 << 25;
    // A new board ends the shuffle at once and waits for the next.
    QTest::newRow("grid size 6x6") << int(GridSize6) << 3 << 36;
    QTest::newRow("closing the window") << int(Close) << 3 << 3;
}

void TestPlay::commandsDuringAShuffle()
{
    QFETCH(int, command);
    QFETCH(int, lines);
    QFETCH(int, nextLines);
    const bool gameStarts = lines == 25;
    show();
    main()->SetShuffleDuration(1);
    main()->MoveSourceCol = -7;
    QSignalSpy started(main(), &TTiloraForm::gameStarted);
    TForm3 *start = m_windows->start.get();
    bool done = false;
    auto watcher = watch([&] {
        if (done || main()->ShuffleStepCount != 3)
            return;
        done = true;
        // Dismissing the start window does not shorten a fixed-length shuffle.
        click(start->Panel1);
        run(Command(command));
    });
    main()->Spielstarten1Click();
    watcher.reset();

    QVERIFY(done);
    QCOMPARE(main()->ShuffleStepCount, lines);
    QCOMPARE(started.count(), gameStarts ? 1 : 0);
    QCOMPARE(main()->isClockRunning(), gameStarts);
    QCOMPARE(main()->MoveSourceCol, -7);
    QVERIFY(!main()->isShuffling() && !start->isVisible() && !main()->Pause1->isChecked());
    if (command != Close) {
        VERIFY_BOARD();
        QCOMPARE(main()->Panel4->isVisible(), !gameStarts);
        QCOMPARE(main()->isSolved(), !gameStarts);
    }
    main()->Spielstarten1Click();
    QCOMPARE(main()->ShuffleStepCount, nextLines);
}

void TestPlay::presses_data()
{
    QTest::addColumn<bool>("numberMode");
    QTest::addColumn<QPoint>("pressed");
    QTest::addColumn<bool>("moves");
    QTest::newRow("far end of the row") << false << QPoint(0, 4) << true;
    QTest::newRow("number mode, column") << true << QPoint(4, 2) << true;
    QTest::newRow("out of line") << false << QPoint(2, 2) << false;
    QTest::newRow("the hidden tile") << false << QPoint(4, 4) << false;
}

void TestPlay::presses()
{
    QFETCH(bool, numberMode);
    QFETCH(QPoint, pressed);
    QFETCH(bool, moves);
    show(true, numberMode);
    // The board is solved: a completion test after a press that moves nothing would end it.
    QSignalSpy solved(main(), &TTiloraForm::gameSolved);
    press(pressed);

    QVERIFY(!main()->AnimTimer->isActive() && main()->isClockRunning());
    QCOMPARE(solved.count(), 0);
    const QPoint free = moves ? pressed : QPoint(4, 4);
    QCOMPARE(freeCell(), free);
    // The segment from the pressed cell to the old free slot moved one cell towards it.
    const QPoint step(free.x() < 4, free.y() < 4);
    for (int c = 0; c < 5; ++c) {
        for (int r = 0; r < 5; ++r) {
            const QPoint cell(c, r);
            const bool inSegment
                = moves && ((c == free.x() && r > free.y()) || (r == free.y() && c > free.x()));
            const QPoint home = cell == free ? QPoint(4, 4) : (inSegment ? cell - step : cell);
            TTiloraStein *tile = main()->TileGrid[c][r];
            QCOMPARE(QPoint(tile->HomeCol, tile->HomeRow), home);
        }
    }
    VERIFY_BOARD();
    QCOMPARE(main()->outline(), boardOutline(free));
}

// Two tiles slide left, eight frames of "langsam".
void TestPlay::slide()
{
    const QPoint before(0, 4);
    const QPoint pressed(2, 4);
    show(true);
    press(before);
    main()->schnell1Click(main()->langsam1);
    QSignalSpy solved(main(), &TTiloraForm::gameSolved);

    press(pressed);
    QVERIFY(main()->AnimTimer->isActive());
    main()->AnimTimer->stop();
    QCOMPARE(freeCell(), pressed);
    // Before the first tick every visible tile still shows where it stood; from a solved
    // board that is its home, yet with the free slot away from its home nothing is solved.
    QVERIFY(!main()->isSolved());
    QCOMPARE(solved.count(), 0);
    for (int frame = 1; frame <= 8; ++frame) {
        main()->AnimTimerTimer();
        const int offset = SlowOffsets[frame - 1];
        for (QPoint cell = before; cell != pressed; cell += QPoint(1, 0))
            QCOMPARE(main()->TileGrid[cell.x()][cell.y()]->pos(), cell * 50 + QPoint(offset, 0));
        const SlideFrame slide {before, pressed, frame, 8, 50, 50};
        QCOMPARE(main()->outline(), AnimatedOutline(main()->width(), main()->height(), slide));
    }
    const QString lastFrame = main()->outline();
    main()->AnimTimerTimer();
    QVERIFY(!main()->AnimTimer->isActive());
    QCOMPARE(main()->outline(), lastFrame);
    VERIFY_BOARD();
}

void TestPlay::pressDuringASlide_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("waits for the running slide") << int(None);
    QTest::newRow("dropped by a new board") << int(GridSize6);
}

void TestPlay::pressDuringASlide()
{
    QFETCH(int, command);
    show(true);
    main()->schnell1Click(main()->langsam1);
    press({3, 4});
    QVERIFY(main()->AnimTimer->isActive());
    TTiloraStein *slid = main()->TileGrid[4][4];
    bool done = false;
    bool waited = false;
    bool movedEarly = false;
    auto watcher = watch([&] {
        waited = waited || main()->AnimTimer->isActive();
        movedEarly = movedEarly || freeCell() != QPoint(3, 4);
        if (!std::exchange(done, true))
            run(Command(command));
    });
    press({2, 4});
    watcher.reset();

    QVERIFY(done);
    if (command == None) {
        // The second press waited until the first slide had finished.
        QVERIFY(waited && !movedEarly);
        QCOMPARE(slid->pos(), QPoint(200, 200));
        QCOMPARE(QPoint(main()->MoveSourceCol, main()->MoveSourceRow), QPoint(3, 4));
        QCOMPARE(main()->FreeCol, 2);
        QTRY_VERIFY(!main()->AnimTimer->isActive());
    } else {
        QVERIFY(main()->isSolved() && main()->Panel4->isVisible());
        QVERIFY(!main()->isClockRunning() && !main()->AnimTimer->isActive());
    }
    VERIFY_BOARD();
}

// A shuffle brings a running slide to rest first: its ticks between the lines of the shuffle
// must not open the hidden board.
void TestPlay::shuffleDuringASlideKeepsTheBoardHidden()
{
    show(true);
    main()->schnell1Click(main()->langsam1);
    main()->SetShuffleDuration(2);
    press({3, 4});
    main()->AnimTimer->setInterval(NoTicks);
    QStringList outlines;
    auto watcher = watch([&] {
        if (main()->isShuffling() && main()->ShuffleStepCount < 250) {
            if (main()->AnimTimer->isActive())
                main()->AnimTimerTimer();
            outlines.append(main()->outline());
        }
    });
    main()->Spielstarten1Click();
    watcher.reset();
    outlines.removeDuplicates();
    QCOMPARE(outlines, QStringList {hiddenOutline()});
    QVERIFY(!main()->AnimTimer->isActive());
    VERIFY_BOARD();
}

void TestPlay::completion_data()
{
    QTest::addColumn<bool>("numberMode");
    QTest::addColumn<bool>("markAtStart");
    QTest::addColumn<int>("toggles");
    QTest::newRow("honest") << false << false << 0;
    QTest::newRow("cheat view on and off") << false << false << 2;
    QTest::newRow("number mode, started with the mark on") << true << true << 0;
}

void TestPlay::completion()
{
    QFETCH(bool, numberMode);
    QFETCH(bool, markAtStart);
    QFETCH(int, toggles);
    const bool honest = !markAtStart && toggles == 0;
    show(false, numberMode);
    if (markAtStart)
        main()->Schummeln1Click();
    // A short shuffle whose free slot is followed line by line.
    QList<QPoint> path;
    main()->SetShuffleDuration(1);
    auto follower = watch([&] {
        if (main()->isShuffling() && path.size() == main()->ShuffleStepCount)
            path.append(freeCell());
    });
    main()->Spielstarten1Click();
    follower.reset();
    QCOMPARE(path.size(), 26);
    QVERIFY(!main()->isSolved());
    for (int i = 0; i < toggles; ++i)
        main()->Schummeln1Click();
    for (int i = 0; i < 75; ++i)
        main()->SekundenZaehlerTimer();

    // The lines of the shuffle undone by presses, the last one solving the board. The
    // message is read and closed whenever it shows; while it shows nothing starts or moves.
    int shown = 0;
    QString message;
    auto closer = watch([&] {
        TMeldung *window = m_windows->message.get();
        if (!window->isVisible())
            return;
        main()->Spielstarten1Click();
        main()->Panel4Click();
        press({3, 4});
        message = QStringList {window->Label4->text(), window->Label3->text(),
            QString::number(main()->ShuffleStepCount), QString::number(main()->isClockRunning()),
            QString::number(main()->isShuffling())}
                      .join(u'|');
        ++shown;
        click(window->Panel1);
    });
    QSignalSpy solved(main(), &TTiloraForm::gameSolved);
    for (qsizetype k = path.size() - 2; k >= 0 && !main()->Panel4->isVisible(); --k)
        press(path[k]);
    closer.reset();

    QCOMPARE(solved.count(), 1);
    QCOMPARE(shown, 1);
    const QString headline
        = honest ? QStringLiteral("Glückwunsch!!!") : QStringLiteral("Schummler!!!");
    QCOMPARE(message, headline + QStringLiteral("|00:01:15 Sekunden.|25|0|0"));
    QCOMPARE(freeCell(), QPoint(4, 4));
    QCOMPARE(m_results, honest ? QStringList {QStringLiteral("00:01:15")} : QStringList());
    QVERIFY(main()->isSolved() && main()->Panel4->isVisible() && !main()->isClockRunning());
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:01:15"));
    // The next game starts clean unless the mark is still on.
    main()->Spielstarten1Click();
    QCOMPARE(main()->GameCheated, main()->Schummeln1->isChecked());
}

void TestPlay::pauseAndResume_data()
{
    QTest::addColumn<int>("resume");
    QTest::newRow("resumed by the Pause! panel") << int(None);
    QTest::newRow("ended by a new shuffle") << int(ShuffleLength);
}

void TestPlay::pauseAndResume()
{
    QFETCH(int, resume);
    show(true);
    press({2, 4});
    main()->SekundenZaehlerTimer();
    main()->SekundenZaehlerTimer();
    const QString outline = main()->outline();
    QCOMPARE(outline, boardOutline({2, 4}));

    main()->Pause1Click();
    TPanel *panel = main()->Pausenpanel;
    QVERIFY(main()->Pause1->isChecked() && !main()->isClockRunning());
    QVERIFY(!main()->Brett->isVisible() && panel->isVisible());
    QCOMPARE(panel->pos(),
        QPoint(
            main()->width() / 2 - panel->width() / 2, main()->height() / 2 - panel->height() / 2));
    QCOMPARE(main()->outline(), plainOutline());
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:02"));

    if (resume == None)
        click(panel);
    else
        run(Command(resume));
    QVERIFY(!main()->Pause1->isChecked() && !panel->isVisible() && main()->Brett->isVisible());
    const bool resumed = resume == Pause || resume == None;
    QCOMPARE(main()->outline(), resumed ? outline : boardOutline(freeCell()));
    // A resumed game counts on from where it stopped, a new one from 0.
    QVERIFY(main()->isClockRunning());
    main()->SekundenZaehlerTimer();
    QCOMPARE(main()->zeit->text(), QString(resumed ? "00:00:03" : "00:00:01"));
}

void TestPlay::magnifierPlacement_data()
{
    QTest::addColumn<int>("game"); // 0 none, 1 running, 2 paused
    QTest::addColumn<int>("roomOnTheLeft");
    QTest::newRow("just enough room") << 1 << 0;
    QTest::newRow("one pixel short") << 1 << -1;
    QTest::newRow("paused") << 2 << 150;
}

// At zoom 3 the square under the pointer is 66 pixels, kept on the board.

void TestPlay::magnifierPlacement()
{
    QFETCH(int, game);
    QFETCH(int, roomOnTheLeft);
    TForm2 *magnifier = m_windows->magnifier.get();
    main()->move(magnifier->width() + roomOnTheLeft, 100);
    show(game > 0);
    if (game > 1)
        main()->Pause1Click();
    main()->ZoomFactor = 3;
    QWidget *piece = control({0, 0});
    QTest::mousePress(piece, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(magnifier->isVisible(), game == 1);
    QCOMPARE(m_grabbed, game == 1 ? QList<QRect> {QRect(18, 18, 66, 66)} : QList<QRect>());
    if (game == 1) {
        const int left
            = roomOnTheLeft >= 0 ? main()->x() - magnifier->width() : main()->x() + main()->width();
        QCOMPARE(magnifier->pos(),
            QPoint(left, main()->y() + (main()->height() - magnifier->height()) / 2));
        QCOMPARE(main()->pointerName(), QStringLiteral("LUPE"));
    }
    QTest::mouseRelease(piece, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(!magnifier->isVisible());
    QCOMPARE(main()->pointerName(), QStringLiteral("FINGER1"));
}

QTEST_MAIN(TestPlay)
#include "tst_play.moc"
