#include "logic/BoardLook.h"
#include "logic/Commands.h"
#include "logic/Game.h"

#include <QTest>

// What the main window shows, derived from the game over its phases, the options and the
// frames of a slide; and the settings dialog's answer.
class TestBoardLook : public QObject
{
    Q_OBJECT

private slots:
    void look_data();
    void look();
    void settingsDialogAnswer_data();
    void settingsDialogAnswer();
};

namespace {

const QSize Window(286, 286);

enum Phase { NoGame, NewBoard, Shuffling, Running, Paused, Sliding };

// A game of 5 × 5 in a phase, its first board built; a slow slide of three tiles, pressed from
// the far side of the free cell, stands at the given frame.
void bring(Game &game, Phase phase, bool pictureMode = true, int frame = 0)
{
    Settings settings;
    settings.animationSpeed = 1;
    settings.pictureMode = pictureMode;
    settings.shuffleDuration = 1;
    game.setSettings(settings);
    game.seedRandom(7);
    game.requestBuild();
    game.buildDone(*game.nextBuild(1000));
    game.nextBuild(1000); // none waits
    if (phase == NewBoard && game.requestBuild())
        game.nextBuild(1000);
    if (phase < Shuffling || !game.beginShuffle())
        return;
    while (phase != Shuffling && game.shuffleStep()) { }
    if (phase != Shuffling)
        game.endShuffle();
    if (phase == Paused)
        game.togglePause();
    const QPoint free = game.puzzle().freeCell();
    if (phase == Sliding)
        game.pressTile(game.puzzle().homeAt({free.x() >= 3 ? free.x() - 3 : free.x() + 3, free.y()}));
    for (int i = 0; i < frame; ++i)
        game.animationFrame();
}

const ItemLook &item(const BoardLook &look, const char *name)
{
    for (const CommandEntry &entry : Commands()) {
        if (qstrcmp(entry.objectName, name) == 0)
            return look.items[size_t(CommandIndex(entry))];
    }
    qFatal("no item %s", name);
}

} // namespace

void TestBoardLook::look_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<bool>("pictureMode");
    QTest::addColumn<bool>("cheatView");
    QTest::addColumn<int>("frame"); // of the slide, 0 .. 8
    const char *const phases[] = {"no game", "new board", "shuffling", "running", "paused"};
    for (int phase = NoGame; phase <= Paused; ++phase) {
        for (const bool picture : {true, false}) {
            for (const bool cheat : {false, true}) {
                QTest::addRow("%s, %s%s", phases[phase], picture ? "picture" : "numbers",
                    cheat ? ", cheat view" : "") << phase << picture << cheat << 0;
            }
        }
    }
    for (int frame = 0; frame <= AnimationFrames(1); frame += 2)
        QTest::addRow("slide, frame %d", frame) << int(Sliding) << true << false << frame;
}

