#include "app/ProgramWindows.h"
#include "app/TrayIcon.h"
#include "controls/Panel.h"
#include "logic/BoardLogic.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "windows/Unit2.h"
#include "windows/meldungsfenster.h"
#include "windows/startenfenster.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <set>

namespace {

// Runs a step whenever events are handled, also inside a shuffle, a waiting press or the end
// of a game.
std::unique_ptr<QTimer> watch(std::function<void()> step)
{
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, std::move(step));
    timer->start(0);
    return timer;
}

// Commands that can arrive while other work is under way.
enum Command { None, GridSize6, Pause, ShuffleLength, BoardPress, Close };

// How far the tiles of a "langsam" slide of 50-pixel tiles are from their cells, frames 1..8.
constexpr int SlowOffsets[] = {43, 37, 31, 25, 18, 12, 6, 0};
constexpr int NoTicks = 24 * 3600 * 1000;

} // namespace

// Real games on the main window: shuffles, presses, slides, the end of a game, pause, the
// magnifier, and commands that arrive mid-work.
class TestPlay : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shuffles_data();
    void shuffles();
    void presses_data();
    void presses();
    void pressDuringASlide_data();
    void pressDuringASlide();
    void completion_data();
    void completion();
    void magnifierAndPause_data();
    void magnifierAndPause();
    void floodOfPressesAndKeys();
    void backFromMinimisedByTheWindowManager();
    void arrowKeys_data();
    void arrowKeys();

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    TForm3 *start() const { return m_windows->start.get(); }
    QPoint freeCell() const { return main()->puzzle().freeCell(); }
    QString boardOutline(QPoint free) const
    {
        return BoardRegionOutline(main()->width(), main()->height(), true, free, 50, 50);
    }
    // A game on the board as it stands, the way the end of a shuffle starts one.
    void startGame() { main()->startGame(); }
    void run(Command command);
    void click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint());
    void press(QPoint cell);
    QString boardFault() const;

    std::unique_ptr<ProgramWindows> m_windows;
    std::unique_ptr<QTemporaryDir> m_folder;
    QStringList m_results;
    QList<QRect> m_grabbed;
};

void TestPlay::init()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_results.clear();
    m_grabbed.clear();
    // Default settings, written to a file of the test's own.
    m_folder = std::make_unique<QTemporaryDir>();
    TTiloraForm::setSettingsFolder(m_folder->path());
    m_windows = CreateProgramWindows();
    TTiloraForm *window = main();
    window->movePointer = [](QPoint) {};
    window->setPictureName(m_folder->filePath(QStringLiteral("nicht-da.jpg")));
    window->SetAnimationSpeed(0);
    window->addResult = [this](const QString &time) { m_results.append(time); };
    window->grabScreen = [this](const QRect &rect) {
        m_grabbed.append(rect);
        return QImage();
    };
    window->seedRandom(20240607);
    // The clock runs but never ticks by itself; tests tick it.
    window->SekundenZaehler->setInterval(NoTicks);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestPlay::cleanup()
{
    m_windows.reset();
    TTiloraForm::setSettingsFolder(QString());
}

void TestPlay::run(Command command)
{
    TTiloraForm *window = main();
    if (command == GridSize6)
        window->N201Click(window->GridSizeItems[6 - MinGridSize]);
    else if (command == Pause)
        window->Pause1Click();
    else if (command == ShuffleLength)
        window->selbst1Click(window->mittel1);
    else if (command == Close)
        window->close();
    if (command != BoardPress)
        return;
    // A tile in line with the free slot, by where it shows.
    for (auto *tile : window->Brett->findChildren<TTiloraStein *>(Qt::FindDirectChildrenOnly)) {
        if (tile->isVisible() && window->puzzle().moveForPress(window->cellOfTile(tile)))
            return click(tile->PieceImage);
    }
    QFAIL("no tile in line with the free slot");
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
    TTiloraStein *tile = main()->TileGrid()[cell.x()][cell.y()];
    click(main()->pictureMode() ? static_cast<QWidget *>(tile->PieceImage) : tile->NumberLabel);
}

