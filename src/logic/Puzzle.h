#pragma once

// The game as a value: the board's arrangement, the phase of the game, the clock and the
// on/off options. A press becomes a line move, a move gives the next state, and what the
// window shows (its tiles' places, its outline, its menu marks) is derived from the state.

#include "logic/BoardLogic.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <array>
#include <optional>
#include <random>

enum class GamePhase {
    NoGame,    // "Mischen!" waits for the next game
    Shuffling, // random line moves under way
    Running,   // the clock runs
    Paused,    // the board is hidden, the clock stands
    Finished,  // solved: the end of the game is being shown
};

// A line move: the free cell goes from `from` to the pressed cell `to` (one row or column),
// and every tile between them slides one cell towards the old free cell.
struct LineMove
{
    QPoint from;
    QPoint to;

    // One cell step of the free cell: (±1, 0) or (0, ±1).
    QPoint step() const { return QPoint(Sign(to.x() - from.x()), Sign(to.y() - from.y())); }
    int length() const { return qAbs(to.x() - from.x()) + qAbs(to.y() - from.y()); }
    bool operator==(const LineMove &other) const = default;
};

struct PuzzleOptions
{
    bool cheatView = false;    // numbers over the picture
    bool solutionView = false; // the solution window shows
    bool tileFrames = true;    // raised one-pixel frames on the tiles
    bool transparent = true;   // the free cell is cut out of the window
    bool showShuffle = false;  // the board stays in sight while it is shuffled
    bool operator==(const PuzzleOptions &other) const = default;
};

class Puzzle
{
public:
    // A solved board with the free cell at the bottom right and no game.
    explicit Puzzle(int gridSize = 5, int tileSize = 50);

    // A board written as its tile numbers cell by cell, row by row, 0 for the free cell
    // ("1 2 3 4 5 6 7 8 9 10 11 12 13 14 0 15"). Nothing when the text is no arrangement.
    static std::optional<Puzzle> fromString(const QString &text, int tileSize = 50);
    QString toString() const;

    int gridSize() const { return m_gridSize; }
    int tileSize() const { return m_tileSize; }
    // Keeps the arrangement and the game.
    void setTileSize(int size) { m_tileSize = Clamp(MinTileSize, size, MaxTileSize); }
    QSize boardSize() const { return QSize(m_gridSize * m_tileSize, m_gridSize * m_tileSize); }

    QPoint freeCell() const { return m_free; }
    // The home cell of the tile that stands in a cell; the free cell holds the hidden tile,
    // whose home is the bottom-right cell.
    QPoint homeAt(QPoint cell) const;
    bool contains(QPoint cell) const;
    bool isSolved() const;

    // A solved board of another size with no game, keeping the options.
    Puzzle newBoard(int gridSize, int tileSize) const;

    // The move a press on a cell makes: none unless the cell is in the free cell's row or
    // column (and is not the free cell itself).
    std::optional<LineMove> moveForPress(QPoint cell) const;
    // Carries out a move made by moveForPress or randomMove.
    void apply(const LineMove &move);
    Puzzle applied(const LineMove &move) const;
    // One random line move of a shuffle: cells are drawn until one lies in the free cell's
    // row or column.
    LineMove randomMove(std::mt19937 &random) const;

    GamePhase phase = GamePhase::NoGame;
    bool cheated = false; // the cheat view was on at some time in this game
    qint64 clockSeconds = 0;
    PuzzleOptions options;

    bool isPaused() const { return phase == GamePhase::Paused; }
    // The game takes presses and its clock runs (or stands only for the pause).
    bool isGameOn() const { return phase == GamePhase::Running || phase == GamePhase::Paused; }
    QString clockText() const { return ClockText(clockSeconds); }

    bool operator==(const Puzzle &other) const = default;

private:
    int index(QPoint cell) const { return cell.y() * m_gridSize + cell.x(); }

    int m_gridSize;
    int m_tileSize;
    QPoint m_free;
    // For each cell (row by row) the index of its tile's home cell.
    std::array<quint8, MaxGridSize * MaxGridSize> m_home{};
};

// How the board shows beside the game's state: a build under way cuts the whole board out,
// a slide under way moves the hole with its frame.
struct BoardView
{
    QSize window;
    bool building = false;
    std::optional<LineMove> slide;
    int slideFrame = 0;  // 0 .. slideFrames
    int slideFrames = 1;
};

// The main window's outline for a state and what the board shows: the one place where the
// outline is decided.
QString WindowOutline(const Puzzle &puzzle, const BoardView &view);