void TestBoardLook::look()
{
    QFETCH(int, phase);
    QFETCH(bool, pictureMode);
    QFETCH(bool, cheatView);
    QFETCH(int, frame);
    Game game;
    bring(game, Phase(phase), pictureMode, frame);
    if (cheatView)
        game.toggleCheatView();
    const BoardLook look = Present(game, Window);
    const bool running = phase == Running || phase == Sliding;

    // The tiles: numbers in number mode and in the cheat view, plain colour without a picture.
    QCOMPARE(look.tileNumbers, cheatView || !pictureMode);
    QCOMPARE(look.tileColour, pictureMode ? QColor(Qt::white) : QColor(0x80, 0x80, 0x80));
    // The solution and the cheat view belong to pictures; the mode item names the other mode.
    QCOMPARE(item(look, "Vorschau1").visible && item(look, "Schummeln1").visible, pictureMode);
    QCOMPARE(item(look, "Schummeln1").checked, cheatView);
    QCOMPARE(item(look, "Text1").caption, pictureMode ? "Text" : "Bild");
    QVERIFY(!item(look, "Bild1").visible && item(look, "Bild1").checked);
    // The panels, the clock and what may show beside the board, by the phase.
    QCOMPARE(look.boardShown, phase != Paused && phase != NewBoard);
    QCOMPARE(look.pauseShown && item(look, "Pause1").checked, phase == Paused);
    QCOMPARE(look.shuffleButtonShown, phase == NoGame);
    QCOMPARE(look.clockTicks && look.magnifierMayShow, running);
    QCOMPARE(look.startWindowMayShow, phase == Shuffling);
    QCOMPARE(look.mayHide, phase != Shuffling);
    QCOMPARE(look.slideTicks, phase == Sliding);
    QCOMPARE(look.outline, game.outline(Window));

    // Every tile stands in its cell, but for a slide's three: they stand back towards the
    // pressed cell they came from, by one distance that is a whole cell at the first frame and
    // none at the last.
    const QPoint pressed = game.slide() ? game.slide()->to : game.puzzle().freeCell();
    const int towardsPress = game.slide() ? game.slide()->step().x() : 0;
    std::optional<int> back;
    for (int c = 0; c < 5; ++c) {
        for (int r = 0; r < 5; ++r) {
            const QPoint home = game.puzzle().homeAt({c, r});
            const QPoint shift = look.tilePlaces[size_t(home.x() * 5 + home.y())] - QPoint(c, r) * 50;
            const int cellsToPress = (pressed.x() - c) * towardsPress;
            if (r != pressed.y() || cellsToPress < 1 || cellsToPress > 3) {
                QCOMPARE(shift, QPoint());
                continue;
            }
            back = back.value_or(shift.x() * towardsPress);
            QCOMPARE(shift, QPoint(towardsPress * *back, 0));
        }
    }
    if (phase == Sliding)
        QCOMPARE(back, 50 * (AnimationFrames(1) - frame) / AnimationFrames(1));
}

void TestBoardLook::settingsDialogAnswer_data()
{
    QTest::addColumn<int>("gridSize");
    QTest::addColumn<int>("tileSize");
    QTest::addColumn<bool>("cheatView");
    QTest::addColumn<int>("build"); // the build asked for: -1 none, else its kind
    QTest::newRow("looks, speed, length, options") << 5 << 50 << false << -1;
    QTest::newRow("the cheat view") << 5 << 50 << true << -1;
    QTest::newRow("tile size") << 5 << 40 << false << int(BoardBuild::Layout);
    QTest::newRow("board and tile size") << 7 << 60 << false << int(BoardBuild::NewBoard);
}

// Every value the dialog edits is taken, a field added later too; the sizes ask for builds
// (a new board gives the game up), and the picture stays the game's.
void TestBoardLook::settingsDialogAnswer()
{
    QFETCH(int, gridSize);
    QFETCH(int, tileSize);
    QFETCH(bool, cheatView);
    QFETCH(int, build);
    Game game;
    bring(game, Running);
    const QString board = game.puzzle().toString();
    Settings edited = game.settings();
    game.fallBackToMotif(); // meanwhile, as a build may do
    edited.gridSize = gridSize;
    edited.tileSize = tileSize;
    edited.setBoardFont(QFont(QStringLiteral("Courier"), 20));
    edited.setFontColor(QColor(0x10, 0x20, 0x30));
    edited.zoomFactor = 9;
    edited.animationSpeed = 2;
    edited.transparent = edited.tileFrames = false;

    QCOMPARE(game.applySettings(edited, cheatView), build >= 0);
    edited.pictureName = QStringLiteral("Motiv A");
    QCOMPARE(game.settings(), edited);
    QCOMPARE(game.cheatView() && game.cheated(), cheatView);
    const std::optional<BoardBuild> next = game.nextBuild(1000);
    QCOMPARE(next ? int(next->kind) : -1, build);
    QCOMPARE(game.phase() == GamePhase::Running && game.puzzle().toString() == board,
        build != BoardBuild::NewBoard);
    QCOMPARE(game.puzzle().tileSize(), tileSize);
    const BoardLook look = Present(game, Window);
    QCOMPARE(look.numberColour, QColor(0x10, 0x20, 0x30));
    QCOMPARE(look.boardFont.family(), QStringLiteral("Courier"));
    QVERIFY(item(look, "schnell1").checked && !item(look, "Transparenz1").checked);
}

QTEST_GUILESS_MAIN(TestBoardLook)
#include "tst_boardlook.moc"
