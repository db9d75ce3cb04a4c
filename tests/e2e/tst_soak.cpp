#include "logic/HighscoreTable.h"
#include "logic/IniFile.h"
#include "support/E2eColourBoard.h"
#include "support/E2eHarness.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <cstdlib>
#include <optional>

// Many games in a row in the real program: shuffles started by key, panel and menu, presses on
// random tiles, pauses, grid sizes and modes changed through keys and menus, the settings
// dialog opened and cancelled, every other small game solved into the high score table, and
// now and then a second instance that hands over to the first. The program must stay up, lose
// no memory, and leave both of its files readable.
//
// TILORA_SOAK_GAMES sets the number of games (default 3); tools/soak.sh plays 200, in the
// sanitised build and in a plain one.
class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void gamesInARow();

private:
    QPoint onWindow(int x, int y) const { return m_window.topLeft() + QPoint(x, y); }
    QPoint cellCentre(int cell) const;
    void focusMainWindow();
    // The program puts the pointer in the window's middle when a board is ready for a game
    // and when a shuffle begins.
    bool waitForPointerInTheMiddle();
    bool waitForMainSize(int grid);
    bool waitForOnlyMainWindow(int timeoutMs = 20000);
    bool chooseMenuLine(QPoint button, int line, int subLine = -1);

    bool startShuffle(int way);
    void pressRandomTiles(int count);
    bool pauseOrEndOfGame(int game);
    bool openAndCancelSettings();
    bool switchMode(bool byMenu);
    bool changeGrid(int grid);
    bool solveIntoTable(int game);
    bool closeGameEnd(int game, const QString &message);
    QString windowTitles() const;
    bool startSecondInstance();
    bool stillRunning() const;
    qint64 residentKilobytes() const;

    std::unique_ptr<e2e::Program> m_program;
    QString m_windowId;
    QRect m_window;
    int m_grid = 4;
    bool m_numbers = false;
    bool m_gameRunning = false;
    int m_solved = 0;
    int m_solvedByChance = 0;
    QRandomGenerator m_random;
};

namespace {

constexpr int Tile = 50;
constexpr int Frame = 18;
constexpr int SolveGrid = e2e::ColourGrid;

QSize windowSize(int grid)
{
    return QSize(grid * Tile + 2 * Frame, grid * Tile + 2 * Frame);
}

int gamesToPlay()
{
    bool ok = false;
    const int games = qEnvironmentVariableIntValue("TILORA_SOAK_GAMES", &ok);
    return ok && games > 0 ? games : 3;
}

const QColor Silver(0xC0, 0xC0, 0xC0);

// The program is built as this test is.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool SanitizedBuild = true;
#elif defined(__has_feature)
constexpr bool SanitizedBuild = __has_feature(address_sanitizer);
#else
constexpr bool SanitizedBuild = false;
#endif

} // namespace

void TestSoak::initTestCase()
{
    E2E_REQUIRE_DISPLAY();
}

void TestSoak::cleanup()
{
    if (m_program) {
        if (QTest::currentTestFailed())
            qWarning().noquote() << QString::fromLocal8Bit(m_program->errors().right(20000));
        m_program->kill();
    }
    m_program.reset();
}

QPoint TestSoak::cellCentre(int cell) const
{
    return onWindow(
        Frame + (cell % m_grid) * Tile + Tile / 2, Frame + (cell / m_grid) * Tile + Tile / 2);
}

void TestSoak::focusMainWindow()
{
    // Without a window manager the keyboard follows the pointer; the left frame is no tile.
    e2e::mouseMove(onWindow(6, m_window.height() / 2));
}

bool TestSoak::waitForPointerInTheMiddle()
{
    const QPoint middle = onWindow(m_window.width() / 2, m_window.height() / 2);
    return e2e::waitUntil([&] { return e2e::pointerPosition() == middle; }, 15000);
}

bool TestSoak::waitForMainSize(int grid)
{
    return e2e::waitUntil(
        [&] { return (m_window = e2e::windowGeometry(m_windowId)).size() == windowSize(grid); },
        15000);
}

bool TestSoak::waitForOnlyMainWindow(int timeoutMs)
{
    return e2e::waitUntil(
        [&] { return e2e::visibleWindows(m_program->pid()) == QStringList {m_windowId}; },
        timeoutMs);
}

