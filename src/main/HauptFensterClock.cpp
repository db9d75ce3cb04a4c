// The game clock, the end of a game, the cheat view, the pause and the solution window.

#include "main/HauptFenster.h"

#include "controls/Panel.h"
#include "main/TiloraStein.h"
#include "windows/bildfenster.h"
#include "windows/meldungsfenster.h"

#include <QCoreApplication>
#include <QScopedValueRollback>

void TTiloraForm::SekundenZaehlerTimer()
{
    ++ClockSeconds;
    zeit->setText(ClockText(ClockSeconds));
}

void TTiloraForm::CheckCompletion()
{
    if (!isSolved() || m_gameEnding)
        return;
    // Until "Mischen!" shows again the board takes no presses and no new shuffle starts.
    QScopedValueRollback<bool> ending(m_gameEnding, true);
    SekundenZaehler->stop();
    emit gameSolved();
    const QString time = zeit->text();
    const bool cheated = GameCheated;

    if (TMeldung *message = m_windows.message) {
        message->move(x() + width() / 2 - message->width() / 2,
                      y() + height() / 2 - message->height() / 2);
        message->Label4->setText(cheated ? QStringLiteral("Schummler!!!")
                                         : QStringLiteral("Glückwunsch!!!"));
        message->Label3->setText(time + QStringLiteral(" Sekunden."));
        message->showModal();
    }
    QCoreApplication::processEvents();
    if (!cheated && addResult)
        addResult(time);
    QCoreApplication::processEvents();
    PlaceShuffleButton();
}

void TTiloraForm::Schummeln1Click()
{
    Schummeln1->setChecked(!Schummeln1->isChecked());
    const bool on = Schummeln1->isChecked();
    GameCheated = GameCheated || on;
    if (!PictureMode)
        return;
    for (int c = 0; c < GridSize; ++c)
        for (int r = 0; r < GridSize; ++r)
            if (TTiloraStein *tile = TileGrid[c][r])
                tile->NumberLabel->setVisible(on);
}

void TTiloraForm::Pause1Click()
{
    Pause1->setChecked(!Pause1->isChecked());
    if (!SekundenZaehler->isActive() && Pause1->isChecked()) {
        Pause1->setChecked(false);
        return;
    }
    if (Pause1->isChecked()) {
        SekundenZaehler->stop();
        // A slide still under way comes to rest first, so the outline kept for the resume
        // is the board's at rest.
        if (AnimTimer->isActive()) {
            finishAnimation();
            UpdateOutline();
        }
        PauseOutline = outline();
        setOutline(PlainOutline(width(), height()));
        Brett->hide();
        Pausenpanel->move(width() / 2 - Pausenpanel->width() / 2,
                          height() / 2 - Pausenpanel->height() / 2);
        Pausenpanel->show();
        Pausenpanel->raise();
    } else {
        Pausenpanel->hide();
        setOutline(PauseOutline);
        Brett->show();
        SekundenZaehler->start();
    }
}

void TTiloraForm::endPause()
{
    if (!Pause1->isChecked() && !Pausenpanel->isVisible())
        return;
    Pause1->setChecked(false);
    Pausenpanel->hide();
    PauseOutline.clear();
    Brett->show();
}

void TTiloraForm::PausenpanelClick()
{
    Pause1Click();
}

void TTiloraForm::Vorschau1Click()
{
    Vorschau1->setChecked(!Vorschau1->isChecked());
    if (PictureMode && m_windows.preview)
        m_windows.preview->setVisible(Vorschau1->isChecked());
}
