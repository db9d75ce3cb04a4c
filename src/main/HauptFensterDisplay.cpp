// Display options: frames on the tiles, and the free slot cut out of the window.

#include "main/HauptFenster.h"

#include "main/TiloraStein.h"

void TTiloraForm::SteinRahmenClick()
{
    Steineumrahmen1->setChecked(!Steineumrahmen1->isChecked());
    const bool framed = Steineumrahmen1->isChecked();
    for (int c = 0; c < GridSize; ++c)
        for (int r = 0; r < GridSize; ++r)
            if (TTiloraStein *tile = TileGrid[c][r])
                tile->setFramed(framed);
}

void TTiloraForm::Transparenz1Click()
{
    Transparenz1->setChecked(!Transparenz1->isChecked());
    if (Pause1->isChecked()) {
        // The board is hidden: the change shows when the game resumes.
        PauseOutline = BoardRegionOutline(width(), height(), Transparenz1->isChecked(),
                                          QPoint(FreeCol, FreeRow), TileWidth, TileHeight);
        return;
    }
    if (m_shuffling && !ShowShuffle)
        return; // the board stays out of sight until the shuffle ends
    UpdateOutline();
}

void TTiloraForm::SetAnimatedOutline()
{
    setOutline(AnimatedOutline(width(), height(),
                               SlideFrame{QPoint(MoveSourceCol, MoveSourceRow),
                                          QPoint(MoveTargetCol, MoveTargetRow), AnimationFrame,
                                          AnimationFrames(AnimationSpeed), TileWidth,
                                          TileHeight}));
}