// Opens the menu of a caption button and clicks its line (counted from 0), or in the submenu
// of that line its subLine.
bool TestSoak::chooseMenuLine(QPoint button, int line, int subLine)
{
    QStringList known = e2e::visibleWindows(m_program->pid());
    e2e::click(button);
    QRect menu = e2e::waitForNewWindow(m_program->pid(), known);
    if (menu.isNull())
        return false;
    for (int level = 0; level < (subLine < 0 ? 1 : 2); ++level) {
        // The first line lights up under the pointer, which gives the height of every line.
        const QPoint firstLine(menu.left() + 30, menu.top() + 6);
        e2e::mouseMove(firstLine);
        if (!e2e::waitForPixel(QPoint(menu.left() + 3, firstLine.y()), Silver))
            return false;
        const QRect first = e2e::menuLineAt(e2e::screenshot(), menu, firstLine);
        const int index = level == 0 ? line : subLine;
        known = e2e::visibleWindows(m_program->pid());
        e2e::click(
            QPoint(menu.left() + 30, first.top() + index * first.height() + first.height() / 2));
        if (level == 0 && subLine >= 0) {
            menu = e2e::waitForNewWindow(m_program->pid(), known);
            if (menu.isNull())
                return false;
        }
    }
    return true;
}

bool TestSoak::startShuffle(int way)
{
    focusMainWindow();
    if (way % 3 == 1) {
        // "Spiel mischen", the first line of the game menu.
        if (!chooseMenuLine(onWindow(28, 7), 0))
            return false;
    } else if (way % 3 == 2 && !m_gameRunning) {
        // "Mischen!" waits: a press anywhere on the board starts a game.
        e2e::click(cellCentre(0));
    } else {
        e2e::key(QStringLiteral("F2"));
    }
    // The shuffle has begun once the pointer is in the middle, and ended with its window.
    m_gameRunning = true;
    return waitForPointerInTheMiddle() && waitForOnlyMainWindow();
}

void TestSoak::pressRandomTiles(int count)
{
    for (int i = 0; i < count; ++i)
        e2e::click(cellCentre(int(m_random.bounded(m_grid * m_grid))));
}

// After the presses: either the game was solved by chance (its message shows), or the pause,
// which comes after the presses, hides the board; then the game goes on.
bool TestSoak::pauseOrEndOfGame(int game)
{
    focusMainWindow();
    e2e::key(QStringLiteral("p"));
    const QPoint board = onWindow(Frame + 3, Frame + 3);
    const QColor grey(73, 73, 73);
    QString message;
    if (!e2e::waitUntil([&] {
            message = e2e::waitForWindow(QStringLiteral("Meldung"), 0, m_program->pid());
            return !message.isEmpty() || e2e::pixelAt(board) == grey;
        }))
        return false;
    if (!message.isEmpty()) {
        ++m_solvedByChance;
        return closeGameEnd(game, message) && waitForPointerInTheMiddle();
    }
    focusMainWindow();
    e2e::key(QStringLiteral("P"));
    return e2e::waitForPixel(board, grey, false) && stillRunning();
}

bool TestSoak::openAndCancelSettings()
{
    focusMainWindow();
    const QStringList known = e2e::visibleWindows(m_program->pid());
    e2e::key(QStringLiteral("F9"));
    const QString dialog
        = e2e::waitForWindow(QStringLiteral("Einstellungen"), 10000, m_program->pid());
    if (dialog.isEmpty())
        return false;
    const QRect place = e2e::windowGeometry(dialog);
    e2e::mouseMove(place.topLeft() + QPoint(place.width() / 2, 8));
    e2e::key(QStringLiteral("Escape"));
    return e2e::waitUntil([&] { return !e2e::visibleWindows(m_program->pid()).contains(dialog); })
        && waitForMainSize(m_grid);
}

bool TestSoak::switchMode(bool byMenu)
{
    if (byMenu) {
        // "Text" or "Bild", the first line of the options menu.
        if (!chooseMenuLine(onWindow(45, 8), 0))
            return false;
    } else {
        focusMainWindow();
        e2e::key(QStringLiteral("F6"));
    }
    m_numbers = !m_numbers;
    m_gameRunning = false;
    // The mode rebuilds the board, which ends with the pointer in the middle.
    return waitForPointerInTheMiddle();
}

bool TestSoak::changeGrid(int grid)
{
    // "Groesse", the second line of the options menu: "4×4" .. "12×12".
    if (!chooseMenuLine(onWindow(45, 8), 1, grid - 4))
        return false;
    m_grid = grid;
    m_gameRunning = false;
    return waitForMainSize(grid) && waitForPointerInTheMiddle();
}

