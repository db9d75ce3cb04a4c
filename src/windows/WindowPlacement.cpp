#include "windows/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#if defined(TILORA_HAVE_X11) && QT_CONFIG(xcb)
#include <QGuiApplication>
#include <X11/Xlib.h>
#endif

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

QPoint RealWindowPosition(QWidget &window)
{
    QWidget *topLevel = window.window();
    const QPoint known = topLevel->mapToGlobal(QPoint(0, 0));
#if defined(TILORA_HAVE_X11) && QT_CONFIG(xcb)
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display() || !topLevel->isVisible() || !topLevel->internalWinId())
        return known;
    Display *display = x11->display();
    int x = 0;
    int y = 0;
    ::Window child = 0;
    if (!XTranslateCoordinates(display, ::Window(topLevel->internalWinId()),
                               DefaultRootWindow(display), 0, 0, &x, &y, &child))
        return known;
    const qreal ratio = topLevel->devicePixelRatioF();
    const QPoint real(qRound(x / ratio), qRound(y / ratio));
    if (real != known)
        topLevel->move(topLevel->pos() + real - known); // where it already is: the toolkit learns
    return real;
#else
    return known;
#endif
}

QPoint CenteredOver(const QWidget &window, QWidget &over)
{
    // Where the window system has the window now, not where the toolkit last heard it was.
    return CenteredOver(window, QRect(RealWindowPosition(over), over.size()));
}
