#include "app/ProgramWindows.h"
#include "controls/Panel.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "region/RegionExpression.h"
#include "windows/Unit2.h"
#include "windows/bildfenster.h"
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
class Watcher
{
public:
    explicit Watcher(std::function<void()> step)
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(step));
        m_timer.start();
    }
    void stop() { m_timer.stop(); }

private:
    QTimer m_timer;
};

// Commands that can arrive while other work is under way.
enum Command {
    GridSize6,
    NumberMode,
    MotifA,
    Pause,
    ShuffleMenu,
    ShufflePanel,
    ShuffleLength,
    BoardPress,
    Close
};

QString rectText(const QRect &rect)
{
    return QStringLiteral("R%1,%2,%3,%4")
        .arg(rect.left())
        .arg(rect.top())
        .arg(rect.left() + rect.width())
        .arg(rect.top() + rect.height());
}

// A strip of a cell along one of its sides: side (+1, 0) is the right edge, (0, -1) the top.
QRect strip(const QRect &cell, QPoint side, int size)
{
    if (side.x() != 0)
        return QRect(
            side.x() > 0 ? cell.right() + 1 - size : cell.left(), cell.top(), size, cell.height());
    return QRect(
        cell.left(), side.y() > 0 ? cell.bottom() + 1 - size : cell.top(), cell.width(), size);
}

QPoint direction(QPoint from, QPoint to)
{
    return QPoint(Sign(to.x() - from.x()), Sign(to.y() - from.y()));
}

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
    void initTestCase();
    void init();
    void cleanup();

    void fixedShuffles_data();
    void fixedShuffles();
    void selfDeterminedShuffle_data();
    void selfDeterminedShuffle();
    void commandsDuringAShuffle_data();
    void commandsDuringAShuffle();

    void presses_data();
    void presses();
    void slide_data();
    void slide();
    void pressWaitsForTheRunningSlide();
    void waitingPressIsDropped_data();
    void waitingPressIsDropped();
    void shuffleDuringASlideKeepsTheBoardHidden();

    void completion_data();
    void completion();
    void clockText_data();
    void clockText();

    void pauseWithoutAGameChangesNothing_data();
    void pauseWithoutAGameChangesNothing();
    void pauseAndResume_data();
    void pauseAndResume();
    void rebuildEndsThePause_data();
    void rebuildEndsThePause();

    void viewToggles_data();
    void viewToggles();
    void displayOptions();

    void magnifierPlacement_data();
    void magnifierPlacement();
    void magnifierSquare_data();
    void magnifierSquare();

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    void show();
    // What the end of a shuffle does, on the board as it stands.
    void beginGame();
    static void addRebuildRows();
    void run(Command command);
    QWidget *control(int col, int row) const;
    void click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint());
    void press(int col, int row) { click(control(col, row)); }
    // A short shuffle whose free slot is followed line by line: positions 0 .. count.
    QList<QPoint> shuffleFollowingTheFreeSlot();
    QString boardFault() const;
    QRect cellRect(QPoint cell) const;
    QString plainOutline() const;
    QString boardOutline(QPoint freeCell) const;
    QString hiddenBoardOutline() const;
    QString animatedOutline(QPoint source, QPoint target, int offset) const;

    struct EndOfGame
    {
        int shown = 0;
        QString headline;
        QString timeLine;
        bool clockRan = true;
        std::function<void()> meanwhile;
    };
    // Records and closes the message window whenever it shows.
    std::unique_ptr<Watcher> closeMessages(EndOfGame &end);
    void finishAGame();

    std::unique_ptr<ProgramWindows> m_windows;
    QTemporaryDir m_folder;
    std::unique_ptr<QTemporaryDir> m_settings;
    QStringList m_results;
    QList<QRect> m_grabbed;
};

