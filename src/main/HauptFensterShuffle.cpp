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

#include "main/HauptFenster.h"

#include "controls/Panel.h"
#include "main/TiloraStein.h"
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
    const QPoint place(x() + width() / 2 - start->width() / 2,
                       y() + height() / 2 - start->height() / 2);
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
    item->setChecked(true);
    SetShuffleDuration(item->data().toInt());
    StartShuffle();
}

void TTiloraForm::SetShuffleDuration(int duration)
{
    if (duration == ShuffleDuration)
        return;
    ShuffleDuration = duration;
    for (QAction *item : ShuffleDurationGroup->actions()) {
        if (item->data().toInt() == duration)
            item->setChecked(true);
    }
}

void TTiloraForm::StartShuffle()
{
    if (m_shuffling || m_gameEnding || m_closing)
        return;
    QScopedValueRollback<bool> shuffling(m_shuffling, true);
    const quint64 generation = m_buildGeneration;
    TForm3 *start = m_windows.start;

    endPause();
    // A slide still under way would keep setting its outline and moving tiles mid-shuffle.
    finishAnimation();
    Panel4->hide();
    SekundenZaehler->stop();
    GameCheated = Schummeln1->isChecked();
    zeit->setText(QStringLiteral("00:00:00"));
    if (movePointer)
        movePointer(QPoint(x() + width() / 2, y() + height() / 2));
    if (!ShowShuffle)
        setOutline(HiddenBoardOutline(width(), height()));
    ShuffleStepCount = 0;
    // The length in force when the shuffle began decides when it ends.
    const int duration = ShuffleDuration;
    const qint64 moves = ShuffleMoveCount(GridSize, duration);
    if (start) {
        start->hide();
        start->show();
    }

    for (;;) {
        CenterStartWindow();
        QCoreApplication::processEvents();
        if (generation != m_buildGeneration || m_closing)
            return;

        int col;
        int row;
        do {
            col = Random(GridSize);
            row = Random(GridSize);
        } while ((col == FreeCol) == (row == FreeRow));

        ++ShuffleStepCount;
        if (duration == 0 && ShuffleStepCount % 10000 == 0)
            zeit->setText(QString::number(ShuffleStepCount));

        const int dx = Sign(col - FreeCol);
        const int dy = Sign(row - FreeRow);
        while (FreeCol != col || FreeRow != row) {
            std::swap(TileGrid[FreeCol][FreeRow], TileGrid[FreeCol + dx][FreeRow + dy]);
            if (ShowShuffle) {
                placeTileAtCell(FreeCol, FreeRow);
                placeTileAtCell(FreeCol + dx, FreeRow + dy);
            }
            FreeCol += dx;
            FreeRow += dy;
        }
        if (ShowShuffle)
            UpdateOutline();

        if (duration != 0) {
            if (ShuffleStepCount >= moves)
                break;
        } else if (!start || !start->isVisible()) {
            break;
        }
    }

    if (start)
        start->hide();
    if (!ShowShuffle) {
        for (int c = 0; c < GridSize; ++c)
            for (int r = 0; r < GridSize; ++r)
                placeTileAtCell(c, r);
        UpdateOutline();
    }
    QCoreApplication::processEvents();
    if (generation != m_buildGeneration || m_closing)
        return;
    ClockSeconds = 0;
    SekundenZaehler->start();
    emit gameStarted();
}
