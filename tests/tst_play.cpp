#include "desktop/Resources.h"
#include "desktop/TrayIcon.h"
#include "controls/Panel.h"
#include "logic/BoardLogic.h"
#include "main/TiloraStein.h"
#include "support/TestWindows.h"
#include "windows/Unit2.h"
#include "windows/bildfenster.h"
#include "windows/highscorefenster.h"
#include "windows/meldungsfenster.h"
#include "windows/startenfenster.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <set>

namespace {

// Runs a step whenever events are handled, also inside a shuffle or a build.
std::unique_ptr<QTimer> watch(std::function<void()> step)
{
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, std::move(step));
    timer->start(0);
    return timer;
}

// Commands that can arrive while a shuffle is under way.
enum Command { None, GridSize6, Close, CloseStartWindow, ReturnKey, SpaceKey, EscapeOnStart };

constexpr int NoTicks = 24 * 3600 * 1000;

} // namespace

// The main window showing real games: the shuffle's loop, slides frame by frame, the end of a
// game, pause, the magnifier, builds asked for mid-build, and what the window system does to
// the window. The rules of play themselves are the game's (tests/logic/tst_game).
class TestPlay : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shuffles_data();
    void shuffles();
    void solvedWithAnimation_data();
    void solvedWithAnimation();
    void magnifierAndPause();
    void buildAskedForMidBuild_data();
    void buildAskedForMidBuild();
    void floodOfPressesAndKeys();
    void outOfSight();
    void shuffleAfterTheHighScores();
    void modalWindowHoldsTheGame();

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    TForm3 *start() const { return &m_windows->start(); }
    Game &game() const { return main()->game(); }
    QPoint freeCell() const { return game().puzzle().freeCell(); }
    QString boardOutline(QPoint free) const
    {
        return BoardRegionOutline(main()->width(), main()->height(), true, free, 50, 50);
    }
    // A game on the board as it stands, the way the end of a shuffle starts one.
    void startGame() { QVERIFY(game().beginGameOn(game().puzzle())); }
    void click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint());
    void press(QPoint cell);
    QString boardFault() const;
    static QImage pointer() { return QGuiApplication::overrideCursor()->pixmap().toImage(); }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<ProgramWindows> m_windows;
    QList<QRect> m_grabbed;
};

void TestPlay::init()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_grabbed.clear();
    m_folder = std::make_unique<QTemporaryDir>();
    m_windows = CreateTestWindows(m_folder->path());
    TTiloraForm *window = main();
    window->hooks.movePointer = [](QPoint) {};
    SetPictureName(*window, m_folder->filePath(QStringLiteral("nicht-da.jpg")));
    window->game().setAnimationSpeed(0);
    window->hooks.grabScreen = [this](const QRect &rect) {
        m_grabbed.append(rect);
        return QImage();
    };
    game().seedRandom(20240607);
    // The clock runs but never ticks by itself; tests tick it.
    Child<QTimer>(*window, "SekundenZaehler")->setInterval(NoTicks);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestPlay::cleanup()
{
    m_windows.reset();
}

void TestPlay::click(QWidget *widget, Qt::MouseButton button, QPoint at)
{
    // The press may rebuild the board; the release goes only to a control that still exists.
    const QPointer<QWidget> alive(widget);
    QTest::mousePress(widget, button, {}, at);
    if (alive)
        QTest::mouseRelease(alive, button, {}, at);
}

void TestPlay::press(QPoint cell)
{
    TTiloraStein *tile = TileAt(*main(), QPoint(cell.x(), cell.y()));
    const bool pictureMode = game().settings().pictureMode;
    click(pictureMode ? static_cast<QWidget *>(tile->PieceImage) : tile->NumberLabel);
}

