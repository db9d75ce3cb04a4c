#pragma once

// The game's flow: the phases of a game, the presses that wait for a slide, the steps of a
// shuffle, the clock, the cheat flag, the end of a game and the board builds. The main window
// feeds it events (a press on a tile, a shuffle step, an animation frame, a clock tick, the
// window going out of sight, a new board asked for) and shows what it says; it has no event
// loop of its own, so every rule of play runs and is tested without a window.
//
// Commands that arrive while other work is under way:
//   work under way | press on a tile  | arrow key      | shuffle request | board build
//   shuffle        | ignored          | ignored        | ignored         | ends the shuffle
//   slide          | waits, the latest| waits, as a    | ends the slide  | ends the slide,
//                  | runs first       | press          | first           | drops what waits
//   board build    | ignored          | ignored        | ignored         | merged into one
//                  |                  |                |                 | more build
//   end of a game  | ignored          | ignored        | ignored         | runs
//   pause          | ignored          | ignored        | ends the pause  | ends the pause
//   out of sight   | ignored          | ignored        | ignored         | runs
//   modal window   | ignored          | ignored        | ignored         | runs
// Closing ends every one of them. A modal window of the program (the high score table, a
// message, a dialog) runs its own event loop, where the slide's frames go on: the presses that
// waited are given up when it opens, and the end of a game is shown only once every such
// window has closed, so that no result is entered into a table that another window shows.

#include "logic/HighscoreTable.h"
#include "logic/Puzzle.h"
#include "logic/Settings.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>
#include <random>
#include <vector>

enum class GamePhase {
    NoGame, // "Mischen!" waits for the next game
    Shuffling, // random line moves under way
    Running, // the game is on
    Paused, // the board is hidden, the clock stands
    Finished, // solved: the end of the game is being shown
};

// What a solved game leaves for the high score table.
struct GameResult
{
    QString time; // the clock text, the game's score
    bool cheated = false;
    HighscoreConfiguration configuration; // the table the game belongs to
};

// A board build for the window to carry out: a new board, or the board as it stands laid out
// with a new tile size.
struct BoardBuild
{
    enum Kind { Layout, NewBoard };
    Kind kind = NewBoard;
    quint64 number = 0;
};

// One line move of a shuffle.
struct ShuffleLine
{
    LineMove move;
    bool last = false; // the shuffle's last line
    bool countShown = false; // the clock label shows the count of lines anew
};

// How a press or a key was taken.
enum class PressAnswer {
    Ignored,
    Waits, // for the slide under way
    Moved,
    ShuffleWanted, // no game on: the press starts one
};

class Game : public QObject
{
    Q_OBJECT

public:
    // Presses that arrive during a slide wait, the latest first. A player is never this many
    // ahead of the slides; an auto-clicker's backlog stays near a second of quick slides.
    static constexpr int MaxWaitingPresses = 12;

    explicit Game(const Settings &settings = Settings(), QObject *parent = nullptr);

    // ---- what the window shows
    const Puzzle &puzzle() const { return m_puzzle; }
    // The player's settings: the one owner of every option and stored value.
    const Settings &settings() const { return m_settings; }
    GamePhase phase() const { return m_phase; }
    bool cheatView() const { return m_cheatView; }
    bool cheated() const { return m_cheated; }
    // The built-in picture drawn when no picture file gives one: 1 "Motiv A", 2 "Motiv B".
    int motif() const { return m_motif; }
    qint64 clockSeconds() const { return m_clockSeconds; }
    // The clock label's text: the game's time, or a long shuffle's count of lines.
    QString clockDisplay() const { return m_clockDisplay; }
    // The clock counts while a game runs in sight of the player.
    bool clockRuns() const;
    bool inSight() const { return m_inSight; }
    // Keys of any of the program's windows act on the game.
    bool takesKeys() const { return m_inSight && !m_closed; }
    bool isClosed() const { return m_closed; }
    // The board is shown, between builds and outside a pause.
    bool showsShuffleButton() const;
    bool isShuffling() const { return m_shuffleUnderway; }
    qint64 shuffleStepCount() const { return m_shuffleSteps; }
    bool isBuilding() const { return m_building.has_value(); }
    const std::optional<BoardBuild> &building() const { return m_building; }
    const std::optional<LineMove> &slide() const { return m_slide; }
    int slideFrame() const { return m_slideFrame; }
    int slideFrames() const { return m_slideFrames; }
    int waitingPressCount() const { return int(m_waiting.size()); }
    // The main window's outline for the state and the window's size.
    QString outline(QSize window) const;
    // The picture file the board is cut from; empty for a built-in motif.
    QString pictureFile() const;
    // The high score table of the board as it is now.
    HighscoreConfiguration highscoreConfiguration() const;