// Says which cell of the board differs from the game, if any: each shows the tile the game has
// there, in its place, and only the free cell's is hidden.
QString TestPlay::boardFault() const
{
    const Puzzle &puzzle = main()->puzzle();
    std::set<const TTiloraStein *> tiles;
    for (int r = 0; r < puzzle.gridSize(); ++r) {
        for (int c = 0; c < puzzle.gridSize(); ++c) {
            const QPoint cell(c, r);
            const TTiloraStein *tile = main()->TileGrid()[c][r];
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
    QTest::addColumn<bool>("duringASlide");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("nextLines"); // 0: no next shuffle tried
    QTest::newRow("extrem lang") << "extremlang1" << false << int(None) << 25000 << 0;
    // Goes on until the start window is clicked, here at line 10000.
    QTest::newRow("selbst bestimmen") << "selbst1" << false << int(None) << 10001 << 0;
    // The slide comes to rest first: its ticks must not open the hidden board.
    QTest::newRow("mittel, during a slide") << "mittel1" << true << int(None) << 250 << 0;
    // At line 3 the start window is clicked, which does not end a fixed length, and a command
    // comes. No second shuffle starts; a new length counts from the next game.
    QTest::newRow("Mischdauer mittel") << "wenig1" << false << int(ShuffleLength) << 25 << 250;
    QTest::newRow("press on the board") << "wenig1" << false << int(BoardPress) << 25 << 25;
    QTest::newRow("pause") << "wenig1" << false << int(Pause) << 25 << 25;
    // A new board ends the shuffle at once and waits for the next.
    QTest::newRow("grid size 6x6") << "wenig1" << false << int(GridSize6) << 3 << 36;
    QTest::newRow("closing the window") << "wenig1" << false << int(Close) << 3 << 3;
}

void TestPlay::shuffles()
{
    QFETCH(QString, length);
    QFETCH(bool, duringASlide);
    QFETCH(int, command);
    QFETCH(int, lines);
    QFETCH(int, nextLines);
    auto *item = main()->findChild<QAction *>(length);
    QVERIFY(item);
    const int at = command != None ? 3 : (item == main()->selbst1 ? 10000 : -1);
    const bool gameStarts = command != GridSize6 && command != Close;
    if (duringASlide) {
        startGame();
        main()->schnell1Click(main()->langsam1);
        press({3, 4});
        main()->AnimTimer->setInterval(NoTicks);
    }
    QSignalSpy started(main(), &TTiloraForm::gameStarted);
    int passes = 0;
    QStringList faults;
    auto watcher = watch([&] {
        if (!main()->isShuffling() || !start()->isVisible())
            return;
        ++passes;
        if (main()->AnimTimer->isActive())
            main()->AnimTimerTimer();
        // Only "selbst bestimmen" shows the count of lines, at every 10000th.
        const int count = main()->shuffleStepCount();
        const bool counted = item == main()->selbst1 && count >= 10000;
        if (main()->zeit->text() != (counted ? "10000" : "00:00:00") || main()->isClockRunning())
            faults << QStringLiteral("clock ") + main()->zeit->text();
        if (main()->outline() != HiddenBoardOutline(main()->width(), main()->height()))
            faults << QStringLiteral("outline ") + main()->outline();
        faults.removeDuplicates();
        if (count == at) {
            click(start()->Panel1);
            run(Command(command));
        }
    });
    QSignalSpy moved(main(), &TTiloraForm::tilesMoved);
    main()->selbst1Click(item);
    watcher.reset();

    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    QCOMPARE(passes, at >= 0 ? at + 1 : lines);
    QCOMPARE(main()->shuffleStepCount(), lines);
    QCOMPARE(started.count(), int(gameStarts));
    QCOMPARE(main()->isClockRunning(), gameStarts);
    // No press was taken.
    QCOMPARE(moved.count(), 0);
    QVERIFY(!main()->isShuffling() && !start()->isVisible() && !main()->Pause1->isChecked());
    QVERIFY(!main()->AnimTimer->isActive());
    if (command != Close) {
        QCOMPARE(boardFault(), QString());
        QCOMPARE(main()->Panel4->isVisible(), !gameStarts);
        QCOMPARE(main()->isSolved(), !gameStarts);
        QCOMPARE(main()->outline(), boardOutline(freeCell()));
    }
    if (gameStarts) {
        main()->SekundenZaehlerTimer();
        QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:01"));
    }
    if (nextLines) {
        main()->Spielstarten1Click();
        QCOMPARE(main()->shuffleStepCount(), nextLines);
    }
}

void TestPlay::presses_data()
{
    QTest::addColumn<QPoint>("pressed");
    QTest::newRow("far end of the row") << QPoint(0, 4);
    QTest::newRow("out of line") << QPoint(2, 2);
}

// Presses at "langsam"; the instant slide and number mode play through in completion().
void TestPlay::presses()
{
    QFETCH(QPoint, pressed);
    const bool moves = pressed.y() == 4;
    startGame();
    main()->schnell1Click(main()->langsam1);
    // The board is solved: a completion test after a press that moves nothing would end it.
    QSignalSpy solved(main(), &TTiloraForm::gameSolved);
    press(pressed);

    QCOMPARE(solved.count(), 0);
    QCOMPARE(main()->isSolved(), !moves);
    QVERIFY(main()->isClockRunning());
    QCOMPARE(main()->AnimTimer->isActive(), moves);
    const QPoint free = moves ? pressed : QPoint(4, 4);
    QCOMPARE(freeCell(), free);
    // The row's tiles are drawn on their way over eight frames; then the board shows the game.
    SlideFrame slide {QPoint(4, 4), free, 0, 8, 50, 50};
    if (moves) {
        main()->AnimTimer->stop();
        for (slide.frame = 1; slide.frame <= 8; ++slide.frame) {
            main()->AnimTimerTimer();
            for (int c = 1; c <= 4; ++c)
                QCOMPARE(main()->TileGrid()[c][4]->pos(),
                    QPoint(c * 50 - SlowOffsets[slide.frame - 1], 200));
            QCOMPARE(main()->outline(), AnimatedOutline(main()->width(), main()->height(), slide));
        }
        main()->AnimTimerTimer();
        QVERIFY(!main()->AnimTimer->isActive());
    }
    QCOMPARE(main()->outline(), boardOutline(free));
    QCOMPARE(boardFault(), QString());
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
    startGame();
    main()->schnell1Click(main()->langsam1);
    press({3, 4});
    QVERIFY(main()->AnimTimer->isActive());
    TTiloraStein *slid = main()->TileGrid()[4][4];
    QSignalSpy moved(main(), &TTiloraForm::tilesMoved);
    press({2, 4});
    // The press waits for the slide, without a loop of its own.
    QCOMPARE(freeCell(), QPoint(3, 4));
    QCOMPARE(main()->pendingPressCount(), 1);
    run(Command(command));
    QTRY_VERIFY(!main()->AnimTimer->isActive());

    if (command == None) {
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved[0][0].toPoint(), QPoint(3, 4));
        QCOMPARE(slid->pos(), QPoint(200, 200));
        QCOMPARE(freeCell(), QPoint(2, 4));
    } else {
        QCOMPARE(moved.count(), 0);
        QVERIFY(main()->isSolved() && main()->Panel4->isVisible());
        QVERIFY(!main()->isClockRunning() && !main()->AnimTimer->isActive());
    }
    QCOMPARE(boardFault(), QString());
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
    if (numberMode)
        main()->Text1Click();
    if (markAtStart)
        main()->Schummeln1Click();
    // A short shuffle whose free slot is followed line by line.
    QList<QPoint> path;
    main()->SetShuffleDuration(1);
    auto follower = watch([&] {
        if (main()->isShuffling() && path.size() == main()->shuffleStepCount())
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

    // Presses undo the shuffle. The message is read and closed when it shows; meanwhile
    // nothing starts or moves.
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
            QString::number(main()->shuffleStepCount()), QString::number(main()->isClockRunning()),
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
    QCOMPARE(main()->outline(), boardOutline({4, 4}));
    QCOMPARE(boardFault(), QString());
    QCOMPARE(m_results, honest ? QStringList {QStringLiteral("00:01:15")} : QStringList());
    QVERIFY(main()->isSolved() && main()->Panel4->isVisible() && !main()->isClockRunning());
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:01:15"));
    // The next game starts clean unless the mark is still on.
    main()->Spielstarten1Click();
    QCOMPARE(main()->puzzle().cheated, main()->Schummeln1->isChecked());
}

void TestPlay::magnifierAndPause_data()
{
    QTest::addColumn<int>("roomOnTheLeft"); // for the magnifier
    QTest::addColumn<int>("resume");
    QTest::newRow("resumed by the Pause! panel") << 0 << int(None);
    QTest::newRow("ended by a new shuffle") << -1 << int(ShuffleLength);
}

void TestPlay::magnifierAndPause()
{
    QFETCH(int, roomOnTheLeft);
    QFETCH(int, resume);
    TForm2 *magnifier = m_windows->magnifier.get();
    main()->move(magnifier->width() + roomOnTheLeft, 100);
    startGame();
    main()->SekundenZaehlerTimer();
    main()->SekundenZaehlerTimer();
    // At zoom 3 the square under the pointer is 66 pixels, kept on the board.
    Settings settings = main()->settings();
    settings.zoomFactor = 3;
    main()->setSettings(settings);
    QWidget *piece = main()->TileGrid()[0][0]->PieceImage;
    QTest::mousePress(piece, Qt::RightButton, {}, QPoint(5, 5));
    const int left
        = roomOnTheLeft >= 0 ? main()->x() - magnifier->width() : main()->x() + main()->width();
    QCOMPARE(
        magnifier->pos(), QPoint(left, main()->y() + (main()->height() - magnifier->height()) / 2));
    QVERIFY(magnifier->isVisible());
    QCOMPARE(main()->pointerName(), QStringLiteral("LUPE"));
    QTest::mouseRelease(piece, Qt::RightButton, {}, QPoint(5, 5));
    QVERIFY(!magnifier->isVisible());
    QCOMPARE(main()->pointerName(), QStringLiteral("FINGER1"));

    // Paused mid-slide: the slide comes to rest first.
    main()->schnell1Click(main()->langsam1);
    press({2, 4});
    main()->AnimTimerTimer();
    main()->Pause1Click();
    TPanel *panel = main()->Pausenpanel;
    QVERIFY(main()->Pause1->isChecked() && !main()->isClockRunning());
    QVERIFY(!main()->Brett->isVisible() && panel->isVisible() && !main()->AnimTimer->isActive());
    QCOMPARE(panel->pos(),
        QPoint(
            main()->width() / 2 - panel->width() / 2, main()->height() / 2 - panel->height() / 2));
    QCOMPARE(main()->outline(), PlainOutline(main()->width(), main()->height()));
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:02"));
    // No magnifier while paused.
    click(piece, Qt::RightButton, QPoint(5, 5));
    QCOMPARE(m_grabbed, QList<QRect> {QRect(18, 18, 66, 66)});

    if (resume == None)
        click(panel);
    else
        run(Command(resume));
    QVERIFY(!main()->Pause1->isChecked() && !panel->isVisible() && main()->Brett->isVisible());
    QCOMPARE(boardFault(), QString());
    QCOMPARE(main()->outline(), boardOutline(freeCell()));
    // A resumed game counts on from where it stopped, a new one from 0.
    QVERIFY(main()->isClockRunning());
    main()->SekundenZaehlerTimer();
    QCOMPARE(main()->zeit->text(), QString(resume == None ? "00:00:03" : "00:00:01"));
}

// An auto-clicker on the tile beside the free cell and a key held down: every event is
// handled as fast as the loop takes it, none waits inside another, and the board stays whole.
void TestPlay::floodOfPressesAndKeys()
{
    main()->SetShuffleDuration(2);
    main()->Spielstarten1Click();
    QVERIFY(main()->isClockRunning() && !main()->isSolved());
    main()->schnell1Click(main()->schnell1);
    QSignalSpy moved(main(), &TTiloraForm::tilesMoved);
    int mostWaiting = 0;
    for (int round = 0; round < 8; ++round) {
        const QPoint free = freeCell();
        QWidget *tile = main()->TileGrid()[free.x() == 0 ? 1 : free.x() - 1][free.y()]->PieceImage;
        for (int i = 0; i < 250; ++i) {
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QCoreApplication::postEvent(tile, new QMouseEvent(type, QPointF(5, 5),
                    tile->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::LeftButton, {}));
            }
        }
        QCoreApplication::processEvents();
        mostWaiting = std::max(mostWaiting, main()->pendingPressCount());
        QTRY_VERIFY(!main()->AnimTimer->isActive());
        QCOMPARE(boardFault(), QString());
    }
    QCOMPARE(mostWaiting, TTiloraForm::MaxPendingPresses);
    QVERIFY(moved.count() >= 8 && moved.count() <= 8 * (1 + TTiloraForm::MaxPendingPresses));

    // A held key that rebuilds: the builds asked for meanwhile merge into one.
    QSignalSpy rebuilt(main(), &TTiloraForm::boardRebuilt);
    for (int i = 0; i < 2000; ++i) {
        QCoreApplication::postEvent(main(),
            new QKeyEvent(QEvent::KeyPress, Qt::Key_A, {}, QStringLiteral("a")));
    }
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(rebuilt.count() <= 2);
    QCOMPARE(main()->Brett->findChildren<TTiloraStein *>().size(), 25);
    QCOMPARE(boardFault(), QString());
}

void TestPlay::arrowKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("gameOn");
    QTest::addColumn<QPoint>("free"); // the free cell afterwards, from (4, 4)
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::newRow("right: the tile on the left moves") << int(Qt::Key_Right) << none << true
                                                       << QPoint(3, 4);
    QTest::newRow("down: the tile above moves") << int(Qt::Key_Down) << none << true
                                                << QPoint(4, 3);
    QTest::newRow("left: no tile on the right") << int(Qt::Key_Left) << none << true
                                                << QPoint(4, 4);
    QTest::newRow("keypad right") << int(Qt::Key_Right) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                  << true << QPoint(3, 4);
    QTest::newRow("no game") << int(Qt::Key_Right) << none << false << QPoint(4, 4);
}

void TestPlay::arrowKeys()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, gameOn);
    QFETCH(QPoint, free);
    if (gameOn)
        startGame();
    QSignalSpy moved(main(), &TTiloraForm::tilesMoved);
    QTest::keyClick(main(), Qt::Key(key), modifiers);
    QCOMPARE(freeCell(), free);
    QCOMPARE(moved.count(), free == QPoint(4, 4) ? 0 : 1);
    QCOMPARE(boardFault(), QString());
}

// Without a tray "¯" minimises; whichever way the window comes back, the clock goes on.
void TestPlay::backFromMinimisedByTheWindowManager()
{
    startGame();
    if (TrayIcon::available())
        QSKIP("a tray takes the window");
    main()->HideToTray();
    QTRY_VERIFY(main()->isMinimized());
    QVERIFY(!main()->isClockRunning());
    main()->setWindowState(Qt::WindowNoState); // the task bar, Alt+Tab
    QTRY_VERIFY(main()->isClockRunning());
}

QTEST_MAIN(TestPlay)
#include "tst_play.moc"