bool TestSoak::solveIntoTable(int game)
{
    std::optional<e2e::ColourBoard> board;
    const auto centre = [this](int cell) { return cellCentre(cell); };
    if (!e2e::waitUntil(
            [&] { return bool(board = e2e::colourBoardOnScreen(e2e::screenshot(), centre)); },
            15000))
        return false;
    const QList<int> presses = e2e::solveColourBoard(*board);
    if (presses.isEmpty())
        return e2e::distanceHome(*board) == 0;
    // The clock must have counted a second, or the time does not rank.
    const QRect clock(onWindow(55, 2), QSize(m_window.width() - 120, 14));
    const QImage started = e2e::screenshot().copy(clock);
    if (!e2e::waitUntil([&] { return e2e::screenshot().copy(clock) != started; }, 5000))
        return false;
    // Each slide shows its pressed cell free (the white board) before the next press: a
    // player sees the tile go, and presses that wait for a slide run the latest first.
    for (const int cell : presses) {
        e2e::click(cellCentre(cell));
        if (!e2e::waitForPixel(cellCentre(cell), Qt::white))
            return false;
    }

    const QString message = e2e::waitForWindow(QStringLiteral("Meldung"), 10000, m_program->pid());
    if (message.isEmpty() || !closeGameEnd(game, message))
        return false;
    ++m_solved;
    return waitForPointerInTheMiddle();
}

// The message of a finished game, then the high score window.
bool TestSoak::closeGameEnd(int game, const QString &message)
{
    m_gameRunning = false;
    e2e::click(e2e::windowGeometry(message).center());
    const QString table = e2e::waitForWindow(QStringLiteral("Highscore"), 10000, m_program->pid());
    if (table.isEmpty())
        return false;
    const QRect place = e2e::windowGeometry(table);
    e2e::mouseMove(place.topLeft() + QPoint(place.width() / 2, 10));
    // The name goes into the field when the time ranked; Esc takes it and closes the window.
    e2e::type(QStringLiteral("Spiel %1 Jörg").arg(game));
    e2e::key(QStringLiteral("Escape"));
    return waitForOnlyMainWindow(10000);
}

QString TestSoak::windowTitles() const
{
    QStringList titles;
    for (const QString &id : e2e::visibleWindows(m_program->pid()))
        titles
            << e2e::run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id}).trimmed();
    return QStringLiteral("windows: ") + titles.join(QStringLiteral(", "));
}

bool TestSoak::startSecondInstance()
{
    QProcess *second = m_program->start();
    // It hands over to the first and ends.
    return second->waitForFinished(30000) && second->exitStatus() == QProcess::NormalExit
        && second->exitCode() == 0 && stillRunning() && waitForOnlyMainWindow();
}

bool TestSoak::stillRunning() const
{
    return m_program->process()->state() == QProcess::Running;
}

