// Play: the shuffle's loop, the board's mouse handlers, the slide's frames, the clock, the end
// of a game, the magnifier and the pointers. Whether a press moves, waits for the slide or
// starts a game, and what may happen while a shuffle runs, is the game's to say.

#include "main/HauptFenster.h"

#include "desktop/Resources.h"
#include "desktop/WindowPlacement.h"
#include "main/TiloraStein.h"
#include "windows/SecondaryWindows.h"
#include "windows/Unit2.h"
#include "windows/highscorefenster.h"
#include "windows/meldungsfenster.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>

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
    if (!m_game.beginShuffle())
        return;
    TForm3 &start = m_windows.start();
    // The window system is asked once where the window is: the start window follows the
    // toolkit's idea of it from here on.
    if (hooks.movePointer)
        hooks.movePointer(ScreenPoint(*this, QPoint(width() / 2, height() / 2)));
    const bool showShuffle = m_game.settings().showShuffle;
    start.hide();
    m_startWindowFollows.reset(); // placed anew
    start.show();
    // One window event pass per line, so that the window stays live; the board shows each
    // line only where the settings ask for it, the clock a long shuffle's count.
    for (;;) {
        CenterStartWindow();
        QCoreApplication::processEvents();
        const std::optional<ShuffleLine> line = m_game.shuffleStep();
        if (!line)
            break;
        if (showShuffle || line->countShown)
            render();
        if (line->last)
            break;
    }
    start.hide();
    m_game.endShuffle();
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

void TTiloraForm::BoardMouseDown(QObject *sender, Qt::MouseButton button, QPoint position)
{
    if (button == Qt::LeftButton) {
        setPointer(QStringLiteral("FINGER2"));
        if (m_windows.magnifier.isVisible())
            BoardMouseUp();
        const TTiloraStein *tile = tileOf(sender);
        const std::optional<QPoint> home
            = tile ? std::optional(QPoint(tile->HomeCol, tile->HomeRow)) : std::nullopt;
        if (m_game.pressTile(home) == PressAnswer::ShuffleWanted)
            Spielstarten1Click();
        return;
    }

    if (button == Qt::RightButton && m_look.magnifierMayShow) {
        TForm2 &magnifier = m_windows.magnifier();
        const QRect frame(RealWindowPosition(*this), size());
        int left = frame.x() - magnifier.width();
        const int top = frame.y() + (frame.height() - magnifier.height()) / 2;
        if (left < AvailableScreenArea(*this).left())
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
    if (m_look.magnifierMayShow && m_windows.magnifier.isVisible()) {
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

void TTiloraForm::BoardMouseUp()
{
    setPointer(QStringLiteral("FINGER1"));
    m_windows.magnifier.hide();
}

void TTiloraForm::AnimTimerTimer()
{
    // A frame on the way moves the slide's tiles; the last one ends the slide and runs what
    // waited for it, and render() shows the game and stops the timer.
    if (!m_game.animationFrame())
        render();
}

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
    if (m_game.entersTable(*result))
        m_windows.highscore().AddResult(result->time, result->configuration);
    m_game.endShown();
    if (m_look.shuffleButtonShown)
        PlaceShuffleButton();
}

void TTiloraForm::DrawMagnifier(QPoint point)
{
    const int radius = 100 / m_game.settings().zoomFactor;
    const int cx = std::clamp(point.x(), radius, Brett->width() - radius) + Brett->x();
    const int cy = std::clamp(point.y(), radius, Brett->height() - radius) + Brett->y();
    const QRect source(cx - radius, cy - radius, 2 * radius, 2 * radius);

    QImage picture = hooks.grabScreen ? hooks.grabScreen(source) : QImage();
    if (picture.isNull()) {
        // Without a readable screen the window's own drawing serves.
        picture = grab(source).toImage();
    }
    m_windows.magnifier().setPicture(picture);
}
