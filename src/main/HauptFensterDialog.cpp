// The settings dialog from the main window's side: handing it the current settings and
// applying what comes back, through the same commands the menus use.

#include "main/HauptFenster.h"

#include "controls/Panel.h"
#include "main/BoardPicture.h"
#include "main/TiloraStein.h"
#include "windows/einstellungenfenster.h"
#include "windows/startenfenster.h"

void TTiloraForm::Einstellungen1Click()
{
    TEinstellungen *dialog = windows().settings;
    if (!dialog || dialog->isVisible())
        return;

    dialog->setCheatView(m_puzzle.options.cheatView);
    const std::optional<Settings> edited = dialog->EditSettings(settings());
    if (!edited)
        return;
    const PuzzleOptions &options = m_puzzle.options;

    // Unchanged values leave the board as it was: every step below applies only a difference.
    if (options.tileFrames != edited->tileFrames)
        SteinRahmenClick();
    if (options.solutionView != edited->solutionView)
        Vorschau1Click();
    if (options.transparent != edited->transparent)
        Transparenz1Click();
    if (options.cheatView != dialog->cheatView())
        Schummeln1Click();

    SetAnimationSpeed(edited->animationSpeed);
    m_settings.zoomFactor = edited->zoomFactor;
    m_settings.tileColor = edited->tileColor;
    m_settings.boardColor = edited->boardColor;
    m_settings.fontFamily = edited->fontFamily;
    m_settings.fontPoints = edited->fontPoints;
    m_settings.fontStyle = edited->fontStyle;
    m_settings.fontColorValue = edited->fontColorValue;
    applyBoardFont();
    SetShuffleDuration(edited->shuffleDuration);

    const bool newTileSize = edited->tileSize != m_settings.tileSize;
    m_settings.tileSize = edited->tileSize;
    if (edited->gridSize != m_puzzle.gridSize()) {
        // A new board, of the new tile size too: the running game is given up.
        N201Click(GridSizeItems[Clamp(MinGridSize, edited->gridSize, MaxGridSize) - MinGridSize]);
        return;
    }
    for (int c = 0; c < m_puzzle.gridSize(); ++c) {
        for (int r = 0; r < m_puzzle.gridSize(); ++r) {
            TTiloraStein *tile = m_tileGrid[c][r];
            if (tile && QPoint(c, r) != m_puzzle.freeCell())
                tile->setColor(m_settings.tileColor);
        }
    }
    if (newTileSize)
        ApplyTileSize(edited->tileSize);
}

void TTiloraForm::ApplyTileSize(int size)
{
    m_settings.tileSize = Clamp(MinTileSize, size, MaxTileSize);
    if (m_rebuilding) {
        RebuildBoard(); // merged into the build under way
        return;
    }
    m_puzzle.setTileSize(fittingTileSize(m_settings.tileSize));
    const int tile = m_puzzle.tileSize();
    Brett->resize(m_puzzle.boardSize());
    resize(Brett->width() + 2 * FrameWidth, Brett->height() + 2 * FrameWidth);
    keepOnScreen();
    m_building = true;
    UpdateOutline();
    PreparePicture();
    m_building = false;

    // The tiles keep their places on the board and are cut afresh from the new picture.
    const QPixmap picture = m_settings.pictureMode ? m_boardPicture : QPixmap();
    for (int c = 0; c < m_puzzle.gridSize(); ++c) {
        for (int r = 0; r < m_puzzle.gridSize(); ++r) {
            TTiloraStein *stone = m_tileGrid[c][r];
            if (!stone)
                continue;
            stone->setGeometry(c * tile, r * tile, tile, tile);
            if (!picture.isNull()) {
                stone->PieceImage->setPicture(
                    CutTile(picture, QPoint(stone->HomeCol, stone->HomeRow), tile));
            }
        }
    }
    UpdateOutline();

    if (windows().start && windows().start->isVisible())
        CenterStartWindow();
    if (!Panel4->isHidden())
        PlaceShuffleButton();
    if (!Pausenpanel->isHidden()) {
        Pausenpanel->move(width() / 2 - Pausenpanel->width() / 2,
                          height() / 2 - Pausenpanel->height() / 2);
    }
}
