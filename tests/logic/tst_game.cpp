#include "logic/Game.h"

#include <QSignalSpy>
#include <QTest>

#include <type_traits>

// The flow of a game, fed by hand as the window feeds it: presses, frames, ticks, shuffle
// steps, builds and the window going out of sight.
class TestGame : public QObject
{
    Q_OBJECT

private slots:
    void duringOtherWork_data();
    void duringOtherWork();
    void endOfGameWaitsForModalWindows();
    void waitingPressesRunLatestFirst();
    void manyWaitingPresses();
    void completion_data();
    void completion();
    void cheatFlag_data();
    void cheatFlag();
    void pauseAndSight();
    void shuffleLengths_data();
    void shuffleLengths();
    void buildsMergeAndGoStale_data();
    void buildsMergeAndGoStale();
};

namespace {

// 5 × 5 with the free cell at (2, 4) after two presses from the solved board.
const QString TwoLeft
    = QStringLiteral("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 0 23 24");

Puzzle board(const QString &text)
{
    return *Puzzle::fromString(text);
}

// A game whose first board has been built.
struct Fixture
{
    explicit Fixture(int animationSpeed = 0)
    {
        Settings settings;
        settings.animationSpeed = animationSpeed;
        game.setSettings(settings);
        game.requestBuild();
        const auto build = game.nextBuild(1000);
        game.buildDone(*build);
        QVERIFY(!game.nextBuild(1000));
    }
    // Runs the slide under way, and whatever waited for it, to its end: the cells the free
    // cell went to, one for each slide.
    QList<QPoint> finishSlides()
    {
        QList<QPoint> ends;
        for (int frame = 0; frame < 1000 && game.slide(); ++frame) {
            if (ends.isEmpty() || ends.last() != game.slide()->to)
                ends << game.slide()->to;
            game.animationFrame();
        }
        return ends;
    }
    Game game;
};

enum Work { Shuffle, Slide, Build, EndOfGame, Pause, OutOfSight, ModalWindow };
enum Command { Press, Arrow, ShuffleRequest, NewBoard };

} // namespace

void TestGame::duringOtherWork_data()
{
    QTest::addColumn<int>("work");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("answer"); // PressAnswer, or for the others: taken or not
    QTest::addColumn<GamePhase>("phase");
    using P = GamePhase;
    const int no = int(PressAnswer::Ignored);
    const int waits = int(PressAnswer::Waits);
    // The table of Game.h: what a press, an arrow key, a shuffle request and a new board come
    // to during each kind of work, and the phase after them.
    const struct
    {
        const char *work;
        int answers[4];
        GamePhase phases[4];
    } rows[] = {
        {"shuffle", {no, no, 0, 1}, {P::Shuffling, P::Shuffling, P::Shuffling, P::NoGame}},
        {"slide", {waits, waits, 1, 1}, {P::Running, P::Running, P::Shuffling, P::NoGame}},
        {"build", {no, no, 0, 0}, {P::NoGame, P::NoGame, P::NoGame, P::NoGame}},
        {"end of a game", {no, no, 0, 1}, {P::Finished, P::Finished, P::Finished, P::NoGame}},
        {"pause", {no, no, 1, 1}, {P::Paused, P::Paused, P::Shuffling, P::NoGame}},
        {"out of sight", {no, no, 0, 1}, {P::Running, P::Running, P::Running, P::NoGame}},
        {"modal window", {no, no, 0, 1}, {P::Running, P::Running, P::Running, P::NoGame}},
    };
    const char *const commands[] = {"press", "arrow", "shuffle", "new board"};
    for (int work = Shuffle; work <= ModalWindow; ++work) {
        for (int command = Press; command <= NewBoard; ++command) {
            QTest::addRow("%s, %s", rows[work].work, commands[command])
                << work << command << rows[work].answers[command] << rows[work].phases[command];
        }
    }
}