void TestPlay::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestPlay::init()
{
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

void TestPlay::show()
{
    main()->show();
    QVERIFY(QTest::qWaitForWindowExposed(main()));
}

void TestPlay::beginGame()
{
    main()->Panel4->hide();
    main()->ClockSeconds = 0;
    main()->SekundenZaehler->start();
}

void TestPlay::addRebuildRows()
{
    QTest::addColumn<int>("command");
    QTest::newRow("grid size 6x6") << int(GridSize6);
    QTest::newRow("number mode") << int(NumberMode);
    QTest::newRow("motif A") << int(MotifA);
}

void TestPlay::run(Command command)
{
    TTiloraForm *window = main();
    switch (command) {
    case GridSize6:
        window->N201Click(window->GridSizeItems[6 - MinGridSize]);
        break;
    case NumberMode:
        window->Text1Click();
        break;
    case MotifA:
        window->Bild1Click();
        break;
    case Pause:
        window->Pause1Click();
        break;
    case ShuffleMenu:
        window->Spielstarten1Click();
        break;
    case ShufflePanel:
        window->Panel4Click();
        break;
    case ShuffleLength:
        window->selbst1Click(window->mittel1);
        break;
    case Close:
        window->close();
        break;
    case BoardPress:
        // A tile in line with the free slot, by where it shows.
        for (QObject *child : window->Brett->children()) {
            auto *tile = qobject_cast<TTiloraStein *>(child);
            const QPoint cell = tile ? window->cellOfTile(tile) : QPoint(-1, -1);
            if (tile && tile->isVisible()
                && (cell.x() == window->FreeCol) != (cell.y() == window->FreeRow)) {
                click(tile->PieceImage);
                return;
            }
        }
        QFAIL("no tile in line with the free slot");
    }
}

QWidget *TestPlay::control(int col, int row) const
{
    TTiloraStein *tile = main()->TileGrid[col][row];
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

QList<QPoint> TestPlay::shuffleFollowingTheFreeSlot()
{
    QList<QPoint> path;
    main()->SetShuffleDuration(1);
    Watcher follow([&] {
        if (main()->isShuffling() && path.size() == main()->ShuffleStepCount)
            path.append(QPoint(main()->FreeCol, main()->FreeRow));
    });
    main()->Spielstarten1Click();
    return path;
}

std::unique_ptr<Watcher> TestPlay::closeMessages(EndOfGame &end)
{
    return std::make_unique<Watcher>([this, &end] {
        TMeldung *message = m_windows->message.get();
        if (!message->isVisible())
            return;
        ++end.shown;
        end.headline = message->Label4->text();
        end.timeLine = message->Label3->text();
        end.clockRan = main()->isClockRunning();
        if (end.meanwhile)
            end.meanwhile();
        click(message->Panel1);
    });
}

void TestPlay::finishAGame()
{
    EndOfGame end;
    auto closer = closeMessages(end);
    beginGame();
    press(3, 4);
    press(4, 4);
    QCOMPARE(end.shown, 1);
}

QString TestPlay::boardFault() const
{
    const TTiloraForm *window = main();
    const int n = window->GridSize;
    std::set<const TTiloraStein *> tiles;
    std::set<int> homes;
    std::vector<int> homeOfCell(n * n);
    for (int c = 0; c < MaxGridSize; ++c) {
        for (int r = 0; r < MaxGridSize; ++r) {
            const TTiloraStein *tile = window->TileGrid[c][r];
            const QString where = QStringLiteral(" (%1, %2)").arg(c).arg(r);
            if (c >= n || r >= n) {
                if (tile)
                    return QStringLiteral("entry beyond the board") + where;
                continue;
            }
            if (!tile || !tiles.insert(tile).second)
                return QStringLiteral("cell empty or shared") + where;
            if (tile->pos() != QPoint(c * window->TileWidth, r * window->TileHeight))
                return QStringLiteral("tile away from its cell") + where;
            if (tile->isHidden() != (c == window->FreeCol && r == window->FreeRow))
                return QStringLiteral("tile shown or hidden wrongly") + where;
            homeOfCell[r * n + c] = tile->HomeRow * n + tile->HomeCol;
            homes.insert(homeOfCell[r * n + c]);
        }
    }
    const TTiloraStein *hidden = window->TileGrid[window->FreeCol][window->FreeRow];
    if (int(homes.size()) != n * n || hidden->HomeCol != n - 1 || hidden->HomeRow != n - 1
        || !hidden->PieceImage->isHidden())
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
    if (exchanges % 2 != distance % 2)
        return QStringLiteral("arrangement cannot be solved");
    return {};
}

QRect TestPlay::cellRect(QPoint cell) const
{
    const int w = main()->TileWidth;
    const int h = main()->TileHeight;
    return QRect(18 + cell.x() * w, 18 + cell.y() * h, w, h);
}

QString TestPlay::plainOutline() const
{
    return QStringLiteral("U0,0,%1,%2,34,34").arg(main()->width() + 2).arg(main()->height());
}

QString TestPlay::boardOutline(QPoint freeCell) const
{
    return plainOutline() + QStringLiteral("\r\nX\r\n") + rectText(cellRect(freeCell));
}

QString TestPlay::hiddenBoardOutline() const
{
    const QRect board(QPoint(18, 16), QPoint(main()->width() - 19, main()->height() - 19));
    return plainOutline() + QStringLiteral("\r\nX\r\n") + rectText(board);
}

// The cells the slide uncovers: of the old free cell the part the arriving tile has not yet
// covered, of the new one the part the leaving tile has already left.
QString TestPlay::animatedOutline(QPoint source, QPoint target, int offset) const
{
    const QRect old = strip(cellRect(source), direction(target, source), offset);
    const QRect fresh
        = strip(cellRect(target), direction(source, target), main()->TileWidth - offset);
    const bool targetFirst = target.x() < source.x() || target.y() < source.y();
    return QStringList {QStringLiteral("{"), plainOutline(), QStringLiteral("X"),
        rectText(targetFirst ? fresh : old), QStringLiteral("}"), QStringLiteral("X"),
        rectText(targetFirst ? old : fresh)}
        .join(QStringLiteral("\r\n"));
}

// ---------------------------------------------------------------- shuffling

void TestPlay::fixedShuffles_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("duration");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("byPress");
    QTest::addColumn<int>("lines");
    QTest::newRow("kurz 4x4") << 4 << 1 << false << false << 16;
    QTest::newRow("mittel 4x4") << 4 << 2 << false << false << 160;
    QTest::newRow("kurz 12x12") << 12 << 1 << false << false << 144;
    QTest::newRow("kurz 5x5, shown") << 5 << 1 << true << false << 25;
    QTest::newRow("mittel 6x6, shown") << 6 << 2 << true << false << 360;
    QTest::newRow("kurz 5x5, a press on the board") << 5 << 1 << false << true << 25;
    QTest::newRow("extrem lang 5x5") << 5 << 4 << false << false << 25000;
}

void TestPlay::fixedShuffles()
{
    QFETCH(int, size);
    QFETCH(int, duration);
    QFETCH(bool, visible);
    QFETCH(bool, byPress);
    QFETCH(int, lines);
    main()->ShowShuffle = visible;
    show();
    if (size != main()->GridSize)
        main()->N201Click(main()->GridSizeItems[size - MinGridSize]);
    main()->SetShuffleDuration(duration);
    QSignalSpy started(main(), &TTiloraForm::gameStarted);

    TForm3 *start = m_windows->start.get();
    const QPoint centred = main()->pos()
        + QPoint(
            main()->width() / 2 - start->width() / 2, main()->height() / 2 - start->height() / 2);
    int passes = 0;
    QStringList faults;
    Watcher watch([&] {
        // Between the lines of the shuffle, not its last pass of event handling.
        if (main()->ShuffleStepCount >= lines)
            return;
        ++passes;
        if (main()->zeit->text() != QLatin1String("00:00:00") || main()->isClockRunning())
            faults << QStringLiteral("clock ") + main()->zeit->text();
        if (!start->isVisible() || start->pos() != centred)
            faults << QStringLiteral("start window");
        if (main()->outline()
            != (visible ? boardOutline({main()->FreeCol, main()->FreeRow}) : hiddenBoardOutline()))
            faults << QStringLiteral("outline ") + main()->outline();
        faults.removeDuplicates();
    });
    if (byPress)
        press(2, 2);
    else
        main()->Spielstarten1Click();
    watch.stop();

    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    QCOMPARE(passes, lines);
    QCOMPARE(main()->ShuffleStepCount, lines);
    QCOMPARE(started.count(), 1);
    QVERIFY(main()->isClockRunning());
    QCOMPARE(main()->ClockSeconds, 0);
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:00"));
    QVERIFY(!start->isVisible());
    QVERIFY(!main()->Panel4->isVisible());
    QVERIFY(!main()->isShuffling());
    VERIFY_BOARD();
    QCOMPARE(main()->outline(), boardOutline({main()->FreeCol, main()->FreeRow}));
    main()->SekundenZaehlerTimer();
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:01"));
}

void TestPlay::selfDeterminedShuffle_data()
{
    QTest::addColumn<int>("dismissAt");
    QTest::addColumn<QString>("clockText");
    QTest::newRow("dismissed at once") << 0 << "00:00:00";
    QTest::newRow("dismissed after 10000 lines") << 10000 << "10000";
}

void TestPlay::selfDeterminedShuffle()
{
    QFETCH(int, dismissAt);
    QFETCH(QString, clockText);
    show();
    TForm3 *start = m_windows->start.get();
    QStringList texts;
    Watcher watch([&] {
        if (!main()->isShuffling() || !start->isVisible())
            return;
        const int count = main()->ShuffleStepCount;
        const QString text = main()->zeit->text();
        texts.append(
            count > 0 && count % 10000 == 0 ? QStringLiteral("%1=%2").arg(count).arg(text) : text);
        if (count >= dismissAt)
            click(start->Panel1);
    });
    main()->selbst1Click(main()->selbst1);
    watch.stop();

    texts.removeDuplicates();
    QStringList expected {QStringLiteral("00:00:00")};
    if (dismissAt >= 10000)
        expected << QStringLiteral("10000=10000");
    QCOMPARE(texts, expected);
    QCOMPARE(main()->ShuffleDuration, 0);
    QCOMPARE(main()->ShuffleStepCount, dismissAt + 1);
    QVERIFY(!start->isVisible());
    QVERIFY(main()->isClockRunning());
    QCOMPARE(main()->zeit->text(), clockText);
    main()->SekundenZaehlerTimer();
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:01"));
    VERIFY_BOARD();
}

void TestPlay::commandsDuringAShuffle_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("gameStarts");
    QTest::addColumn<int>("nextLines");
    // Requests for a new shuffle are ignored; a new length counts from the next game.
    QTest::newRow("Spiel mischen") << int(ShuffleMenu) << 25 << true << 25;
    QTest::newRow("Mischen! panel") << int(ShufflePanel) << 25 << true << 25;
    QTest::newRow("Mischdauer mittel") << int(ShuffleLength) << 25 << true << 250;
    QTest::newRow("press on the board") << int(BoardPress) << 25 << true << 25;
    QTest::newRow("pause") << int(Pause) << 25 << true << 25;
    // A new board ends the shuffle at once and waits for the next.
    QTest::newRow("grid size 6x6") << int(GridSize6) << 3 << false << 36;
    QTest::newRow("number mode") << int(NumberMode) << 3 << false << 25;
    QTest::newRow("motif A") << int(MotifA) << 3 << false << 25;
    QTest::newRow("closing the window") << int(Close) << 3 << false << 3;
}

