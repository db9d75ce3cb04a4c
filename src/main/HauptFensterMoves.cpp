// Moving tiles: the board's mouse handlers, the one-cell step of the free slot, the slide
// animation, the magnifier and the pointers.
//
// A press that has to wait for a running animation handles window events meanwhile. When the
// wait is over it is carried out only if its tile still exists, the board was not rebuilt and
// a game still runs; otherwise it is dropped.

#include "main/HauptFenster.h"

#include "app/Resources.h"
#include "controls/Panel.h"
#include "main/TiloraStein.h"
#include "windows/Unit2.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

void TTiloraForm::placeTileAtCell(int col, int row)
{
    if (TTiloraStein *tile = TileGrid[col][row])
        tile->move(col * TileWidth, row * TileHeight);
}

void TTiloraForm::setPointer(const QString &name)
{
    if (m_pointer == name)
        return;
    m_pointer = name;
    // One pointer for the whole program, over every control.
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(PointerCursor(name));
    else
        QGuiApplication::setOverrideCursor(PointerCursor(name));
}

bool TTiloraForm::boardTakesPresses() const
{
    return !m_shuffling && !m_gameEnding && !m_closing
           && !(m_windows.start && m_windows.start->isVisible());
}

void TTiloraForm::BoardMouseDown(QObject *sender, Qt::MouseButton button, QPoint position)
{
    QWidget *magnifier = m_windows.magnifier;
    if (button == Qt::LeftButton) {
        setPointer(QStringLiteral("FINGER2"));
        if (magnifier && magnifier->isVisible())
            BoardMouseUp(sender, button, position);
        if (!boardTakesPresses())
            return;
        if (Panel4->isVisible()) {
            StartShuffle();
            return;
        }

        const QPointer<QObject> control(sender);
        const quint64 generation = m_buildGeneration;
        do {
            QCoreApplication::processEvents(AnimTimer->isActive() ? QEventLoop::WaitForMoreEvents
                                                                  : QEventLoop::AllEvents);
        } while (AnimTimer->isActive());
        if (!control || generation != m_buildGeneration || !boardTakesPresses()
            || Panel4->isVisible() || !Brett->isVisible())
            return;

        TTiloraStein *tile = tileOf(control);
        if (!tile)
            return;
        const QPoint cell = cellOfTile(tile);
        if ((cell.x() == FreeCol) == (cell.y() == FreeRow))
            return;

        MoveTargetCol = cell.x();
        MoveTargetRow = cell.y();
        MoveSourceCol = FreeCol;
        MoveSourceRow = FreeRow;
        const int dx = Sign(cell.x() - FreeCol);
        const int dy = Sign(cell.y() - FreeRow);
        while (FreeCol != cell.x() || FreeRow != cell.y())
            StepFreeSlot(dx, dy);
        if (AnimationSpeed > 0) {
            AnimationFrame = 0;
            AnimTimer->start();
        }
        CheckCompletion();
        return;
    }

    if (button == Qt::RightButton && SekundenZaehler->isActive() && magnifier) {
        int left = x() - magnifier->width();
        const int top = y() + (height() - magnifier->height()) / 2;
        if (left < 0)
            left = x() + width();
        magnifier->move(left, top);
        magnifier->show();
        if (auto *control = qobject_cast<QWidget *>(sender))
            DrawMagnifier(Brett->mapFromGlobal(control->mapToGlobal(position)));
        setPointer(QStringLiteral("LUPE"));
    }
}

void TTiloraForm::BoardMouseMove(QObject *sender, Qt::MouseButtons buttons, QPoint position)
{
    QWidget *magnifier = m_windows.magnifier;
    if (SekundenZaehler->isActive() && magnifier && magnifier->isVisible()) {
        if (buttons & Qt::RightButton) {
            if (auto *control = qobject_cast<QWidget *>(sender))
                DrawMagnifier(Brett->mapFromGlobal(control->mapToGlobal(position)));
        } else {
            magnifier->hide();
        }
        return;
    }
    setPointer(QStringLiteral("FINGER1"));
}

void TTiloraForm::BoardMouseUp(QObject *, Qt::MouseButton, QPoint)
{
    setPointer(QStringLiteral("FINGER1"));
    if (m_windows.magnifier && m_windows.magnifier->isVisible())
        m_windows.magnifier->hide();
}

void TTiloraForm::StepFreeSlot(int dx, int dy)
{
    const int col = FreeCol + dx;
    const int row = FreeRow + dy;
    if (col < 0 || col >= GridSize || row < 0 || row >= GridSize)
        return;
    std::swap(TileGrid[FreeCol][FreeRow], TileGrid[col][row]);
    if (AnimationSpeed == 0) {
        placeTileAtCell(FreeCol, FreeRow);
        placeTileAtCell(col, row);
    }
    FreeCol = col;
    FreeRow = row;
    if (!(Transparenz1->isChecked() && AnimationSpeed > 0))
        UpdateOutline();
}

void TTiloraForm::AnimTimerTimer()
{
    const int frames = AnimationFrames(AnimationSpeed);
    ++AnimationFrame;
    if (AnimationFrame > frames) {
        finishAnimation();
        return;
    }
    const int dx = Sign(MoveTargetCol - MoveSourceCol);
    const int dy = Sign(MoveTargetRow - MoveSourceRow);
    int col = MoveSourceCol;
    int row = MoveSourceRow;
    while (col != MoveTargetCol || row != MoveTargetRow) {
        if (TTiloraStein *tile = TileGrid[col][row]) {
            tile->move(col * TileWidth + SlideOffset(dx, TileWidth, AnimationFrame, frames),
                       row * TileHeight + SlideOffset(dy, TileHeight, AnimationFrame, frames));
        }
        col += dx;
        row += dy;
    }
    if (Transparenz1->isChecked() && !Pause1->isChecked())
        SetAnimatedOutline();
}

void TTiloraForm::finishAnimation()
{
    if (!AnimTimer->isActive() && AnimationFrame == 0)
        return;
    // Every tile of the slide comes to rest, whatever frame the animation had reached.
    const int dx = Sign(MoveTargetCol - MoveSourceCol);
    const int dy = Sign(MoveTargetRow - MoveSourceRow);
    int col = MoveSourceCol;
    int row = MoveSourceRow;
    for (;;) {
        placeTileAtCell(col, row);
        if (col == MoveTargetCol && row == MoveTargetRow)
            break;
        col += dx;
        row += dy;
    }
    AnimTimer->stop();
    AnimationFrame = 0;
}

void TTiloraForm::DrawMagnifier(QPoint point)
{
    auto *magnifier = m_windows.magnifier;
    if (!magnifier)
        return;
    const int radius = 100 / ZoomFactor;
    const int cx = Clamp(radius, point.x(), Brett->width() - radius) + Brett->x();
    const int cy = Clamp(radius, point.y(), Brett->height() - radius) + Brett->y();
    const QRect source(cx - radius, cy - radius, 2 * radius, 2 * radius);

    QImage picture = grabScreen ? grabScreen(source) : QImage();
    if (picture.isNull()) {
        // Without a readable screen the window's own drawing serves.
        picture = grab(source).toImage();
    }
    magnifier->setPicture(picture);
}

void TTiloraForm::schnell1Click(QAction *item)
{
    item->setChecked(true);
    SetAnimationSpeed(item->data().toInt());
}

void TTiloraForm::SetAnimationSpeed(int speed)
{
    if (speed == AnimationSpeed)
        return;
    AnimationSpeed = speed;
    for (QAction *item : AnimationGroup->actions()) {
        if (item->data().toInt() == speed)
            item->setChecked(true);
    }
}