// Each row of the table of commands that arrive while other work is under way.
void TestGame::duringOtherWork()
{
    QFETCH(int, work);
    QFETCH(int, command);
    QFETCH(int, answer);
    QFETCH(GamePhase, phase);
    Fixture fixture(Work(work) == Slide ? 1 : 0);
    Game &game = fixture.game;
    QVERIFY(game.beginGameOn(board(TwoLeft)));
    std::optional<BoardBuild> build;
    switch (Work(work)) {
    case Shuffle:
        QVERIFY(game.beginShuffle());
        break;
    case Slide:
        QCOMPARE(game.pressTile(QPoint(1, 4)), PressAnswer::Moved);
        break;
    case Build:
        QVERIFY(game.requestBuild());
        build = game.nextBuild(1000);
        break;
    case EndOfGame:
        QCOMPARE(game.pressTile(QPoint(2, 4)), PressAnswer::Moved);
        QCOMPARE(game.pressTile(QPoint(3, 4)), PressAnswer::Moved);
        break;
    case Pause:
        game.togglePause();
        break;
    case OutOfSight:
        game.setInSight(false);
        break;
    case ModalWindow:
        game.setModalWindowOpen(true);
        break;
    }
    const Puzzle before = game.puzzle();
    switch (Command(command)) {
    case Press:
        QCOMPARE(int(game.pressTile(QPoint(0, 4))), answer);
        break;
    case Arrow:
        QCOMPARE(int(game.pressArrow(QPoint(1, 0))), answer);
        break;
    case ShuffleRequest:
        QCOMPARE(int(game.beginShuffle()), answer);
        break;
    case NewBoard:
        QCOMPARE(int(game.chooseGridSize(5)), answer);
        if (answer)
            build = game.nextBuild(1000);
        break;
    }
    QCOMPARE(game.phase(), phase);
    // Nothing moves while other work is under way, and no slide outlives a new board.
    if (answer != int(PressAnswer::Waits) && Command(command) != NewBoard && Work(work) != Slide)
        QCOMPARE(game.puzzle(), before);
    if (phase == GamePhase::NoGame || phase == GamePhase::Shuffling) {
        QVERIFY(!game.slide());
        QCOMPARE(game.waitingPressCount(), 0);
    }
    if (Command(command) == NewBoard)
        QVERIFY(game.isBuilding() && game.puzzle().isSolved());
}

// A modal window gives up the presses that wait, and the end of a game waits for its closing.
void TestGame::endOfGameWaitsForModalWindows()
{
    Fixture fixture(1);
    Game &game = fixture.game;
    QVERIFY(game.beginGameOn(board(TwoLeft)));
    QCOMPARE(game.pressTile(QPoint(2, 4)), PressAnswer::Moved);
    QCOMPARE(game.pressTile(QPoint(3, 4)), PressAnswer::Waits);
    game.setModalWindowOpen(true);
    fixture.finishSlides();
    game.setModalWindowOpen(false);
    QCOMPARE(game.pressTile(QPoint(3, 4)), PressAnswer::Moved);
    game.setModalWindowOpen(true);
    QVERIFY(!game.takeEndToShow());
    game.setModalWindowOpen(false);
    QVERIFY(game.takeEndToShow() && !game.takeEndToShow());
}

void TestGame::waitingPressesRunLatestFirst()
{
    Fixture fixture(2);
    Game &game = fixture.game;
    QVERIFY(game.beginGameOn(board(TwoLeft)));
    // Free at (2, 4). The first press slides the two tiles left of it; during that slide a
    // press on the tile of home (1, 4) and an arrow key wait. The arrow runs first, then the
    // press, each on the board as it is by then.
    QCOMPARE(game.pressTile(QPoint(0, 4)), PressAnswer::Moved); // free goes to (0, 4)
    QCOMPARE(game.pressTile(QPoint(1, 4)), PressAnswer::Waits); // now at (1, 4)
    QCOMPARE(game.pressArrow(QPoint(-1, 0)), PressAnswer::Waits);
    QCOMPARE(game.waitingPressCount(), 2);
    // The arrow (left) moves the tile right of the free cell (0, 4) into it: free (1, 4). The
    // tile of home (1, 4) stands at (2, 4) by then.
    QCOMPARE(fixture.finishSlides(), (QList<QPoint> {{0, 4}, {1, 4}, {2, 4}}));
    QCOMPARE(game.waitingPressCount(), 0);
}

void TestGame::manyWaitingPresses()
{
    // Five quick presses on the tile beside the free cell: it slides to and fro five times.
    Fixture fixture(1);
    Game &game = fixture.game;
    QVERIFY(game.beginGameOn(board(TwoLeft)));
    const QPoint home(1, 4);
    for (int i = 0; i < 5; ++i)
        game.pressTile(home);
    QCOMPARE(fixture.finishSlides().size(), 5);
    // An auto-clicker's backlog is bounded.
    QCOMPARE(game.pressTile(home), PressAnswer::Moved);
    for (int i = 0; i < 3 * Game::MaxWaitingPresses; ++i)
        game.pressTile(home);
    QCOMPARE(game.waitingPressCount(), Game::MaxWaitingPresses);
}

void TestGame::completion_data()
{
    QTest::addColumn<int>("animationSpeed");
    QTest::newRow("keine") << 0;
    QTest::newRow("langsam") << 1;
    QTest::newRow("schnell") << 2;
}