void TestPlay::commandsDuringAShuffle()
{
    QFETCH(int, command);
    QFETCH(int, lines);
    QFETCH(bool, gameStarts);
    QFETCH(int, nextLines);
    show();
    main()->SetShuffleDuration(1);
    main()->MoveSourceCol = -7;
    QSignalSpy started(main(), &TTiloraForm::gameStarted);
    TForm3 *start = m_windows->start.get();
    bool done = false;
    Watcher watch([&] {
        if (done || main()->ShuffleStepCount != 3)
            return;
        done = true;
        // Dismissing the start window does not shorten a fixed-length shuffle.
        click(start->Panel1);
        run(Command(command));
    });
    main()->Spielstarten1Click();
    watch.stop();

    QVERIFY(done);
    QCOMPARE(main()->ShuffleStepCount, lines);
    QCOMPARE(started.count(), gameStarts ? 1 : 0);
    QCOMPARE(main()->isClockRunning(), gameStarts);
    QCOMPARE(main()->MoveSourceCol, -7);
    QVERIFY(!main()->isShuffling());
    QVERIFY(!start->isVisible());
    QVERIFY(!main()->Pause1->isChecked());
    if (command != Close) {
        VERIFY_BOARD();
        QCOMPARE(main()->Panel4->isVisible(), !gameStarts);
        QCOMPARE(main()->isSolved(), !gameStarts);
    }
    main()->Spielstarten1Click();
    QCOMPARE(main()->ShuffleStepCount, nextLines);
}