qint64 TestSoak::residentKilobytes() const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(m_program->pid()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// A step of a game that fails names the game and the windows that show.
#define SOAK_STEP(statement)                                                                       \
    do {                                                                                           \
        if (!(statement)) {                                                                        \
            QFAIL(qPrintable(QStringLiteral("%1 failed in game %2; %3")                            \
                                 .arg(QStringLiteral(#statement))                                  \
                                 .arg(game)                                                        \
                                 .arg(windowTitles())));                                           \
        }                                                                                          \
    } while (false)

void TestSoak::gamesInARow()
{
    const int games = gamesToPlay();
    m_random.seed(quint32(qEnvironmentVariableIntValue("TILORA_SOAK_SEED")) + 1);
    m_program = std::make_unique<e2e::Program>();
    const QString picture = m_program->filePath(QStringLiteral("farben.bmp"));
    QVERIFY(e2e::colourPicture(Tile).save(picture, "BMP"));
    m_program->writeFile(QStringLiteral("tilora.ini"),
        "[Allgemein]\nGroesse=4\nSteingroesse=50\nBildModus=1\nBild=" + picture.toUtf8()
            + "\nAnimation=2\nMischdauer=1\nSteinRahmen=0\nTransparenz=0\nZeigeMischen=0\n"
              "Vorschau=0\nBrettFarbe=16777215\n");

    // The sanitised program's resident memory holds the sanitizer's own books as well: freed
    // memory held back to catch late uses (256 MB by default) and heap that is never handed
    // back. A small quarantine still catches uses soon after the free and keeps the figure
    // close to the program's own; whatever is lost for good LeakSanitizer names at the end.
    // The D-Bus library keeps one buffer to the end of every Qt program.
    m_program->writeFile(QStringLiteral("leaks.supp"), "leak:libdbus-1.so\n");
    const QByteArray sanitizer = qgetenv("ASAN_OPTIONS");
    QByteArray options = "quarantine_size_mb=2:allocator_release_to_os_interval_ms=1000:"
                         "detect_leaks=1";
    if (!sanitizer.isEmpty())
        options = sanitizer + ":" + options;
    qputenv("ASAN_OPTIONS", options);
    qputenv("LSAN_OPTIONS",
        "suppressions=" + m_program->filePath(QStringLiteral("leaks.supp")).toLocal8Bit());

    QElapsedTimer clock;
    clock.start();
    const QDate firstDay = QDate::currentDate();
    m_program->start();
    m_windowId = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, m_program->pid());
    QVERIFY(!m_windowId.isEmpty());
    QVERIFY(waitForMainSize(SolveGrid));
    QVERIFY(waitForPointerInTheMiddle());

    qint64 firstRss = 0;
    for (int game = 1; game <= games; ++game) {
        // The first game goes through everything once, so that what later games use has
        // been built before memory is first measured.
        const bool tour = game == 1;
        if (tour || game % 7 == 0)
            SOAK_STEP(changeGrid(tour ? 6 : 5 + int(m_random.bounded(2))));
        if (tour || game % 5 == 0)
            SOAK_STEP(switchMode(game % 2 == 0));
        SOAK_STEP(startShuffle(tour ? 2 : game));
        // Random presses may solve a board that the short shuffle hardly mixed.
        pressRandomTiles(3 + int(m_random.bounded(10)));
        SOAK_STEP(pauseOrEndOfGame(game));
        if (tour || game % 9 == 0)
            SOAK_STEP(openAndCancelSettings());
        if (m_numbers)
            SOAK_STEP(switchMode(tour || game % 3 == 0));
        if (m_grid != SolveGrid)
            SOAK_STEP(changeGrid(SolveGrid));
        if (tour || game % 2 == 0) {
            SOAK_STEP(startShuffle(game + 1));
            SOAK_STEP(solveIntoTable(game));
        }
        if (tour || game % 25 == 0)
            SOAK_STEP(startSecondInstance());
        QVERIFY2(stillRunning(), m_program->errors().right(4000).constData());
        if (tour)
            firstRss = residentKilobytes();
        if (game % 10 == 0 || qEnvironmentVariableIsSet("TILORA_SOAK_VERBOSE"))
            qInfo("game %d: %lld kB resident", game, residentKilobytes());
    }
    const qint64 lastRss = residentKilobytes();
    const qint64 seconds = clock.elapsed() / 1000;

    // "×" ends the program; the farewell window counts down first.
    e2e::click(onWindow(m_window.width() - 33 + 6, 8));
    QVERIFY2(m_program->waitForExit(20000), "the program did not end");
    QCOMPARE(m_program->process()->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program->process()->exitCode(), 0);
    const QByteArray errors = m_program->errors();
    QVERIFY2(!errors.contains("runtime error") && !errors.contains("Sanitizer"),
        errors.right(8000).constData());

    qInfo("soak: %d games in %lld s, %d solved (%d more by chance); resident memory after the "
          "first game %lld kB, at the end %lld kB",
        games, seconds, m_solved, m_solvedByChance, firstRss, lastRss);
    QVERIFY(firstRss > 0);
    // Under AddressSanitizer resident memory creeps up by itself (its heap hands pages back
    // only when wholly free, and its bookkeeping only grows), so there LeakSanitizer judges
    // what the program keeps; the plain build is held to its memory after the first game.
    if (!SanitizedBuild) {
        QVERIFY2(lastRss <= firstRss + firstRss / 10,
            qPrintable(QStringLiteral("%1 kB after the first game, %2 kB at the end")
                           .arg(firstRss)
                           .arg(lastRss)));
    }

    // Both files read back: the settings hold the last grid, the table the solved games.
    const IniFile settings(m_program->filePath(QStringLiteral("tilora.ini")));
    const QString section = QStringLiteral("Allgemein");
    QCOMPARE(settings.readInteger(section, QStringLiteral("Groesse"), 0), SolveGrid);
    const IniFile scores(m_program->filePath(QStringLiteral("highscore.ini")));
    const HighscoreTable table = ReadTable(scores, QStringLiteral("farben.bmp,4,1"));
    int rows = 0;
    for (const HighscoreEntry &entry : table) {
        if (entry.isEmpty())
            continue;
        ++rows;
        // The name as typed, umlaut included, and the day of the game.
        QVERIFY2(entry.name.startsWith(QStringLiteral("Spiel "))
                && entry.name.trimmed().endsWith(QStringLiteral(" Jörg")),
            qPrintable(entry.name));
        const QDate date = QDate::fromString(entry.date, QStringLiteral("dd.MM.yyyy"));
        QVERIFY2(date >= firstDay && date <= QDate::currentDate(), qPrintable(entry.date));
        QVERIFY(entry.TimeKey > 0);
    }
    // Every solved game ranked while the table had room; games ended by chance in their first
    // second do not.
    QVERIFY(rows >= std::min(m_solved, HighscoreRowCount));
}

#undef SOAK_STEP

TILORA_E2E_MAIN(TestSoak)

#include "tst_soak.moc"
