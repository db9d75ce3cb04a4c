#include "desktop/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

#if defined(TILORA_HAVE_X11) && QT_CONFIG(xcb)
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
// An Xlib event name that would hide the toolkit's own.
#undef Expose
#endif

namespace {

// The window's X connection and window, or none (another platform, no window yet).
#if defined(TILORA_HAVE_X11) && QT_CONFIG(xcb)
std::pair<Display *, ::Window> x11Window(const QWidget &window)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display() || !window.internalWinId())
        return {nullptr, 0};
    return {x11->display(), ::Window(window.internalWinId())};
}
#endif

} // namespace

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

QPoint Beside(QSize window, const QRect &over, const QRect &area, int gap)
{
    const QPoint middle(over.left() + (over.width() - window.width()) / 2,
                        over.top() + (over.height() - window.height()) / 2);
    const int right = over.right() + 1 + gap;
    const int left = over.left() - gap - window.width();
    const int below = over.bottom() + 1 + gap;
    const int above = over.top() - gap - window.height();
    // A side has room when the window fits between it and the area's edge; along the side it
    // slides onto the area, which keeps it clear of `over`.
    const bool tallEnough = window.height() <= area.height();
    const bool wideEnough = window.width() <= area.width();
    QPoint place = middle;
    if (tallEnough && right + window.width() - 1 <= area.right())
        place = QPoint(right, middle.y());
    else if (tallEnough && left >= area.left())
        place = QPoint(left, middle.y());
    else if (wideEnough && below + window.height() - 1 <= area.bottom())
        place = QPoint(middle.x(), below);
    else if (wideEnough && above >= area.top())
        place = QPoint(middle.x(), above);
    return KeptOnScreen(QRect(place, window), area);
}

QPoint Beside(const QWidget &window, QWidget &owner)
{
    return Beside(window.size(), QRect(ScreenPoint(owner, QPoint()), owner.size()),
        AvailableScreenArea(owner), 8);
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
    const auto [display, id] = x11Window(*topLevel);
    if (!display || !topLevel->isVisible())
        return known;
    int x = 0;
    int y = 0;
    ::Window child = 0;
    if (!XTranslateCoordinates(display, id, DefaultRootWindow(display), 0, 0, &x, &y, &child))
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

QPoint ScreenPoint(QWidget &widget, QPoint point)
{
    QWidget *topLevel = widget.window();
    return RealWindowPosition(*topLevel) + widget.mapTo(topLevel, point);
}

QPoint CenteredOver(const QWidget &window, QWidget &over)
{
    // Where the window system has the window now, not where the toolkit last heard it was.
    return CenteredOver(window, QRect(RealWindowPosition(over), over.size()));
}

bool StartSystemMove(QWidget &window, QPoint pressed)
{
#if defined(TILORA_HAVE_X11) && QT_CONFIG(xcb)
    // The toolkit's own request names the point where the pointer is now, not where the drag
    // began: the window would lag the pointer by the way it went before.
    const auto [display, id] = x11Window(window);
    if (display) {
        const ::Window root = DefaultRootWindow(display);
        const Atom moveResize = XInternAtom(display, "_NET_WM_MOVERESIZE", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long left = 0;
        unsigned char *data = nullptr;
        bool supported = false;
        if (XGetWindowProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), 0,
                4096, False, XA_ATOM, &type, &format, &count, &left, &data)
                == Success
            && data) {
            const auto *atoms = reinterpret_cast<const Atom *>(data);
            supported = std::find(atoms, atoms + count, moveResize) != atoms + count;
        }
        if (data)
            XFree(data);
        if (!supported)
            return false;
        const qreal ratio = window.devicePixelRatioF();
        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.window = id;
        event.xclient.message_type = moveResize;
        event.xclient.format = 32;
        event.xclient.data.l[0] = qRound(pressed.x() * ratio);
        event.xclient.data.l[1] = qRound(pressed.y() * ratio);
        event.xclient.data.l[2] = 8; // move
        event.xclient.data.l[3] = Button1;
        event.xclient.data.l[4] = 1; // asked for by a program
        // The window manager can only take the pointer once the press's own grab is gone.
        XUngrabPointer(display, CurrentTime);
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(display);
        return true;
    }
#endif
    QWindow *handle = window.windowHandle();
    return handle && handle->startSystemMove();
}

namespace {

// The window's QWindow carries the fixed size as its limits, which the toolkit hands to the
// window system. On X11 it writes them into the size hints whenever it sizes the window, just
// before it asks for the new size: limits of the old size would make a stacking window manager
// refuse the new one. So there the QWindow carries them only while the window is being mapped
// (tiling managers decide then); once it shows, the hints are written here, after each resize.
// Elsewhere (Wayland) the toolkit itself follows a window's limits to a new size.
class FixedSizeKeeper : public QObject
{
public:
    explicit FixedSizeKeeper(QWidget &window)
        : QObject(&window)
        , m_window(&window)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window) {
            if (event->type() == QEvent::Show)
                limitWhileMapping();
            else if (event->type() == QEvent::Resize)
                announce();
        } else if (watched == m_handle && event->type() == QEvent::Expose && m_handle->isExposed()
            && m_limited && writesHintsItself()) {
            m_limited = false;
            m_handle->setMinimumSize(m_window->minimumSize());
            m_handle->setMaximumSize(m_window->maximumSize());
            announce();
        }
        return false;
    }

private:
    bool writesHintsItself() const
    {
#if defined(TILORA_HAVE_X11) && QT_CONFIG(xcb)
        return x11Window(*m_window).first != nullptr;
#else
        return false;
#endif
    }

    void limitWhileMapping()
    {
        QWindow *handle = m_window->windowHandle();
        if (!handle)
            return;
        if (handle != m_handle) {
            m_handle = handle;
            handle->installEventFilter(this);
        }
        m_limited = true;
        handle->setMinimumSize(m_window->size());
        handle->setMaximumSize(m_window->size());
    }

    void announce()
    {
        if (m_limited || !m_window->isVisible()) {
            limitWhileMapping();
            return;
        }
#if defined(TILORA_HAVE_X11) && QT_CONFIG(xcb)
        const auto [display, id] = x11Window(*m_window);
        if (!display)
            return;
        XSizeHints *hints = XAllocSizeHints();
        if (!hints)
            return;
        long supplied = 0;
        if (!XGetWMNormalHints(display, id, hints, &supplied))
            hints->flags = 0;
        const qreal ratio = m_window->devicePixelRatioF();
        hints->flags |= PMinSize | PMaxSize;
        hints->min_width = hints->max_width = qRound(m_window->width() * ratio);
        hints->min_height = hints->max_height = qRound(m_window->height() * ratio);
        XSetWMNormalHints(display, id, hints);
        XFree(hints);
        XFlush(display);
#endif
    }

    QPointer<QWidget> m_window;
    QPointer<QWindow> m_handle;
    bool m_limited = false; // the QWindow carries the fixed size
};

} // namespace

void KeepFixedSize(QWidget &window)
{
    new FixedSizeKeeper(window);
}
