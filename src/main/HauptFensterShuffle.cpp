// Shuffling: the loop that feeds the game its line moves, handling window events once per
// line so that the window stays live, and the start window counting the seconds. What may
// happen meanwhile (another shuffle, a new board, presses, closing) is the game's to decide;
// the loop ends when the game says the shuffle is over.

#include "main/HauptFenster.h"

#include "windows/SecondaryWindows.h"
#include "desktop/WindowPlacement.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>

void TTiloraForm::CenterStartWindow()
{
    TForm3 &start = m_windows.start();
    // Called once per line move: the toolkit's idea of where the window is serves here (the
    // shuffle asked the window system once when it began), and only a window that moved is
    // followed; moving a window to where it is costs a round trip.
    if (start.isVisible() && pos() == m_startWindowFollows)
        return;
    m_startWindowFollows = pos();
    const QPoint place = CenteredOver(start, QRect(mapToGlobal(QPoint(0, 0)), size()));
    if (start.pos() != place)
        start.move(place);
}

void TTiloraForm::Spielstarten1Click()
{
    StartShuffle();
}

void TTiloraForm::Panel4Click()
{
    StartShuffle();
}

void TTiloraForm::selbst1Click(QAction *item)
{
    SetShuffleDuration(item->data().toInt());
    StartShuffle();
}

void TTiloraForm::SetShuffleDuration(int duration)
{
    m_game.setShuffleDuration(duration);
}

void TTiloraForm::StartShuffle()
{
    if (!m_game.beginShuffle())
        return;
    TForm3 &start = m_windows.start();
    // The window system is asked once where the window is: the start window follows the
    // toolkit's idea of it from here on.
    const QPoint middle = ScreenPoint(*this, QPoint(width() / 2, height() / 2));
    if (movePointer)
        movePointer(middle);
    const bool showShuffle = m_game.settings().showShuffle;
    start.hide();
    m_startWindowFollows.reset(); // placed anew
    start.show();

    for (;;) {
        CenterStartWindow();
        QCoreApplication::processEvents();
        const std::optional<ShuffleLine> line = m_game.shuffleStep();
        if (!line)
            break;
        if (line->countShown)
            zeit->setText(m_game.clockDisplay());
        if (showShuffle) {
            renderTiles();
            UpdateOutline();
        }
        if (line->last)
            break;
    }
    start.hide();
    m_game.endShuffle();
}