// ---------------------------------------------------------------- moves and animation

void TestPlay::presses_data()
{
    QTest::addColumn<bool>("numberMode");
    QTest::addColumn<QPoint>("pressed");
    QTest::addColumn<bool>("moves");
    QTest::newRow("left neighbour") << false << QPoint(3, 4) << true;
    QTest::newRow("upper neighbour") << false << QPoint(4, 3) << true;
    QTest::newRow("far end of the row") << false << QPoint(0, 4) << true;
    QTest::newRow("far end of the column") << false << QPoint(4, 0) << true;
    QTest::newRow("number mode, row") << true << QPoint(1, 4) << true;
    QTest::newRow("out of line") << false << QPoint(2, 2) << false;
    QTest::newRow("diagonal neighbour") << false << QPoint(3, 3) << false;
    QTest::newRow("the hidden tile") << false << QPoint(4, 4) << false;
    QTest::newRow("bare board at the free slot") << false << QPoint(-1, -1) << false;
}

void TestPlay::presses()
{
    QFETCH(bool, numberMode);
    QFETCH(QPoint, pressed);
    QFETCH(bool, moves);
    show();
    if (numberMode)
        main()->Text1Click();
    beginGame();
    // The board is solved: a completion test after a press that moves nothing would end it.
    QSignalSpy solved(main(), &TTiloraForm::gameSolved);
    if (pressed.x() < 0)
        click(main()->Brett, Qt::LeftButton, cellRect({4, 4}).center() - QPoint(18, 18));
    else
        press(pressed.x(), pressed.y());

    QVERIFY(!main()->AnimTimer->isActive());
    QCOMPARE(solved.count(), 0);
    QVERIFY(main()->isClockRunning());
    const QPoint free = moves ? pressed : QPoint(4, 4);
    QCOMPARE(QPoint(main()->FreeCol, main()->FreeRow), free);
    // The segment from the pressed cell to the old free slot moved one cell towards it.
    const QPoint step = direction(free, QPoint(4, 4));
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

void TestPlay::slide_data()
{
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QPoint>("before");
    QTest::addColumn<QPoint>("pressed");
    QTest::newRow("tile slides right") << true << QPoint(-1, -1) << QPoint(3, 4);
    QTest::newRow("tile slides down") << true << QPoint(-1, -1) << QPoint(4, 3);
    QTest::newRow("three tiles slide down") << true << QPoint(-1, -1) << QPoint(4, 1);
    QTest::newRow("two tiles slide left") << true << QPoint(0, 4) << QPoint(2, 4);
    QTest::newRow("tile slides up") << true << QPoint(4, 0) << QPoint(4, 1);
    QTest::newRow("opaque free slot") << false << QPoint(-1, -1) << QPoint(1, 4);
}

void TestPlay::slide()
{
    QFETCH(bool, transparent);
    QFETCH(QPoint, before);
    QFETCH(QPoint, pressed);
    main()->Transparenz1->setChecked(transparent);
    show();
    beginGame();
    if (before.x() >= 0)
        press(before.x(), before.y());
    main()->schnell1Click(main()->langsam1);
    const QPoint source(main()->FreeCol, main()->FreeRow);
    QSignalSpy solved(main(), &TTiloraForm::gameSolved);

    press(pressed.x(), pressed.y());
    QVERIFY(main()->AnimTimer->isActive());
    main()->AnimTimer->stop();
    QCOMPARE(QPoint(main()->FreeCol, main()->FreeRow), pressed);
    // Before the first tick every visible tile still shows where it stood; from a solved
    // board that is its home, yet with the free slot away from its home nothing is solved.
    QVERIFY(!main()->isSolved());
    QCOMPARE(solved.count(), 0);
    // Nothing rebuilds the outline of an opaque free slot while the slide is shown.
    const QString sentinel = QStringLiteral("U0,0,100,100,34,34");
    if (!transparent)
        main()->setOutline(sentinel);

    const QPoint step = direction(source, pressed);
    for (int frame = 0; frame <= 8; ++frame) {
        if (frame > 0)
            main()->AnimTimerTimer();
        const int offset = frame > 0 ? SlowOffsets[frame - 1] : 50;
        for (QPoint cell = source; cell != pressed; cell += step)
            QCOMPARE(main()->TileGrid[cell.x()][cell.y()]->pos(), cell * 50 + step * offset);
        if (frame > 0)
            QCOMPARE(main()->outline(),
                transparent ? animatedOutline(source, pressed, offset) : sentinel);
    }
    const QString lastFrame = main()->outline();
    main()->AnimTimerTimer();
    QVERIFY(!main()->AnimTimer->isActive());
    QCOMPARE(main()->AnimationFrame, 0);
    QCOMPARE(main()->outline(), lastFrame);
    VERIFY_BOARD();
    if (transparent) {
        // The last frame shows exactly the board with the hole at the new free cell.
        const std::optional<QRegion> shown = EvaluateRegion(lastFrame, *main());
        const std::optional<QRegion> atRest = EvaluateRegion(boardOutline(pressed), *main());
        QVERIFY(shown && atRest);
        QCOMPARE(*shown, *atRest);
    }
}

void TestPlay::pressWaitsForTheRunningSlide()
{
    show();
    beginGame();
    main()->schnell1Click(main()->langsam1);
    press(3, 4);
    QVERIFY(main()->AnimTimer->isActive());
    TTiloraStein *slid = main()->TileGrid[4][4];
    std::set<std::pair<int, int>> seen;
    bool waited = false;
    Watcher watch([&] {
        waited = waited || main()->AnimTimer->isActive();
        seen.insert({main()->FreeCol, main()->FreeRow});
    });
    press(2, 4);
    watch.stop();

    QVERIFY(waited);
    QVERIFY(seen == (std::set<std::pair<int, int>> {{3, 4}}));
    QCOMPARE(slid->pos(), QPoint(200, 200));
    QCOMPARE(QPoint(main()->MoveSourceCol, main()->MoveSourceRow), QPoint(3, 4));
    QCOMPARE(main()->FreeCol, 2);
    QTRY_VERIFY(!main()->AnimTimer->isActive());
    VERIFY_BOARD();
}

void TestPlay::waitingPressIsDropped_data()
{
    addRebuildRows();
    QTest::newRow("pause") << int(Pause);
}

void TestPlay::waitingPressIsDropped()
{
    QFETCH(int, command);
    show();
    beginGame();
    main()->schnell1Click(main()->langsam1);
    press(3, 4);
    bool done = false;
    Watcher watch([&] {
        if (!done) {
            done = true;
            run(Command(command));
        }
    });
    press(2, 4);
    watch.stop();

    QVERIFY(done);
    QVERIFY(!main()->AnimTimer->isActive());
    if (command == Pause) {
        // The slide came to rest before the pause closed the hole; the resume reopens it.
        QVERIFY(main()->Pause1->isChecked());
        QCOMPARE(main()->AnimationFrame, 0);
        QCOMPARE(main()->outline(), plainOutline());
        main()->PausenpanelClick();
        QCOMPARE(QPoint(main()->FreeCol, main()->FreeRow), QPoint(3, 4));
        QCOMPARE(main()->outline(), boardOutline({3, 4}));
    } else {
        QVERIFY(main()->isSolved());
        QVERIFY(main()->Panel4->isVisible());
        QVERIFY(!main()->isClockRunning());
    }
    VERIFY_BOARD();
}

void TestPlay::shuffleDuringASlideKeepsTheBoardHidden()
{
    show();
    beginGame();
    main()->schnell1Click(main()->langsam1);
    main()->SetShuffleDuration(2);
    press(3, 4);
    QVERIFY(main()->AnimTimer->isActive());
    // The slide's ticks come between the lines of the shuffle.
    main()->AnimTimer->setInterval(NoTicks);
    QStringList outlines;
    Watcher watch([&] {
        if (main()->isShuffling() && main()->ShuffleStepCount < 250) {
            if (main()->AnimTimer->isActive())
                main()->AnimTimerTimer();
            outlines.append(main()->outline());
        }
    });
    main()->Spielstarten1Click();
    watch.stop();
    outlines.removeDuplicates();
    QCOMPARE(outlines.join(QLatin1Char('\n')), hiddenBoardOutline());
    QCOMPARE(main()->ShuffleStepCount, 250);
    QVERIFY(!main()->AnimTimer->isActive());
    VERIFY_BOARD();
}

// ---------------------------------------------------------------- clock and completion

void TestPlay::completion_data()
{
    QTest::addColumn<bool>("numberMode");
    QTest::addColumn<bool>("markAtStart");
    QTest::addColumn<int>("toggles");
    QTest::addColumn<bool>("honest");
    QTest::newRow("honest") << false << false << 0 << true;
    QTest::newRow("cheat view on and off") << false << false << 2 << false;
    QTest::newRow("started with the mark on") << false << true << 0 << false;
    QTest::newRow("number mode, honest") << true << false << 0 << true;
    QTest::newRow("number mode, mark by key") << true << false << 1 << false;
}

void TestPlay::completion()
{
    QFETCH(bool, numberMode);
    QFETCH(bool, markAtStart);
    QFETCH(int, toggles);
    QFETCH(bool, honest);
    show();
    if (numberMode)
        main()->Text1Click();
    if (markAtStart)
        main()->Schummeln1Click();
    const QList<QPoint> path = shuffleFollowingTheFreeSlot();
    QCOMPARE(path.size(), 26);
    QVERIFY(!main()->isSolved());
    for (int i = 0; i < toggles; ++i)
        main()->Schummeln1Click();
    for (int i = 0; i < 75; ++i)
        main()->SekundenZaehlerTimer();

    // The lines of the shuffle undone by presses, the last one solving the board.
    EndOfGame end;
    QString during;
    end.meanwhile = [&] {
        // While the game ends nothing starts and nothing moves.
        main()->Spielstarten1Click();
        main()->Panel4Click();
        press(3, 4);
        during = QStringLiteral("%1 %2,%3 %4")
                     .arg(main()->ShuffleStepCount)
                     .arg(main()->FreeCol)
                     .arg(main()->FreeRow)
                     .arg(main()->isShuffling());
    };
    auto closer = closeMessages(end);
    QSignalSpy solved(main(), &TTiloraForm::gameSolved);
    for (qsizetype k = path.size() - 2; k >= 0 && !main()->Panel4->isVisible(); --k)
        press(path[k].x(), path[k].y());
    closer->stop();

    QCOMPARE(solved.count(), 1);
    QCOMPARE(end.shown, 1);
    QVERIFY(!end.clockRan);
    QCOMPARE(
        end.headline, honest ? QStringLiteral("Glückwunsch!!!") : QStringLiteral("Schummler!!!"));
    QCOMPARE(end.timeLine, QStringLiteral("00:01:15 Sekunden."));
    QCOMPARE(during, QStringLiteral("25 4,4 0"));
    QCOMPARE(m_results, honest ? QStringList {QStringLiteral("00:01:15")} : QStringList());
    QVERIFY(main()->isSolved());
    QVERIFY(main()->Panel4->isVisible());
    QVERIFY(!main()->isClockRunning());
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:01:15"));
    // The next game starts clean unless the mark is still on.
    main()->Spielstarten1Click();
    QCOMPARE(main()->GameCheated, main()->Schummeln1->isChecked());
}

void TestPlay::clockText_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("text");
    QTest::newRow("first tick") << 0 << 1 << "00:00:01";
    QTest::newRow("3661 ticks") << 0 << 3661 << "01:01:01";
    QTest::newRow("a day") << 86399 << 1 << "24:00:00";
    QTest::newRow("100 hours") << 359999 << 1 << "100:00:00";
}

