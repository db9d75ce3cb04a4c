// The game clock, the end of a game, the cheat view, the pause and the solution window. The
// game keeps the time, the phase and the cheat flag; the window shows them.

#include "main/HauptFenster.h"

#include "windows/SecondaryWindows.h"
#include "desktop/WindowPlacement.h"
#include "windows/highscorefenster.h"
#include "windows/meldungsfenster.h"

void TTiloraForm::SekundenZaehlerTimer()
{
    m_game.clockTick();
}

void TTiloraForm::showEndOfGame()
{
    // A new board may have come first, or a modal window is open and the game says so again
    // once it has closed.
    const std::optional<GameResult> result = m_game.takeEndToShow();
    if (!result)
        return;
    TMeldung &message = m_windows.message();
    message.move(CenteredOver(message, *this));
    message.setHeadline(
        result->cheated ? QStringLiteral("Schummler!!!") : QStringLiteral("Glückwunsch!!!"));
    message.setTimeLine(result->time + QStringLiteral(" Sekunden."));
    message.showModal();
    if (!result->cheated && m_game.phase() == GamePhase::Finished)
        m_windows.highscore().AddResult(result->time, result->configuration);
    m_game.endShown();
    if (m_game.showsShuffleButton())
        PlaceShuffleButton();
}

void TTiloraForm::Schummeln1Click()
{
    m_game.toggleCheatView();
}

void TTiloraForm::Pause1Click()
{
    m_game.togglePause();
}

void TTiloraForm::PausenpanelClick()
{
    Pause1Click();
}

void TTiloraForm::Vorschau1Click()
{
    m_game.toggleSolutionView();
}