// Says which cell of the board differs from the game, if any: each shows the tile the game has
// there, in its place, and only the free cell's is hidden.
QString TestPlay::boardFault() const
{
    const Puzzle &puzzle = game().puzzle();
    std::set<const TTiloraStein *> tiles;
    for (int r = 0; r < puzzle.gridSize(); ++r) {
        for (int c = 0; c < puzzle.gridSize(); ++c) {
            const QPoint cell(c, r);
            const TTiloraStein *tile = TileAt(*main(), QPoint(c, r));
            const bool free = cell == puzzle.freeCell();
            if (!tile || !tiles.insert(tile).second || tile->pos() != cell * puzzle.tileSize()
                || QPoint(tile->HomeCol, tile->HomeRow) != puzzle.homeAt(cell)
                || tile->isHidden() != free || (free && !tile->PieceImage->isHidden()))
                return QStringLiteral("cell (%1, %2) wrong").arg(c).arg(r);
        }
    }
    return {};
}

void TestPlay::shuffles_data()
{
    QTest::addColumn<QString>("length"); // the "Mischdauer" item
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("lines");
    QTest::newRow("extrem lang") << "extremlang1" << int(None) << 25000;
    // Goes on until the start window is clicked, here at line 10000.
    QTest::newRow("selbst bestimmen") << "selbst1" << int(None) << 10001;
    // The window manager closes the start window: the player has had enough as well.
    QTest::newRow("selbst bestimmen, its window closed")
        << "selbst1" << int(CloseStartWindow) << 10001;
    // The keyboard alone: Return, Space or Esc, wherever the keys go, are the click.
    QTest::newRow("selbst bestimmen, Return") << "selbst1" << int(ReturnKey) << 10001;
    QTest::newRow("selbst bestimmen, Space") << "selbst1" << int(SpaceKey) << 10001;
    QTest::newRow("selbst bestimmen, Esc on its window") << "selbst1" << int(EscapeOnStart) << 10001;
    // A new board ends the shuffle at once and waits for the next.
    QTest::newRow("grid size 6x6") << "wenig1" << int(GridSize6) << 3;
    QTest::newRow("closing the window") << "wenig1" << int(Close) << 3;
}

// The shuffle's loop: one pass of event handling per line, the board out of sight, the clock
// label, and the board shown as the game has it when the loop is done.
void TestPlay::shuffles()
{
    QFETCH(QString, length);
    QFETCH(int, command);
    QFETCH(int, lines);
    auto *item = main()->findChild<QAction *>(length);
    QVERIFY(item);
    const int at = item == Child<QAction>(*main(), "selbst1") ? 10000 : (command != None ? 3 : -1);
    const bool gameStarts = command == None || command >= CloseStartWindow;
    int passes = 0;
    QStringList faults;
    auto watcher = watch([&] {
        if (!game().isShuffling() || !start()->isVisible())
            return;
        ++passes;
        // Only "selbst bestimmen" shows the count of lines, at every 10000th.
        const qint64 count = game().shuffleStepCount();
        const bool counted = item == Child<QAction>(*main(), "selbst1") && count >= 10000;
        if (Child<QLabel>(*main(), "zeit")->text() != (counted ? "10000" : "00:00:00")
            || Child<QTimer>(*main(), "SekundenZaehler")->isActive())
            faults << QStringLiteral("clock ") + Child<QLabel>(*main(), "zeit")->text();
        if (Outline(*main()) != HiddenBoardOutline(main()->width(), main()->height()))
            faults << QStringLiteral("outline ") + Outline(*main());
        faults.removeDuplicates();
        if (count == at) {
            if (command == CloseStartWindow)
                start()->close();
            else if (command >= ReturnKey)
                QTest::keyClick(command == EscapeOnStart ? static_cast<QWidget *>(start()) : main(),
                    command == ReturnKey ? Qt::Key_Return
                                         : (command == SpaceKey ? Qt::Key_Space : Qt::Key_Escape));
            else
                click(start()->Panel1);
            if (command == GridSize6)
                ChooseGridSize(*main(), 6);
            else if (command == Close)
                main()->close();
        }
    });
    Choose(*main(), qPrintable(length));
    watcher.reset();

    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    QCOMPARE(passes, at >= 0 ? at + 1 : lines);
    QCOMPARE(game().shuffleStepCount(), lines);
    QCOMPARE(game().phase() == GamePhase::Running, gameStarts);
    QCOMPARE(Child<QTimer>(*main(), "SekundenZaehler")->isActive(), gameStarts);
    QVERIFY(!game().isShuffling() && !start()->isVisible());
    if (command != Close) {
        QCOMPARE(boardFault(), QString());
        QCOMPARE(Child<TPanel>(*main(), "Panel4")->isVisible(), !gameStarts);
        QCOMPARE(Outline(*main()), boardOutline(freeCell()));
    }
}