void TestPlay::clockText()
{
    QFETCH(int, from);
    QFETCH(int, ticks);
    QFETCH(QString, text);
    show();
    beginGame();
    main()->ClockSeconds = from;
    for (int i = 0; i < ticks; ++i)
        main()->SekundenZaehlerTimer();
    QCOMPARE(main()->zeit->text(), text);
}

// ---------------------------------------------------------------- pause

void TestPlay::pauseWithoutAGameChangesNothing_data()
{
    QTest::addColumn<bool>("finished");
    QTest::newRow("before the first shuffle") << false;
    QTest::newRow("after a finished game") << true;
}

void TestPlay::pauseWithoutAGameChangesNothing()
{
    QFETCH(bool, finished);
    show();
    if (finished)
        finishAGame();
    const QString outline = main()->outline();
    main()->Pause1Click();
    QVERIFY(!main()->Pause1->isChecked());
    QVERIFY(!main()->Pausenpanel->isVisible());
    QVERIFY(main()->Brett->isVisible());
    QVERIFY(main()->Panel4->isVisible());
    QVERIFY(!main()->isClockRunning());
    QCOMPARE(main()->outline(), outline);
}

void TestPlay::pauseAndResume_data()
{
    QTest::addColumn<int>("resume");
    QTest::newRow("resumed by the menu") << 0;
    QTest::newRow("resumed by the Pause! panel") << 1;
    QTest::newRow("ended by a new shuffle") << 2;
}

