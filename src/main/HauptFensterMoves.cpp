// Moving tiles: the board's mouse handlers, the slide's frames, the magnifier and the
// pointers. Whether a press moves, waits for the slide or starts a game is the game's to say.

#include "main/HauptFenster.h"

#include "desktop/Resources.h"
#include "main/TiloraStein.h"
#include "windows/SecondaryWindows.h"
#include "windows/Unit2.h"
#include "desktop/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

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

void TTiloraForm::BoardMouseDown(QObject *sender, Qt::MouseButton button, QPoint position)
{
    if (button == Qt::LeftButton) {
        setPointer(QStringLiteral("FINGER2"));
        if (m_windows.magnifier.isVisible())
            BoardMouseUp(sender, button, position);
        const TTiloraStein *tile = tileOf(sender);
        const std::optional<QPoint> home
            = tile ? std::optional(QPoint(tile->HomeCol, tile->HomeRow)) : std::nullopt;
        if (m_game.pressTile(home) == PressAnswer::ShuffleWanted)
            StartShuffle();
        return;
    }

    if (button == Qt::RightButton && m_game.clockRuns()) {
        TForm2 &magnifier = m_windows.magnifier();
        const QRect frame(RealWindowPosition(*this), size());
        int left = frame.x() - magnifier.width();
        const int top = frame.y() + (frame.height() - magnifier.height()) / 2;
        if (left < screenArea().left())
            left = frame.x() + frame.width();
        magnifier.move(left, top);
        magnifier.show();
        if (auto *control = qobject_cast<QWidget *>(sender))
            DrawMagnifier(Brett->mapFromGlobal(control->mapToGlobal(position)));
        setPointer(QStringLiteral("LUPE"));
    }
}

void TTiloraForm::BoardMouseMove(QObject *sender, Qt::MouseButtons buttons, QPoint position)
{
    if (m_game.clockRuns() && m_windows.magnifier.isVisible()) {
        if (buttons & Qt::RightButton) {
            if (auto *control = qobject_cast<QWidget *>(sender))
                DrawMagnifier(Brett->mapFromGlobal(control->mapToGlobal(position)));
        } else {
            m_windows.magnifier.hide();
        }
        return;
    }
    setPointer(QStringLiteral("FINGER1"));
}

void TTiloraForm::BoardMouseUp(QObject *, Qt::MouseButton, QPoint)
{
    setPointer(QStringLiteral("FINGER1"));
    m_windows.magnifier.hide();
}

void TTiloraForm::AnimTimerTimer()
{
    // A frame on the way moves the slide's tiles; the last one ends the slide and runs what
    // waited for it, and render() shows the game and stops the timer.
    if (!m_game.animationFrame()) {
        renderTiles();
        UpdateOutline();
    }
}

void TTiloraForm::DrawMagnifier(QPoint point)
{
    const int radius = 100 / m_game.settings().zoomFactor;
    const int cx = std::clamp(point.x(), radius, Brett->width() - radius) + Brett->x();
    const int cy = std::clamp(point.y(), radius, Brett->height() - radius) + Brett->y();
    const QRect source(cx - radius, cy - radius, 2 * radius, 2 * radius);

    QImage picture = grabScreen ? grabScreen(source) : QImage();
    if (picture.isNull()) {
        // Without a readable screen the window's own drawing serves.
        picture = grab(source).toImage();
    }
    m_windows.magnifier().setPicture(picture);
}

void TTiloraForm::schnell1Click(QAction *item)
{
    SetAnimationSpeed(item->data().toInt());
}

void TTiloraForm::SetAnimationSpeed(int speed)
{
    m_game.setAnimationSpeed(speed);
}
