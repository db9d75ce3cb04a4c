// The settings dialog from the main window's side: handing it the current values and
// applying what comes back, through the same commands the menus use.

#include "main/HauptFenster.h"

#include "controls/Panel.h"
#include "main/TiloraStein.h"
#include "windows/einstellungenfenster.h"
#include "windows/startenfenster.h"

void TTiloraForm::Einstellungen1Click()
{
    TEinstellungen *dialog = windows().settings;
    if (!dialog || dialog->isVisible())
        return;

    bool showSolution = Vorschau1->isChecked();
    bool framedTiles = Steineumrahmen1->isChecked();
    bool transparent = Transparenz1->isChecked();
    bool cheat = Schummeln1->isChecked();
    int gridSize = GridSize;
    int animationSpeed = AnimationSpeed;
    int shuffleDuration = ShuffleDuration;
    int tileSize = TileWidth;
    BoardFont font{Brett->font(), Brett->palette().color(QPalette::WindowText)};
    dialog->EditSettings(showSolution, framedTiles, transparent, cheat, gridSize, ZoomFactor,
                         animationSpeed, shuffleDuration, tileSize, TileColor, BoardColor, font);

    // Unchanged values leave the board as it was: every step below applies only a difference.
    // The toggle commands flip the marks themselves, with the same effects as from the menu.
    if (Steineumrahmen1->isChecked() != framedTiles)
        SteinRahmenClick();
    if (Vorschau1->isChecked() != showSolution)
        Vorschau1Click();
    if (Transparenz1->isChecked() != transparent)
        Transparenz1Click();
    if (Schummeln1->isChecked() != cheat)
        Schummeln1Click();

    SetAnimationSpeed(animationSpeed);

    setFont(font.font);
    Brett->setFont(font.font);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::WindowText, font.color);
    setPalette(windowPalette);
    QPalette boardPalette = Brett->palette();
    boardPalette.setColor(QPalette::WindowText, font.color);
    boardPalette.setColor(QPalette::Window, BoardColor);
    Brett->setPalette(boardPalette);

    SetShuffleDuration(shuffleDuration);

    if (gridSize != GridSize) {
        // A new board: the running game is given up.
        N201Click(GridSizeItems[Clamp(MinGridSize, gridSize, MaxGridSize) - MinGridSize]);
    } else {
        for (int c = 0; c < GridSize; ++c) {
            for (int r = 0; r < GridSize; ++r) {
                TTiloraStein *tile = TileGrid[c][r];
                if (tile && (c != FreeCol || r != FreeRow))
                    tile->setColor(TileColor);
            }
        }
    }

    if (tileSize != TileWidth)
        ApplyTileSize(tileSize);
}

void TTiloraForm::ApplyTileSize(int size)
{
    TileWidth = size;
    TileHeight = size;
    Brett->resize(GridSize * TileWidth, GridSize * TileHeight);
    resize(Brett->width() + 2 * FrameWidth, Brett->height() + 2 * FrameWidth);
    setOutline(BuildingOutline(width(), height()));
    PreparePicture();

    // The tiles keep their places on the board and are cut afresh from the new picture.
    const QPixmap picture = PictureMode && VorschauBild ? VorschauBild->picture() : QPixmap();
    for (int c = 0; c < GridSize; ++c) {
        for (int r = 0; r < GridSize; ++r) {
            TTiloraStein *tile = TileGrid[c][r];
            if (!tile)
                continue;
            tile->setGeometry(c * TileWidth, r * TileHeight, TileWidth, TileHeight);
            if (!picture.isNull()) {
                tile->PieceImage->setPicture(picture.copy(tile->HomeCol * TileWidth,
                                                          tile->HomeRow * TileHeight,
                                                          TileWidth, TileHeight));
            }
        }
    }

    if (isShuffling() && !ShowShuffle)
        setOutline(HiddenBoardOutline(width(), height())); // mixed out of sight until the end
    else
        UpdateOutline();

    if (windows().start && windows().start->isVisible())
        CenterStartWindow();
    if (!Panel4->isHidden())
        PlaceShuffleButton();
    if (!Pausenpanel->isHidden()) {
        // The board stays hidden; the resume brings back the outline of the new size.
        PauseOutline = outline();
        setOutline(PlainOutline(width(), height()));
        Pausenpanel->move(width() / 2 - Pausenpanel->width() / 2,
                          height() / 2 - Pausenpanel->height() / 2);
    }
}
