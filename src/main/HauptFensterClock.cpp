// The game clock, the end of a game, the cheat view, the pause and the solution window.

#include "main/HauptFenster.h"

#include "controls/Panel.h"
#include "main/TiloraStein.h"
#include "windows/bildfenster.h"
#include "windows/meldungsfenster.h"
#include "windows/WindowPlacement.h"

#include <QCoreApplication>
#include <QScopedValueRollback>

void TTiloraForm::SekundenZaehlerTimer()
{
    ++m_puzzle.clockSeconds;
    zeit->setText(m_puzzle.clockText());
}

void TTiloraForm::CheckCompletion()
{
    if (!isSolved() || m_gameEnding)
        return;
    // Until "Mischen!" shows again the board takes no presses and no new shuffle starts.
    QScopedValueRollback<bool> ending(m_gameEnding, true);
    SekundenZaehler->stop();
    m_pendingPresses.clear();
    setPhase(GamePhase::Finished);
    emit gameSolved();
    const QString time = zeit->text();
    const bool cheated = m_puzzle.cheated;

    if (TMeldung *message = m_windows.message) {
        message->move(CenteredOver(*message, *this));
        message->setHeadline(cheated ? QStringLiteral("Schummler!!!")
                                     : QStringLiteral("Glückwunsch!!!"));
        message->setTimeLine(time + QStringLiteral(" Sekunden."));
        message->showModal();
    }
    QCoreApplication::processEvents();
    if (!cheated && addResult)
        addResult(time);
    QCoreApplication::processEvents();
    if (m_puzzle.phase == GamePhase::Finished)
        setPhase(GamePhase::NoGame);
    PlaceShuffleButton();
}

void TTiloraForm::Schummeln1Click()
{
    m_puzzle.options.cheatView = !m_puzzle.options.cheatView;
    m_puzzle.cheated = m_puzzle.cheated || m_puzzle.options.cheatView;
    updateMarks();
    applyOptionToTiles();
}

void TTiloraForm::Pause1Click()
{
    if (m_puzzle.phase == GamePhase::Running && SekundenZaehler->isActive()) {
        SekundenZaehler->stop();
        // A slide still under way comes to rest first.
        finishAnimation();
        m_pendingPresses.clear();
        setPhase(GamePhase::Paused);
        Brett->hide();
        Pausenpanel->move(width() / 2 - Pausenpanel->width() / 2,
                          height() / 2 - Pausenpanel->height() / 2);
        Pausenpanel->show();
        Pausenpanel->raise();
    } else if (m_puzzle.phase == GamePhase::Paused) {
        Pausenpanel->hide();
        setPhase(GamePhase::Running);
        Brett->show();
        SekundenZaehler->start();
    }
}

void TTiloraForm::endPause()
{
    if (m_puzzle.phase == GamePhase::Paused)
        setPhase(GamePhase::Running);
    if (Pausenpanel->isVisible()) {
        Pausenpanel->hide();
        Brett->show();
    }
}

void TTiloraForm::PausenpanelClick()
{
    Pause1Click();
}

void TTiloraForm::Vorschau1Click()
{
    m_puzzle.options.solutionView = !m_puzzle.options.solutionView;
    updateMarks();
    if (m_settings.pictureMode && m_windows.preview)
        m_windows.preview->setVisible(m_puzzle.options.solutionView);
}

void TTiloraForm::setPhase(GamePhase phase)
{
    m_puzzle.phase = phase;
    updateMarks();
    UpdateOutline();
}