void TestPlay::solvedWithAnimation_data()
{
    QTest::addColumn<int>("animationSpeed");
    QTest::addColumn<bool>("cheat");
    QTest::newRow("schnell, honest") << 2 << false;
    QTest::newRow("langsam, with the cheat view") << 1 << true;
}

// A short shuffle undone press by press, with the slides running on the window's timer as a
// player sees them: the message, then for an honest game the high score window with the name
// entry, then "Mischen!" again.
void TestPlay::solvedWithAnimation()
{
    QFETCH(int, animationSpeed);
    QFETCH(bool, cheat);
    Child<QTimer>(*main(), "AnimTimer")->setInterval(1);
    QList<QPoint> path;
    game().setShuffleDuration(1);
    auto follower = watch([&] {
        if (game().isShuffling() && path.size() == game().shuffleStepCount())
            path.append(freeCell());
    });
    Choose(*main(), "Spielmischen1");
    follower.reset();
    path.append(freeCell());
    QCOMPARE(path.size(), 26);
    game().setAnimationSpeed(animationSpeed);
    if (cheat)
        Choose(*main(), "Schummeln1");
    for (int i = 0; i < 75; ++i)
        game().clockTick();

    // The message and the high score window are read and closed as they show; meanwhile
    // nothing starts or moves.
    QStringList shown;
    auto closer = watch([&] {
        if (m_windows->message.isVisible()) {
            TMeldung *message = m_windows->message.made();
            Choose(*main(), "Spielmischen1");
            shown << message->Label4->text() + message->Label3->text();
            click(message->Panel1);
        } else if (THighscore *highscore = m_windows->highscore.made();
                   highscore && highscore->isVisible() && highscore->isNaming()) {
            highscore->Nameneingabe->setText(QStringLiteral("Jörg"));
            shown << highscore->timeCell(highscore->NewEntryRow)->text();
            QTest::keyClick(highscore->Nameneingabe, Qt::Key_Return);
            highscore->close();
        }
    });
    QSignalSpy solved(&game(), &Game::solved);
    for (qsizetype k = path.size() - 2; k >= 0 && solved.isEmpty(); --k) {
        QTRY_VERIFY(!game().slide());
        press(path[k]);
    }
    QTRY_VERIFY(Child<TPanel>(*main(), "Panel4")->isVisible());
    closer.reset();

    QCOMPARE(solved.count(), 1);
    const QString headline
        = cheat ? QStringLiteral("Schummler!!!") : QStringLiteral("Glückwunsch!!!");
    QStringList expected {headline + QStringLiteral("00:01:15 Sekunden.")};
    if (!cheat)
        expected << QStringLiteral("00:01:15");
    QCOMPARE(shown, expected);
    QCOMPARE(game().shuffleStepCount(), 25);
    QCOMPARE(m_windows->highscore().table()[0].name, cheat ? QString() : QStringLiteral("Jörg"));
    // The last slide may still be on its way behind the windows.
    QTRY_VERIFY(!Child<QTimer>(*main(), "AnimTimer")->isActive());
    QVERIFY(!Child<QTimer>(*main(), "SekundenZaehler")->isActive());
    QCOMPARE(Outline(*main()), boardOutline({4, 4}));
    QCOMPARE(boardFault(), QString());
    QCOMPARE(Child<QLabel>(*main(), "zeit")->text(), QStringLiteral("00:01:15"));
}

