#include "windows/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QRect AvailableScreenArea(const QWidget &window)
{
    QScreen *screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QPoint KeptOnScreen(QRect window, const QRect &area)
{
    if (area.isEmpty())
        return window.topLeft();
    if (window.right() > area.right())
        window.moveRight(area.right());
    if (window.bottom() > area.bottom())
        window.moveBottom(area.bottom());
    if (window.left() < area.left())
        window.moveLeft(area.left());
    if (window.top() < area.top())
        window.moveTop(area.top());
    return window.topLeft();
}

QPoint CenteredOver(const QWidget &window, const QRect &over)
{
    const QPoint place(over.left() + over.width() / 2 - window.width() / 2,
                       over.top() + over.height() / 2 - window.height() / 2);
    return KeptOnScreen(QRect(place, window.size()), AvailableScreenArea(window));
}

QPoint CenteredOver(const QWidget &window, const QWidget &over)
{
    // Where the window system has the window now, not where it was asked to be.
    return CenteredOver(window, QRect(over.mapToGlobal(QPoint(0, 0)), over.size()));
}
