// Display options: frames on the tiles, and the free slot cut out of the window.

#include "main/HauptFenster.h"

#include "main/TiloraStein.h"

void TTiloraForm::SteinRahmenClick()
{
    m_puzzle.options.tileFrames = !m_puzzle.options.tileFrames;
    updateMarks();
    applyOptionToTiles();
}

void TTiloraForm::Transparenz1Click()
{
    // While paused or mixed out of sight the outline keeps the board hidden; the change
    // shows when the board does.
    m_puzzle.options.transparent = !m_puzzle.options.transparent;
    updateMarks();
    UpdateOutline();
}

void TTiloraForm::applyOptionToTiles()
{
    const bool numbers = m_puzzle.options.cheatView || !m_settings.pictureMode;
    for (int c = 0; c < m_puzzle.gridSize(); ++c) {
        for (int r = 0; r < m_puzzle.gridSize(); ++r) {
            if (TTiloraStein *tile = m_tilesByHome[c][r]) {
                tile->setFramed(m_puzzle.options.tileFrames);
                tile->NumberLabel->setVisible(numbers);
            }
        }
    }
}

void TTiloraForm::syncTileGrid()
{
    for (int c = 0; c < m_puzzle.gridSize(); ++c) {
        for (int r = 0; r < m_puzzle.gridSize(); ++r) {
            const QPoint home = m_puzzle.homeAt(QPoint(c, r));
            m_tileGrid[c][r] = m_tilesByHome[home.x()][home.y()];
        }
    }
}

void TTiloraForm::placeAllTiles()
{
    for (int c = 0; c < m_puzzle.gridSize(); ++c)
        for (int r = 0; r < m_puzzle.gridSize(); ++r)
            placeTileAtCell(c, r);
}

void TTiloraForm::updateMarks()
{
    // The items' check marks show the game's options and settings; they hold no state.
    const PuzzleOptions &options = m_puzzle.options;
    Vorschau1->setChecked(options.solutionView);
    Schummeln1->setChecked(options.cheatView);
    Steineumrahmen1->setChecked(options.tileFrames);
    Transparenz1->setChecked(options.transparent);
    Pause1->setChecked(m_puzzle.isPaused());
    Bild1->setChecked(m_motif == 1);
    Bild2->setChecked(m_motif == 2);
    for (QAction *item : GridSizeItems)
        item->setChecked(item->data().toInt() == m_puzzle.gridSize());
    for (QAction *item : AnimationGroup->actions()) {
        if (item->data().toInt() == m_settings.animationSpeed)
            item->setChecked(true);
    }
    for (QAction *item : ShuffleDurationGroup->actions()) {
        if (item->data().toInt() == m_settings.shuffleDuration)
            item->setChecked(true);
    }
}