// A shuffle undone press by press ends the game at every animation speed, the last slide
// still to be shown.
void TestGame::completion()
{
    QFETCH(int, animationSpeed);
    Fixture fixture(animationSpeed);
    Game &game = fixture.game;
    game.setShuffleDuration(1);
    game.seedRandom(7);
    QVERIFY(game.beginShuffle());
    QList<QPoint> frees {game.puzzle().freeCell()};
    while (const std::optional<ShuffleLine> line = game.shuffleStep()) {
        frees << line->move.to;
        if (line->last)
            break;
    }
    game.endShuffle();
    QCOMPARE(game.shuffleStepCount(), 25);
    QVERIFY(game.clockRuns());
    for (int i = 0; i < 61; ++i)
        game.clockTick();
    QSignalSpy solved(&game, &Game::solved);
    for (qsizetype k = frees.size() - 2; k >= 0; --k) {
        // Each press names the tile standing in the cell the free cell came from.
        const QPoint home = game.puzzle().homeAt(frees[k]);
        if (game.pressTile(home) == PressAnswer::Waits)
            QFAIL("a press waited without a slide under way");
        if (k > 0)
            fixture.finishSlides();
    }
    QCOMPARE(solved.count(), 1);
    QCOMPARE(game.phase(), GamePhase::Finished);
    QCOMPARE(bool(game.slide()), animationSpeed > 0);
    QVERIFY(!game.clockRuns());
    const auto result = solved[0][0].value<GameResult>();
    QCOMPARE(result.time, QStringLiteral("00:01:01"));
    QVERIFY(!result.cheated);
    QCOMPARE(result.configuration.GridSize, 5);
    QCOMPARE(result.configuration.ShuffleDuration, 1);
    fixture.finishSlides();
    game.endShown();
    QVERIFY(game.showsShuffleButton());
    QCOMPARE(game.clockDisplay(), QStringLiteral("00:01:01"));
}

void TestGame::cheatFlag_data()
{
    QTest::addColumn<bool>("markAtStart");
    QTest::addColumn<int>("toggles");
    QTest::addColumn<bool>("cheated");
    QTest::newRow("honest") << false << 0 << false;
    QTest::newRow("on and off again") << false << 2 << true;
    QTest::newRow("on from the start") << true << 0 << true;
    QTest::newRow("switched off during the game") << true << 1 << true;
}

void TestGame::cheatFlag()
{
    QFETCH(bool, markAtStart);
    QFETCH(int, toggles);
    QFETCH(bool, cheated);
    Fixture fixture;
    Game &game = fixture.game;
    if (markAtStart)
        game.toggleCheatView();
    QVERIFY(game.beginGameOn(board(TwoLeft)));
    for (int i = 0; i < toggles; ++i)
        game.toggleCheatView();
    QSignalSpy solved(&game, &Game::solved);
    game.pressTile(QPoint(2, 4));
    game.pressTile(QPoint(3, 4));
    QCOMPARE(solved.count(), 1);
    QCOMPARE(solved[0][0].value<GameResult>().cheated, cheated);
    // The next game starts clean unless the mark is still on.
    game.endShown();
    QVERIFY(game.beginShuffle());
    QCOMPARE(game.cheated(), game.cheatView());
}

void TestGame::pauseAndSight()
{
    Fixture fixture(1);
    Game &game = fixture.game;
    // No game: neither pause nor clock.
    game.togglePause();
    QCOMPARE(game.phase(), GamePhase::NoGame);
    QVERIFY(game.beginGameOn(board(TwoLeft)));
    game.clockTick();
    QCOMPARE(game.clockDisplay(), QStringLiteral("00:00:01"));

    // Paused mid-slide: the slide comes to rest, what waited goes, the clock stands.
    game.pressTile(QPoint(1, 4));
    game.pressTile(QPoint(0, 4));
    game.togglePause();
    QVERIFY(!game.slide() && game.waitingPressCount() == 0 && !game.clockRuns());
    game.clockTick();
    QCOMPARE(game.clockDisplay(), QStringLiteral("00:00:01"));
    QCOMPARE(game.outline(QSize(286, 286)), RoundedOutline(286, 286));
    game.togglePause();
    game.clockTick();
    QCOMPARE(game.clockDisplay(), QStringLiteral("00:00:02"));

    // Out of sight: the clock stands and keys do nothing; back in sight it goes on.
    game.setInSight(false);
    QVERIFY(!game.clockRuns() && !game.takesKeys());
    game.clockTick();
    QCOMPARE(game.clockDisplay(), QStringLiteral("00:00:02"));
    QCOMPARE(game.pressTile(QPoint(0, 4)), PressAnswer::Ignored);
    game.setInSight(true);
    QVERIFY(game.clockRuns() && game.takesKeys());
    // A shuffle that ends out of sight begins a game whose clock waits for the player.
    QVERIFY(game.beginShuffle());
    game.setInSight(false);
    game.endShuffle();
    QCOMPARE(game.phase(), GamePhase::Running);
    QVERIFY(!game.clockRuns());
}