void TestPlay::pauseAndResume()
{
    QFETCH(int, resume);
    show();
    beginGame();
    press(2, 4);
    main()->SekundenZaehlerTimer();
    main()->SekundenZaehlerTimer();
    const QString outline = main()->outline();
    QCOMPARE(outline, boardOutline({2, 4}));

    main()->Pause1Click();
    TPanel *panel = main()->Pausenpanel;
    QVERIFY(main()->Pause1->isChecked());
    QVERIFY(!main()->isClockRunning());
    QVERIFY(!main()->Brett->isVisible());
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->pos(),
        QPoint(
            main()->width() / 2 - panel->width() / 2, main()->height() / 2 - panel->height() / 2));
    QCOMPARE(main()->outline(), plainOutline());
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:02"));

    if (resume == 0)
        main()->Pause1Click();
    else if (resume == 1)
        click(panel);
    else
        main()->selbst1Click(main()->wenig1);
    QVERIFY(!main()->Pause1->isChecked());
    QVERIFY(!panel->isVisible());
    QVERIFY(main()->Brett->isVisible());
    QVERIFY(main()->isClockRunning());
    QCOMPARE(main()->outline(), boardOutline({main()->FreeCol, main()->FreeRow}));
    if (resume < 2)
        QCOMPARE(main()->outline(), outline);
    // A resumed game counts on from where it stopped, a new one from 0.
    main()->SekundenZaehlerTimer();
    const QString next = resume < 2 ? QStringLiteral("00:00:03") : QStringLiteral("00:00:01");
    QCOMPARE(main()->zeit->text(), next);
}

