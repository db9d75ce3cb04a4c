#pragma once

// A 4 × 4 picture whose tiles are plain colours, so that a screenshot tells where every tile
// of the running program's board is, and a solver that finds the presses that sort it.

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>

#include <array>
#include <functional>
#include <optional>

namespace e2e {

constexpr int ColourGrid = 4;
constexpr int ColourFree = ColourGrid * ColourGrid - 1; // the hidden tile's home
// The home of the tile in each cell, row by row.
using ColourBoard = std::array<int, ColourGrid * ColourGrid>;

QColor colourOfTile(int home);
// The picture with tiles of tileSize pixels.
QImage colourPicture(int tileSize);

// The board as it shows, read at the centre of every cell; nothing while something covers
// it or it is hidden. The free slot shows the white board.
std::optional<ColourBoard> colourBoardOnScreen(
    const QImage &screen, const std::function<QPoint(int cell)> &cellCentre);

// The sum of the tiles' distances from home (0: solved).
int distanceHome(const ColourBoard &board);

// The cells to press one after another (each holds a tile next to the free slot), by a
// weighted best-first search: not the shortest way, but found at once. Empty when the board
// is solved or no way was found.
QList<int> solveColourBoard(const ColourBoard &start);

} // namespace e2e
