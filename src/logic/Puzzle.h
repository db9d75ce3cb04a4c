#pragma once

// The board as a value: its size and the arrangement of its tiles. A press becomes a line
// move, a move gives the next board, and what the window shows (its tiles' places, its
// outline) is derived from it. The flow of a game around it is logic/Game.h.

#include "logic/BoardLogic.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <algorithm>
#include <array>
#include <optional>
#include <random>

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
    void setTileSize(int size) { m_tileSize = std::clamp(size, MinTileSize, MaxTileSize); }
    QSize boardSize() const { return QSize(m_gridSize * m_tileSize, m_gridSize * m_tileSize); }

    QPoint freeCell() const { return m_free; }
    // The home cell of the tile that stands in a cell; the free cell holds the hidden tile,
    // whose home is the bottom-right cell.
    QPoint homeAt(QPoint cell) const;
    bool contains(QPoint cell) const;
    bool isSolved() const;
    // The cell that holds the tile of a home cell.
    QPoint cellOfHome(QPoint home) const;

    // The move a press on a cell makes: none unless the cell is in the free cell's row or
    // column (and is not the free cell itself).
    std::optional<LineMove> moveForPress(QPoint cell) const;
    // Carries out a move made by moveForPress or randomMove, one cell step after the other.
    void apply(const LineMove &move);
    // One step of the free cell to a neighbouring cell: the tile there takes the free cell's
    // place. A step off the board changes nothing.
    void stepFreeSlot(QPoint step);
    // One random line move of a shuffle: cells are drawn until one lies in the free cell's
    // row or column.
    LineMove randomMove(std::mt19937 &random) const;

    bool operator==(const Puzzle &other) const = default;

private:
    int index(QPoint cell) const { return cell.y() * m_gridSize + cell.x(); }

    int m_gridSize;
    int m_tileSize;
    QPoint m_free;
    // For each cell (row by row) the index of its tile's home cell.
    std::array<quint8, MaxGridSize * MaxGridSize> m_home {};
};

// How the board shows beside its arrangement: a build under way cuts the whole board out, so
// does a shuffle out of sight, a pause closes the free cell, a slide under way moves the hole
// with its frame.
struct BoardView
{
    QSize window;
    bool building = false;
    bool paused = false;
    bool mixedOutOfSight = false;
    bool transparent = true; // the free cell is cut out of the window
    std::optional<LineMove> slide;
    int slideFrame = 0; // 0 .. slideFrames
    int slideFrames = 1;
};

// The main window's outline for a state and what the board shows: the one place where the
// outline is decided.
QString WindowOutline(const Puzzle &puzzle, const BoardView &view);
