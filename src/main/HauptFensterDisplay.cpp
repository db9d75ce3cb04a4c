// Display options (frames on the tiles, the free slot cut out of the window) and the menu
// marks, which show the game's options and hold no state of their own.

#include "main/HauptFenster.h"

#include "main/TiloraStein.h"

void TTiloraForm::SteinRahmenClick()
{
    m_game.toggleTileFrames();
}

void TTiloraForm::Transparenz1Click()
{
    // While paused or mixed out of sight the outline keeps the board hidden; the change
    // shows when the board does.
    m_game.toggleTransparent();
}

void TTiloraForm::applyOptionToTiles()
{
    const Settings &settings = m_game.settings();
    const bool numbers = m_game.cheatView() || !settings.pictureMode;
    const QColor colour = settings.pictureMode ? QColor(Qt::white) : settings.tileColor;
    for (int c = 0; c < m_tilesGridSize; ++c) {
        for (int r = 0; r < m_tilesGridSize; ++r) {
            if (TTiloraStein *tile = m_tilesByHome[c][r]) {
                tile->setFramed(settings.tileFrames);
                tile->NumberLabel->setVisible(numbers);
                tile->setColor(colour);
            }
        }
    }
}

void TTiloraForm::updateMarks()
{
    const Settings &settings = m_game.settings();
    Vorschau1->setChecked(settings.solutionView);
    Schummeln1->setChecked(m_game.cheatView());
    Steineumrahmen1->setChecked(settings.tileFrames);
    Transparenz1->setChecked(settings.transparent);
    Pause1->setChecked(m_game.phase() == GamePhase::Paused);
    Bild1->setChecked(m_game.motif() == 1);
    Bild2->setChecked(m_game.motif() == 2);
    // The picture mode's menu state: the item names the mode a click switches to.
    Text1->setText(settings.pictureMode ? QStringLiteral("Text") : QStringLiteral("Bild"));
    Schummeln1->setVisible(settings.pictureMode);
    Vorschau1->setVisible(settings.pictureMode);
    for (QAction *item : GridSizeItems)
        item->setChecked(item->data().toInt() == settings.gridSize);
    // Radio groups: checking one item unchecks the others.
    for (QAction *item : AnimationGroup->actions()) {
        if (item->data().toInt() == settings.animationSpeed)
            item->setChecked(true);
    }
    for (QAction *item : ShuffleDurationGroup->actions()) {
        if (item->data().toInt() == settings.shuffleDuration)
            item->setChecked(true);
    }
}