void TestGame::shuffleLengths_data()
{
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("dismissAt"); // the line after which the start window is clicked
    QTest::addColumn<int>("lines");
    QTest::newRow("kurz, dismissed, still its count") << 1 << 3 << 25;
    QTest::newRow("mittel") << 2 << -1 << 250;
    QTest::newRow("selbst bestimmen, dismissed at once") << 0 << 0 << 1;
    QTest::newRow("selbst bestimmen, 10000 shown") << 0 << 10002 << 10003;
}

void TestGame::shuffleLengths()
{
    QFETCH(int, duration);
    QFETCH(int, dismissAt);
    QFETCH(int, lines);
    Fixture fixture;
    Game &game = fixture.game;
    game.setShuffleDuration(duration);
    QVERIFY(game.beginShuffle());
    QStringList shown;
    for (int line = 0;; ++line) {
        if (line == dismissAt)
            game.dismissShuffle();
        const std::optional<ShuffleLine> step = game.shuffleStep();
        if (!step)
            QFAIL("the shuffle ended without its last line");
        if (!shown.contains(game.clockDisplay()))
            shown << game.clockDisplay();
        QCOMPARE(step->countShown, game.shuffleStepCount() == 10000);
        if (step->last)
            break;
    }
    game.endShuffle();
    QCOMPARE(game.shuffleStepCount(), lines);
    const QStringList expected
        = lines > 10000 ? QStringList {"00:00:00", "10000"} : QStringList {"00:00:00"};
    QCOMPARE(shown, expected);
    QCOMPARE(game.phase(), GamePhase::Running);
    // A new board shows a clock of its own, not the shuffle's count.
    game.choosePicture(QStringLiteral("anderes.bmp"));
    QVERIFY(game.nextBuild(1000));
    QCOMPARE(game.clockDisplay(), QStringLiteral("00:00:00"));
    // A long shuffle counts past what 32 bits hold.
    static_assert(std::is_same_v<decltype(game.shuffleStepCount()), qint64>);
}

void TestGame::buildsMergeAndGoStale_data()
{
    QTest::addColumn<int>("during"); // 0: the first pass, 1: the picture's pass
    QTest::addColumn<bool>("tileSize"); // the request: a tile size, else a board size
    QTest::newRow("board size, first pass") << 0 << false;
    QTest::newRow("board size, picture's pass") << 1 << false;
    QTest::newRow("tile size, picture's pass") << 1 << true;
}

// A request arriving in any pass of a build's event handling makes it stale; the next build
// has what was asked for, and a board left half built is built whole.
void TestGame::buildsMergeAndGoStale()
{
    QFETCH(int, during);
    QFETCH(bool, tileSize);
    Fixture fixture;
    Game &game = fixture.game;
    QVERIFY(game.chooseGridSize(6));
    const std::optional<BoardBuild> first = game.nextBuild(1000);
    QVERIFY(first && game.isCurrent(*first));
    QCOMPARE(game.puzzle().gridSize(), 6);
    for (int pass = 0; pass < during; ++pass)
        QVERIFY(game.isCurrent(*first));
    // Asked for from inside the build's pass: merged, not run inside it.
    QVERIFY(!(tileSize ? game.chooseTileSize(40) : game.chooseGridSize(7)));
    QVERIFY(!game.isCurrent(*first));
    const std::optional<BoardBuild> second = game.nextBuild(1000);
    QVERIFY(second);
    QCOMPARE(second->kind, BoardBuild::NewBoard);
    QCOMPARE(game.puzzle().gridSize(), tileSize ? 6 : 7);
    QCOMPARE(game.puzzle().tileSize(), tileSize ? 40 : 50);
    game.buildDone(*second);
    QCOMPARE(game.nextBuild(1000), std::nullopt);
    QVERIFY(game.showsShuffleButton());
    // The board keeps to the screen, the player's size stays stored.
    QVERIFY(game.chooseTileSize(100));
    const std::optional<BoardBuild> layout = game.nextBuild(300);
    QCOMPARE(layout->kind, BoardBuild::Layout);
    QCOMPARE(game.puzzle().tileSize(), 300 / game.puzzle().gridSize());
    QCOMPARE(game.settings().tileSize, 100);
}

QTEST_GUILESS_MAIN(TestGame)
#include "tst_game.moc"
