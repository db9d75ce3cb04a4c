#pragma once

// What the main window shows, as a value derived from the game: the one place where the
// rules of the display are decided. The window shows a look as it is, after every change of
// the game, every shuffle line it shows and every frame of a slide.

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>

#include <vector>

class Game;

// A menu entry's state (logic/Commands.h gives the entries).
struct ItemLook
{
    bool checked = false;
    bool visible = true;
    bool enabled = true;
    QString caption;

    bool operator==(const ItemLook &other) const = default;
};

struct BoardLook
{
    int gridSize = 0;
    int tileSize = 0;
    // Where each tile stands on the board, by its home cell (column × gridSize + row): its
    // cell, or on its way there during a slide.
    std::vector<QPoint> tilePlaces;
    // The tile whose home is the free cell's at the start is never shown.
    QPoint hiddenHome;
    bool tilePictures = true; // the tiles show their pieces of the picture
    bool tileNumbers = false;
    bool tileFrames = false;
    QColor tileColour;
    QFont boardFont; // the tiles' numbers
    QColor numberColour;
    QColor boardColour; // seen where no tile stands

    bool boardShown = true; // hidden while paused and while a new board is made
    bool pauseShown = false; // "Pause!"
    bool shuffleButtonShown = false; // "Mischen!"
    QString clock;
    bool clockTicks = false; // the clock's timer runs
    bool slideTicks = false; // the slide's frame timer runs
    QString outline; // the window's shape

    bool magnifierMayShow = false; // only while the clock runs
    bool startWindowMayShow = false; // only while a shuffle is under way
    bool solutionShown = false; // the solution window, where there is a picture to show
    bool mayHide = true; // a shuffle under way finishes in sight

    std::vector<ItemLook> items; // one for each entry of Commands()

    bool operator==(const BoardLook &other) const = default;
};

// The look of the game in a window of that size.
BoardLook Present(const Game &game, QSize window);