void TestPlay::rebuildEndsThePause_data()
{
    addRebuildRows();
}

void TestPlay::rebuildEndsThePause()
{
    QFETCH(int, command);
    show();
    beginGame();
    press(0, 4);
    main()->Pause1Click();
    run(Command(command));
    QVERIFY(!main()->Pause1->isChecked());
    QVERIFY(!main()->Pausenpanel->isVisible());
    QVERIFY(main()->Brett->isVisible());
    QVERIFY(!main()->isClockRunning());
    QVERIFY(main()->Panel4->isVisible());
    const QString outline = boardOutline({main()->GridSize - 1, main()->GridSize - 1});
    QCOMPARE(main()->outline(), outline);
    // No game runs, so there is nothing to resume and no old outline comes back.
    main()->Pause1Click();
    QVERIFY(!main()->Pause1->isChecked());
    QCOMPARE(main()->outline(), outline);
    QVERIFY(!main()->isClockRunning());
}

// ---------------------------------------------------------------- cheat view, solution, display

void TestPlay::viewToggles_data()
{
    QTest::addColumn<bool>("numberMode");
    QTest::newRow("picture mode") << false;
    QTest::newRow("number mode") << true;
}

void TestPlay::viewToggles()
{
    QFETCH(bool, numberMode);
    show();
    if (numberMode)
        main()->Text1Click();
    beginGame();
    TVorschauFenster *preview = m_windows->preview.get();
    for (const bool on : {true, false}) {
        main()->Vorschau1Click();
        QCOMPARE(main()->Vorschau1->isChecked(), on);
        QCOMPARE(preview->isVisible(), on && !numberMode);
    }
    // Looking at the solution costs nothing; the cheat view costs the game.
    QVERIFY(!main()->GameCheated);
    for (const bool on : {true, false}) {
        main()->Schummeln1Click();
        QCOMPARE(main()->Schummeln1->isChecked(), on);
        QVERIFY(main()->GameCheated);
        for (int c = 0; c < 5; ++c) {
            for (int r = 0; r < 5; ++r) {
                TTiloraStein *tile = main()->TileGrid[c][r];
                QCOMPARE(!tile->NumberLabel->isHidden(), numberMode || on);
                QCOMPARE(!tile->PieceImage->isHidden(), !numberMode && (c != 4 || r != 4));
            }
        }
    }
    if (numberMode) {
        // Back in picture mode the solution window follows its mark.
        main()->Vorschau1Click();
        main()->Text1Click();
        QVERIFY(preview->isVisible());
    }
}