void TestPlay::magnifierAndPause()
{
    main()->move(300, 100);
    startGame();
    game().clockTick();
    game().clockTick();
    // At zoom 3 the square under the pointer is 66 pixels, kept on the board.
    Settings settings = game().settings();
    settings.zoomFactor = 3;
    game().setSettings(settings);
    QWidget *piece = TileAt(*main(), QPoint(0, 0))->PieceImage;
    QTest::mousePress(piece, Qt::RightButton, {}, QPoint(5, 5));
    TForm2 *magnifier = m_windows->magnifier.made();
    QVERIFY(magnifier);
    QCOMPARE(magnifier->pos(),
        QPoint(main()->x() - magnifier->width(),
            main()->y() + (main()->height() - magnifier->height()) / 2));
    QVERIFY(magnifier->isVisible());
    QCOMPARE(pointer(), PointerCursor(QStringLiteral("LUPE")).pixmap().toImage());
    QTest::mouseRelease(piece, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(!magnifier->isVisible());
    QCOMPARE(pointer(), PointerCursor(QStringLiteral("FINGER1")).pixmap().toImage());

    // Paused mid-slide: the slide comes to rest first.
    Choose(*main(), "langsam1");
    press({2, 4});
    QMetaObject::invokeMethod(main(), "AnimTimerTimer");
    Choose(*main(), "Pause1");
    TPanel *panel = Child<TPanel>(*main(), "Pausenpanel");
    QVERIFY(!Child(*main(), "Brett")->isVisible() && panel->isVisible());
    QCOMPARE(panel->pos(),
        QPoint(
            main()->width() / 2 - panel->width() / 2, main()->height() / 2 - panel->height() / 2));
    QCOMPARE(Outline(*main()), RoundedOutline(main()->width(), main()->height()));
    // No magnifier while paused.
    click(piece, Qt::RightButton, QPoint(5, 5));
    QCOMPARE(m_grabbed, QList<QRect> {QRect(18, 18, 66, 66)});

    click(panel);
    QVERIFY(!panel->isVisible() && Child(*main(), "Brett")->isVisible());
    QCOMPARE(boardFault(), QString());
    game().clockTick();
    QCOMPARE(Child<QLabel>(*main(), "zeit")->text(), QStringLiteral("00:00:03"));
}

void TestPlay::buildAskedForMidBuild_data()
{
    QTest::addColumn<bool>("tileSize"); // the request mid-build: a tile size, else a board size
    QTest::newRow("board size during the picture's pass") << false;
    QTest::newRow("tile size during the picture's pass") << true;
}

// A request that arrives while the solution window waits for the new picture: the build under
// way stops and the next has what was asked for, never a board of the old size.
void TestPlay::buildAskedForMidBuild()
{
    QFETCH(bool, tileSize);
    Choose(*main(), "Vorschau1");
    TVorschauFenster *preview = &m_windows->preview();
    bool asked = false;
    auto watcher = watch([&] {
        // The solution window shows only its frame while the picture is made.
        if (asked || !game().isBuilding() || preview->VorschauBild->isVisible())
            return;
        asked = true;
        if (tileSize)
            game().chooseTileSize(40); // merged into the build under way
        else
            ChooseGridSize(*main(), 7);
    });
    ChooseGridSize(*main(), 6);
    watcher.reset();
    QVERIFY(asked);
    const int size = tileSize ? 6 : 7;
    const int tile = tileSize ? 40 : 50;
    QCOMPARE(game().puzzle().gridSize(), size);
    QCOMPARE(game().puzzle().tileSize(), tile);
    QCOMPARE(Child(*main(), "Brett")->size(), QSize(size * tile, size * tile));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(Child(*main(), "Brett")->findChildren<TTiloraStein *>().size(), size * size);
    QCOMPARE(main()->boardPicture().deviceIndependentSize().toSize(), Child(*main(), "Brett")->size());
    QCOMPARE(boardFault(), QString());
}

// An auto-clicker on the tile beside the free cell and a key held down: every event is
// handled as fast as the loop takes it, none waits inside another, and the board stays whole.
void TestPlay::floodOfPressesAndKeys()
{
    game().setShuffleDuration(2);
    Choose(*main(), "Spielmischen1");
    QVERIFY(Child<QTimer>(*main(), "SekundenZaehler")->isActive() && !game().puzzle().isSolved());
    Choose(*main(), "schnell1");
    int mostWaiting = 0;
    for (int round = 0; round < 8; ++round) {
        const QPoint free = freeCell();
        QWidget *tile = TileAt(*main(), QPoint(free.x() == 0 ? 1 : free.x() - 1, free.y()))->PieceImage;
        for (int i = 0; i < 250; ++i) {
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QCoreApplication::postEvent(tile,
                    new QMouseEvent(type, QPointF(5, 5), tile->mapToGlobal(QPointF(5, 5)),
                        Qt::LeftButton, Qt::LeftButton, {}));
            }
        }
        QCoreApplication::processEvents();
        mostWaiting = std::max(mostWaiting, game().waitingPressCount());
        QTRY_VERIFY(!Child<QTimer>(*main(), "AnimTimer")->isActive());
        QCOMPARE(boardFault(), QString());
    }
    QCOMPARE(mostWaiting, Game::MaxWaitingPresses);

    // A held key that rebuilds: the builds asked for meanwhile merge into one.
    const auto builds = NewBoardsOf(game());
    for (int i = 0; i < 2000; ++i) {
        QCoreApplication::postEvent(
            main(), new QKeyEvent(QEvent::KeyPress, Qt::Key_A, {}, QStringLiteral("a")));
    }
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(builds->size() <= 2);
    QCOMPARE(Child(*main(), "Brett")->findChildren<TTiloraStein *>().size(), 25);
    QCOMPARE(boardFault(), QString());
}

