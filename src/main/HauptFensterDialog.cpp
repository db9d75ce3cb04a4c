// The settings dialog from the main window's side: handing it the current settings and
// applying what comes back, through the same commands the menus use.

#include "main/HauptFenster.h"

#include "windows/SecondaryWindows.h"
#include "windows/einstellungenfenster.h"

void TTiloraForm::Einstellungen1Click()
{
    TEinstellungen *dialog = &m_windows.settings();
    if (dialog->isVisible())
        return;

    dialog->setCheatView(m_game.cheatView());
    const std::optional<Settings> edited = dialog->EditSettings(m_game.settings());
    if (!edited)
        return;
    const Settings before = m_game.settings();

    // Unchanged values leave the board as it was: every step below applies only a difference.
    if (before.tileFrames != edited->tileFrames)
        SteinRahmenClick();
    if (before.solutionView != edited->solutionView)
        Vorschau1Click();
    if (before.transparent != edited->transparent)
        Transparenz1Click();
    if (m_game.cheatView() != dialog->cheatView())
        Schummeln1Click();
    SetAnimationSpeed(edited->animationSpeed);
    SetShuffleDuration(edited->shuffleDuration);
    m_game.setLooks(*edited);
    applyBoardFont();

    if (edited->gridSize != before.gridSize) {
        // A new board, of the new tile size too: the running game is given up.
        m_game.chooseTileSize(edited->tileSize);
        build(m_game.chooseGridSize(edited->gridSize));
    } else if (edited->tileSize != before.tileSize) {
        ApplyTileSize(edited->tileSize);
    }
}