void TestPlay::displayOptions()
{
    show();
    beginGame();
    press(4, 1);
    for (const bool framed : {false, true}) {
        main()->SteinRahmenClick();
        QCOMPARE(main()->Steineumrahmen1->isChecked(), framed);
        for (int c = 0; c < 5; ++c) {
            for (int r = 0; r < 5; ++r) {
                TTiloraStein *tile = main()->TileGrid[c][r];
                QCOMPARE(tile->isFramed(), framed);
                QCOMPARE(tile->PieceImage->geometry(),
                    framed ? QRect(1, 1, 48, 48) : QRect(0, 0, 50, 50));
            }
        }
    }
    const QString outline = main()->outline();
    QCOMPARE(outline, boardOutline({4, 1}));
    main()->Transparenz1Click();
    QVERIFY(!main()->Transparenz1->isChecked());
    QCOMPARE(main()->outline(), plainOutline());
    main()->Transparenz1Click();
    QCOMPARE(main()->outline(), outline);
}

// ---------------------------------------------------------------- magnifier

void TestPlay::magnifierPlacement_data()
{
    QTest::addColumn<int>("game"); // 0 none, 1 running, 2 paused
    QTest::addColumn<int>("roomOnTheLeft");
    QTest::addColumn<bool>("onTheLeft");
    QTest::newRow("plenty of room") << 1 << 150 << true;
    QTest::newRow("just enough room") << 1 << 0 << true;
    QTest::newRow("one pixel short") << 1 << -1 << false;
    QTest::newRow("at the screen edge") << 1 << -200 << false;
    QTest::newRow("no game") << 0 << 150 << false;
    QTest::newRow("paused") << 2 << 150 << false;
}

void TestPlay::magnifierPlacement()
{
    QFETCH(int, game);
    QFETCH(int, roomOnTheLeft);
    QFETCH(bool, onTheLeft);
    TForm2 *magnifier = m_windows->magnifier.get();
    main()->move(magnifier->width() + roomOnTheLeft, 100);
    show();
    if (game > 0)
        beginGame();
    if (game > 1)
        main()->Pause1Click();
    QWidget *piece = control(1, 1);
    QTest::mousePress(piece, Qt::RightButton);
    QCOMPARE(magnifier->isVisible(), game == 1);
    QCOMPARE(m_grabbed.size(), game == 1 ? 1 : 0);
    if (game == 1) {
        const int left
            = onTheLeft ? main()->x() - magnifier->width() : main()->x() + main()->width();
        QCOMPARE(magnifier->pos(),
            QPoint(left, main()->y() + (main()->height() - magnifier->height()) / 2));
        QCOMPARE(main()->pointerName(), QStringLiteral("LUPE"));
    }
    QTest::mouseRelease(piece, Qt::RightButton);
    QVERIFY(!magnifier->isVisible());
    QCOMPARE(main()->pointerName(), QStringLiteral("FINGER1"));
}

void TestPlay::magnifierSquare_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QRect>("square");
    // The pieces sit one pixel inside the tiles' frames.
    QTest::newRow("zoom 3, top-left corner")
        << 3 << QPoint(0, 0) << QPoint(5, 5) << QRect(18, 18, 66, 66);
    QTest::newRow("zoom 3, bottom edge")
        << 3 << QPoint(3, 4) << QPoint(47, 47) << QRect(183, 202, 66, 66);
    QTest::newRow("zoom 2, middle")
        << 2 << QPoint(2, 2) << QPoint(24, 24) << QRect(93, 93, 100, 100);
    QTest::newRow("zoom 10, right edge")
        << 10 << QPoint(4, 3) << QPoint(44, 44) << QRect(248, 203, 20, 20);
}

void TestPlay::magnifierSquare()
{
    QFETCH(int, zoom);
    QFETCH(QPoint, cell);
    QFETCH(QPoint, at);
    QFETCH(QRect, square);
    show();
    beginGame();
    main()->ZoomFactor = zoom;
    TForm2 *magnifier = m_windows->magnifier.get();
    // An unreadable screen first: the window's own drawing serves.
    QWidget *piece = control(cell.x(), cell.y());
    QTest::mousePress(piece, Qt::RightButton, {}, at);
    QCOMPARE(m_grabbed, QList<QRect> {square});
    QCOMPARE(magnifier->picture().size(), square.size());
    QTest::mouseRelease(piece, Qt::RightButton, {}, at);

    main()->grabScreen = [this](const QRect &rect) {
        m_grabbed.append(rect);
        QImage red(rect.size(), QImage::Format_RGB32);
        red.fill(Qt::red);
        return red;
    };
    QTest::mousePress(piece, Qt::RightButton, {}, at);
    QCOMPARE(m_grabbed, (QList<QRect> {square, square}));
    QCOMPARE(QColor(magnifier->picture().pixel(square.width() / 2, 3)), QColor(Qt::red));
    QTest::mouseRelease(piece, Qt::RightButton, {}, at);
    QVERIFY(!magnifier->isVisible());
}

QTEST_MAIN(TestPlay)
#include "tst_play.moc"
