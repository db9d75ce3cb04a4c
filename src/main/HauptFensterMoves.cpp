// Moving tiles: the board's mouse handlers, the one-cell step of the free slot, the slide
// animation, the magnifier and the pointers.
//
// A press that arrives during a slide waits in a short queue and runs when the slide has come
// to rest, the latest first; presses beyond the queue's few places are dropped. A waiting press
// is carried out only if its tile still exists, the board was not rebuilt and a game still
// runs. No press waits inside another: the event loop is never entered from here.

#include "main/HauptFenster.h"

#include "app/Resources.h"
#include "controls/Panel.h"
#include "main/TiloraStein.h"
#include "windows/Unit2.h"
#include "windows/startenfenster.h"
#include "windows/WindowPlacement.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScreen>

void TTiloraForm::placeTileAtCell(int col, int row)
{
    const int tile = m_puzzle.tileSize();
    if (TTiloraStein *stone = m_tileGrid[col][row])
        stone->move(col * tile, row * tile);
}

void TTiloraForm::setPointer(const QString &name)
{
    if (m_pointer == name)
        return;
    m_pointer = name;
    // The same cursor object for each pointer: the window system keeps a cursor per picture,
    // so a picture made anew at every press would pile up there with every click.
    auto made = m_pointers.constFind(name);
    if (made == m_pointers.constEnd())
        made = m_pointers.insert(name, PointerCursor(name));
    // One pointer for the whole program, over every control.
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(*made);
    else
        QGuiApplication::setOverrideCursor(*made);
}

bool TTiloraForm::boardTakesPresses() const
{
    return !m_shuffling && !m_gameEnding && !m_closing && m_puzzle.phase == GamePhase::Running
           && !(m_windows.start && m_windows.start->isVisible());
}

void TTiloraForm::BoardMouseDown(QObject *sender, Qt::MouseButton button, QPoint position)
{
    QWidget *magnifier = m_windows.magnifier;
    if (button == Qt::LeftButton) {
        setPointer(QStringLiteral("FINGER2"));
        if (magnifier && magnifier->isVisible())
            BoardMouseUp(sender, button, position);
        if (m_shuffling || m_gameEnding || m_closing
            || (m_windows.start && m_windows.start->isVisible()))
            return;
        if (Panel4->isVisible()) {
            StartShuffle();
            return;
        }
        if (!boardTakesPresses())
            return;
        pressOrQueue(sender, QPoint());
        return;
    }

    if (button == Qt::RightButton && SekundenZaehler->isActive() && magnifier) {
        const QRect frame(RealWindowPosition(*this), size());
        int left = frame.x() - magnifier->width();
        const int top = frame.y() + (frame.height() - magnifier->height()) / 2;
        if (left < screenArea().left())
            left = frame.x() + frame.width();
        magnifier->move(left, top);
        magnifier->show();
        if (auto *control = qobject_cast<QWidget *>(sender))
            DrawMagnifier(Brett->mapFromGlobal(control->mapToGlobal(position)));
        setPointer(QStringLiteral("LUPE"));
    }
}

void TTiloraForm::MoveByKey(QPoint direction)
{
    if (!boardTakesPresses() || Panel4->isVisible())
        return;
    pressOrQueue(nullptr, direction);
}

void TTiloraForm::pressOrQueue(QObject *control, QPoint keyDirection)
{
    if (m_slide || m_runningPresses) {
        // The press waits for the slide; a player can't mean more than a few at once.
        if (int(m_pendingPresses.size()) < MaxPendingPresses)
            m_pendingPresses.push_back({control, m_buildGeneration, keyDirection});
        return;
    }
    runPress(control, keyDirection);
}

void TTiloraForm::runPress(QPointer<QObject> control, QPoint keyDirection)
{
    QPoint cell;
    if (keyDirection.isNull()) {
        TTiloraStein *tile = tileOf(control);
        if (!tile)
            return;
        cell = cellOfTile(tile);
    } else {
        cell = m_puzzle.freeCell() - keyDirection;
    }
    const std::optional<LineMove> move = m_puzzle.moveForPress(cell);
    if (!move)
        return;
    m_puzzle.apply(*move);
    syncTileGrid();
    emit tilesMoved(move->from, move->to);
    if (m_settings.animationSpeed > 0) {
        m_slide = move;
        AnimationFrame = 0;
        AnimTimer->start();
    } else {
        const QPoint step = move->step();
        for (QPoint cell = move->from;; cell += step) {
            placeTileAtCell(cell.x(), cell.y());
            if (cell == move->to)
                break;
        }
    }
    UpdateOutline();
    CheckCompletion();
}

void TTiloraForm::runPendingPresses()
{
    // The latest press runs first, as each press once waited inside the one before it.
    while (!m_slide && !m_pendingPresses.empty() && !m_runningPresses) {
        const PendingPress press = m_pendingPresses.back();
        m_pendingPresses.pop_back();
        if ((!press.control && press.keyDirection.isNull())
            || press.generation != m_buildGeneration || !boardTakesPresses()
            || Panel4->isVisible() || !Brett->isVisible())
            continue;
        QScopedValueRollback<bool> running(m_runningPresses, true);
        runPress(press.control, press.keyDirection);
    }
    if (!boardTakesPresses())
        m_pendingPresses.clear();
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
    const QPoint target = m_puzzle.freeCell() + QPoint(dx, dy);
    if (!m_puzzle.contains(target) || (dx != 0) == (dy != 0))
        return;
    const LineMove move{m_puzzle.freeCell(), target};
    m_puzzle.apply(move);
    syncTileGrid();
    if (!m_slide) {
        placeTileAtCell(move.from.x(), move.from.y());
        placeTileAtCell(target.x(), target.y());
    }
    UpdateOutline();
}

void TTiloraForm::AnimTimerTimer()
{
    if (!m_slide) {
        AnimTimer->stop();
        return;
    }
    const int frames = AnimationFrames(m_settings.animationSpeed);
    ++AnimationFrame;
    if (AnimationFrame > frames) {
        finishAnimation();
        runPendingPresses();
        return;
    }
    const QPoint step = m_slide->step();
    const int tile = m_puzzle.tileSize();
    // The moved tiles stand between the old free cell and the pressed one.
    for (QPoint cell = m_slide->from; cell != m_slide->to; cell += step) {
        if (TTiloraStein *stone = m_tileGrid[cell.x()][cell.y()]) {
            stone->move(cell.x() * tile + SlideOffset(step.x(), tile, AnimationFrame, frames),
                        cell.y() * tile + SlideOffset(step.y(), tile, AnimationFrame, frames));
        }
    }
    UpdateOutline();
}

void TTiloraForm::finishAnimation()
{
    AnimTimer->stop();
    AnimationFrame = 0;
    if (!m_slide)
        return;
    // Every tile of the slide comes to rest, whatever frame the animation had reached.
    const LineMove slide = *m_slide;
    m_slide.reset();
    for (QPoint cell = slide.from;; cell += slide.step()) {
        placeTileAtCell(cell.x(), cell.y());
        if (cell == slide.to)
            break;
    }
    UpdateOutline();
}

void TTiloraForm::DrawMagnifier(QPoint point)
{
    auto *magnifier = m_windows.magnifier;
    if (!magnifier)
        return;
    const int radius = 100 / m_settings.zoomFactor;
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
    SetAnimationSpeed(item->data().toInt());
}

void TTiloraForm::SetAnimationSpeed(int speed)
{
    if (speed == m_settings.animationSpeed)
        return;
    m_settings.animationSpeed = speed;
    updateMarks();
}
