#pragma once

// The rules and geometry of the board as plain functions of plain values: tile numbers,
// window outline texts, animation offsets, clock text and shuffle counts. The main window
// holds the state and calls these.

#include <QPoint>
#include <QString>

// Size limits of the board.
constexpr int MinGridSize = 4;
constexpr int MaxGridSize = 12;
constexpr int MinTileSize = 35;
constexpr int MaxTileSize = 100;
// The magnifier's zoom factors.
constexpr int MinZoomFactor = 2;
constexpr int MaxZoomFactor = 10;
// Width of the main window's frame pieces; the board panel sits at (FrameWidth, FrameWidth).
constexpr int FrameWidth = 18;
// Width of the solution window's frame pieces.
constexpr int PreviewFrameWidth = 12;

// -1, 0 or +1 by the sign of value. (Limiting a value to a range is std::clamp.)
constexpr int Sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// The number a tile carries: its home cells counted row by row from the top-left, from 1.
constexpr int TileNumber(int homeCol, int homeRow, int gridSize)
{
    return homeRow * gridSize + homeCol + 1;
}

// The rounded outline the game's windows share (its width is drawn two pixels wider), the
// main window's plain outline among them.
QString RoundedOutline(int width, int height);
// While a board is built only the frame shows: the board area is cut out.
QString BuildingOutline(int width, int height);
// The play outline: with a transparent free slot, the free cell is cut out.
QString BoardRegionOutline(
    int width, int height, bool transparent, QPoint freeCell, int tileWidth, int tileHeight);
// The frame alone, while the board is mixed out of sight.
QString HiddenBoardOutline(int width, int height);

// One frame of a slide: the free slot went from source to target (one row or column).
struct SlideFrame
{
    QPoint source;
    QPoint target;
    int frame = 0; // 1 .. frames
    int frames = 1; // 8 or 2
    int tileWidth = 50;
    int tileHeight = 50;
};
// The outline of an animation frame: two strips of the old and the new free cell cut out.
QString AnimatedOutline(int width, int height, const SlideFrame &slide);
// How far a moving tile is still drawn from its cell on a frame (signed, towards the pressed
// cell): direction × tileSize × (frames − frame) / frames, truncating towards zero.
int SlideOffset(int direction, int tileSize, int frame, int frames);

// Outlines of the solution window.
QString PreviewBuildingOutline(int width, int height);
QString PreviewResizeOutline(int width, int height);

// The tile size a board of gridSize tiles can take where a side may have room pixels: the
// player's size, smaller where the board would not fit, never below the smallest.
int FittingTileSize(int tileSize, int gridSize, int room);

// Animation frames of a slide by animation speed (0 none, 1 slow, 2 fast).
int AnimationFrames(int animationSpeed);

// Line moves of a fixed-length shuffle (duration 1..4); 0 for "the player decides".
qint64 ShuffleMoveCount(int gridSize, int shuffleDuration);

// The game clock as hours, minutes and seconds, "%.2d:%.2d:%.2d"; hours may exceed 99.
QString ClockText(qint64 seconds);