    // ---- settings and options (toggles flip, setters store)
    // Settings as the file gives them; the next build shows them.
    void setSettings(const Settings &settings);
    // The settings dialog's answer: every value it edits is taken, the cheat view is switched
    // as its command switches it, and a new board size asks for a build (true: start it now).
    bool applySettings(const Settings &edited, bool cheatView);
    void setAnimationSpeed(int speed);
    void setShuffleDuration(int duration);
    void toggleCheatView();
    void toggleSolutionView();
    void toggleTileFrames();
    void toggleTransparent();
    void togglePause();

    // ---- what leads to a build; each says whether the window must start building now
    // (false: merged into the build under way).
    bool chooseGridSize(int gridSize);
    bool chooseTileSize(int tileSize);
    bool togglePictureMode();
    bool chooseMotif(int motif);
    bool choosePicture(const QString &pictureName);
    bool requestBuild(BoardBuild::Kind kind = BoardBuild::NewBoard);
    // The picture file gave no picture: the board shows the motif, under its caption.
    void fallBackToMotif();

    // ---- board builds
    // The next build, merged from every request since the last; none when nothing waits.
    // roomForBoard: the most pixels a side of the board may take on the screen.
    std::optional<BoardBuild> nextBuild(int roomForBoard);
    // False once a later request (in any pass of event handling) has made the build stale:
    // the window then stops it and asks for the next.
    bool isCurrent(const BoardBuild &build) const;
    void buildDone(const BoardBuild &build);

    // ---- shuffle
    // False when the request is ignored (see the table above).
    bool beginShuffle();
    // One line move of the shuffle under way; none once it has ended (rebuilt, closed) or has
    // made its last line.
    std::optional<ShuffleLine> shuffleStep();
    // The player clicked the start window: a shuffle of the player's length ends.
    void dismissShuffle();
    // The window's shuffle loop is done: the game begins unless something ended the shuffle.
    void endShuffle();
    void seedRandom(quint32 seed) { m_random.seed(seed); }
    // A game on a board of the same size as it stands, begun as a shuffle's end begins one.
    bool beginGameOn(const Puzzle &board);

    // ---- play
    // A press on the tile whose home is that cell; a press on the bare board has no tile.
    PressAnswer pressTile(std::optional<QPoint> home);
    // An arrow key: the tile beside the free cell moves into it in that direction.
    PressAnswer pressArrow(QPoint direction);
    // One frame of the slide under way; its final frame runs what waits. True when the frame
    // ended the slide and changed() has told the window; a frame on the way says nothing.
    bool animationFrame();
    void clockTick();
    // The window system hid or minimised the main window, or showed it again.
    void setInSight(bool inSight);
    // A modal window of the program opened or closed (see the table above).
    void setModalWindowOpen(bool open);
    bool modalWindowOpen() const { return m_modalWindowOpen; }
    // The result of the game just solved, once, when its end may be shown now; solved() says
    // when to ask (again, once the last modal window has closed).
    std::optional<GameResult> takeEndToShow();
    // Whether a result, once shown, enters the high score table: an honest game, and no new
    // board since.
    bool entersTable(const GameResult &result) const;
    // The window has shown the end of a game: "Mischen!" waits for the next.
    void endShown();
    void close();

signals:
    // Anything the window shows changed, but for single shuffle lines and animation frames.
    void changed();
    // The board is solved; the window takes the end to show and then calls endShown().
    void solved(const GameResult &result);

private:
    struct WaitingPress
    {
        std::optional<QPoint> home; // the pressed tile
        QPoint direction; // or an arrow key
    };
    bool takesPresses() const;
    PressAnswer press(const WaitingPress &press);
    bool carryOut(const WaitingPress &press);
    void runWaitingPresses();
    void endSlide();
    void setPhase(GamePhase phase) { m_phase = phase; }
    // The table of the game just solved: of the length it was shuffled with.
    HighscoreConfiguration resultConfiguration() const;

    Settings m_settings;
    Puzzle m_puzzle;
    GamePhase m_phase = GamePhase::NoGame;
    bool m_cheatView = false;
    bool m_cheated = false;
    int m_motif = 1;
    qint64 m_clockSeconds = 0;
    QString m_clockDisplay = QStringLiteral("00:00:00");
    bool m_inSight = true;
    bool m_closed = false;
    bool m_modalWindowOpen = false;
    std::optional<GameResult> m_endToShow;

    std::optional<LineMove> m_slide;
    int m_slideFrame = 0;
    int m_slideFrames = 1;
    std::vector<WaitingPress> m_waiting;

    bool m_shuffleUnderway = false; // the window's shuffle loop runs
    bool m_shuffleDismissed = false;
    bool m_shuffleLastLine = false;
    qint64 m_shuffleSteps = 0;
    qint64 m_shuffleLength = 0; // 0: until the player dismisses it
    int m_gameShuffleDuration = 0; // the length this game was shuffled with
    std::mt19937 m_random;

    bool m_buildsUnderway = false; // the window's build loop runs
    std::optional<BoardBuild> m_building; // the build under way
    std::optional<BoardBuild::Kind> m_buildWanted;
    quint64 m_buildCount = 0;
};