// "¯" where nothing hides the window (no tray, no window manager to minimise it) leaves the
// game going; a window really hidden stops the clock and takes no keys, from any window.
void TestPlay::outOfSight()
{
    if (TrayIcon::available())
        QSKIP("a tray takes the window");
    startGame();
    QMetaObject::invokeMethod(main(), "HideToTray");
    QCoreApplication::processEvents();
    QVERIFY(Child<QTimer>(*main(), "SekundenZaehler")->isActive());
    press({3, 4});
    QCOMPARE(freeCell(), QPoint(3, 4));

    Choose(*main(), "Vorschau1");
    TVorschauFenster *preview = &m_windows->preview();
    QVERIFY(preview->isVisible());
    main()->hide();
    QTRY_VERIFY(!Child<QTimer>(*main(), "SekundenZaehler")->isActive());
    for (const Qt::Key key : {Qt::Key_F2, Qt::Key_F5, Qt::Key_Right})
        QTest::keyClick(preview, key);
    QVERIFY(!game().isShuffling() && game().shuffleStepCount() == 0 && !game().cheatView());
    QCOMPARE(freeCell(), QPoint(3, 4));
    main()->RestoreFromTray();
    QVERIFY(QTest::qWaitForWindowExposed(main()));
    QTRY_VERIFY(Child<QTimer>(*main(), "SekundenZaehler")->isActive());
    QTest::keyClick(preview, Qt::Key_Right);
    QCOMPARE(freeCell(), QPoint(2, 4));
}

// H, Esc, F5 and F2 in a row: the shuffle that follows the high score window ends with the
// board shown as the game has it, and presses beside the free cell move.
void TestPlay::shuffleAfterTheHighScores()
{
    auto closer = watch([&] {
        if (m_windows->highscore.isVisible())
            QTest::keyClick(m_windows->highscore.made(), Qt::Key_Escape);
    });
    game().setShuffleDuration(2);
    for (const Qt::Key key : {Qt::Key_H, Qt::Key_F5, Qt::Key_F2})
        QTest::keyClick(main(), key);
    closer.reset();
    QVERIFY(game().cheatView() && game().phase() == GamePhase::Running);
    QCOMPARE(game().shuffleStepCount(), 250);
    QCOMPARE(boardFault(), QString());
    const QPoint free = freeCell();
    const QPoint beside(free.x() == 0 ? 1 : free.x() - 1, free.y());
    press(beside);
    QCOMPARE(freeCell(), beside);
    QCOMPARE(boardFault(), QString());
}

void TestPlay::modalWindowHoldsTheGame()
{
    bool held = false;
    auto closer = watch([&] {
        held = game().modalWindowOpen();
        m_windows->highscore().close();
    });
    Choose(*main(), "Highscore1");
    QVERIFY(held && !game().modalWindowOpen());
}

QTEST_MAIN(TestPlay)
#include "tst_play.moc"
