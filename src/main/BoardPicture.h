#pragma once

// The board's picture at the resolution of the screen that shows it, and the tiles' pieces
// of it. On a screen of device pixel ratio 2 a board of 250 × 250 logical pixels covers
// 500 × 500 device pixels: the picture is scaled to those, so that the tiles show all of
// its detail instead of a quarter of it blown up.

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QSize>

// The size in device pixels of a logical size at a device pixel ratio (rounded).
QSize DeviceSize(QSize logical, qreal ratio);

// The picture stretched over a board of boardSize logical pixels at a device pixel ratio,
// on white: a pixmap of DeviceSize(boardSize, ratio) device pixels that draws at boardSize.
QPixmap BoardPicture(const QImage &picture, QSize boardSize, qreal ratio);

// The piece of a board picture that the tile of home cell (column, row) shows, tiles being
// tileSize logical pixels: cut in device pixels at the picture's ratio, from the device pixel
// where the tile begins, as many as the tile covers on the screen (at a fractional ratio a
// tile covers the rounded number, so neighbouring pieces may share a column).
QPixmap CutTile(const QPixmap &board, QPoint home, int tileSize);
