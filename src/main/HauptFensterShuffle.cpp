// Shuffling: random line moves until the chosen count is reached or the player has had
// enough, with the start window counting the seconds.
//
// Window events are handled between line moves, so commands can arrive mid-shuffle:
// - another shuffle request (menu, F2, "Mischen!", a "Mischdauer" item) is ignored; a new
//   length chosen meanwhile applies to the next game;
// - a board rebuild ends the shuffle at once: the new board waits with "Mischen!" and no
//   clock runs;
// - presses on the board are ignored until the game has begun;
// - closing the window ends the shuffle.
// The game's phase says what the board shows (out of sight while it is mixed, unless the
// player wants to watch); the flag m_shuffling says that a shuffle's loop is on the stack, so
// that no second one starts inside it, even after a rebuild ended the first.

#include "main/HauptFenster.h"

#include "controls/Panel.h"
#include "main/TiloraStein.h"
#include "windows/WindowPlacement.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>
#include <QScopedValueRollback>

int TTiloraForm::Random(int n)
{
    if (n <= 1)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(m_random);
}

void TTiloraForm::seedRandom(quint32 seed)
{
    m_random.seed(seed);
}

void TTiloraForm::CenterStartWindow()
{
    QWidget *start = m_windows.start;
    if (!start)
        return;
    // Called once per line move: the toolkit's idea of where the window is serves here; the
    // shuffle asked the window system once when it began.
    const QPoint place = CenteredOver(*start, QRect(mapToGlobal(QPoint(0, 0)), size()));
    // Called once per line move: moving a window to where it is costs a round trip.
    if (start->pos() != place)
        start->move(place);
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
    if (duration == m_settings.shuffleDuration)
        return;
    m_settings.shuffleDuration = duration;
    updateMarks();
}

void TTiloraForm::StartShuffle()
{
    if (m_shuffling || m_gameEnding || m_closing || m_rebuilding)
        return;
    QScopedValueRollback<bool> shuffling(m_shuffling, true);
    const quint64 generation = m_buildGeneration;
    TForm3 *start = m_windows.start;

    endPause();
    // A slide still under way would keep moving tiles mid-shuffle.
    finishAnimation();
    m_pendingPresses.clear();
    Panel4->hide();
    SekundenZaehler->stop();
    m_puzzle.cheated = m_puzzle.options.cheatView;
    m_puzzle.clockSeconds = 0;
    zeit->setText(QStringLiteral("00:00:00"));
    if (movePointer)
        movePointer(mapToGlobal(QPoint(width() / 2, height() / 2)));
    setPhase(GamePhase::Shuffling);
    m_shuffleSteps = 0;
    // The length in force when the shuffle began decides when it ends.
    const int duration = m_settings.shuffleDuration;
    const qint64 moves = ShuffleMoveCount(m_puzzle.gridSize(), duration);
    const bool showShuffle = m_puzzle.options.showShuffle;
    RealWindowPosition(*this);
    if (start) {
        start->hide();
        start->show();
    }

    for (;;) {
        CenterStartWindow();
        QCoreApplication::processEvents();
        if (generation != m_buildGeneration || m_closing)
            return;

        const LineMove move = m_puzzle.randomMove(m_random);
        ++m_shuffleSteps;
        if (duration == 0 && m_shuffleSteps % 10000 == 0)
            zeit->setText(QString::number(m_shuffleSteps));
        m_puzzle.apply(move);
        if (showShuffle) {
            syncTileGrid();
            for (QPoint cell = move.from;; cell += move.step()) {
                placeTileAtCell(cell.x(), cell.y());
                if (cell == move.to)
                    break;
            }
            UpdateOutline();
        }

        if (duration != 0) {
            if (m_shuffleSteps >= moves)
                break;
        } else if (!start || !start->isVisible()) {
            break;
        }
    }

    if (start)
        start->hide();
    if (!showShuffle) {
        syncTileGrid();
        placeAllTiles();
    }
    setPhase(GamePhase::Running);
    SekundenZaehler->stop();
    QCoreApplication::processEvents();
    if (generation != m_buildGeneration || m_closing || m_puzzle.phase != GamePhase::Running)
        return;
    m_puzzle.clockSeconds = 0;
    SekundenZaehler->start();
    emit gameStarted();
}

void TTiloraForm::startGame()
{
    Panel4->hide();
    m_puzzle.clockSeconds = 0;
    zeit->setText(m_puzzle.clockText());
    setPhase(GamePhase::Running);
    SekundenZaehler->start();
}
