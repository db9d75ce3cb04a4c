#include "desktop/FocusReturn.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

FocusReturn::FocusReturn(QWidget *mainWindow)
    : QObject(mainWindow)
    , m_main(mainWindow)
{
    if (qApp)
        qApp->installEventFilter(this);
}

FocusReturn::~FocusReturn()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool FocusReturn::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Hide || !watched->isWidgetType())
        return false;
    const auto *window = static_cast<QWidget *>(watched);
    if (!window->isWindow() || window == m_main)
        return false;
    // Only a window that had the keys hands them on; one the player had left keeps them away.
    // The toolkit may have let go of the active widget already, not yet of the window.
    const bool hadKeys = window == QApplication::activeWindow()
        || (window->windowHandle() && window->windowHandle() == QGuiApplication::focusWindow());
    if (hadKeys)
        QTimer::singleShot(0, this, &FocusReturn::returnFocus);
    return false;
}

void FocusReturn::returnFocus()
{
    if (!m_main || !m_main->isVisible() || m_main->isMinimized())
        return;
    // A window manager may have handed the focus on already.
    const QWidget *active = QApplication::activeWindow();
    if (active && active->isVisible())
        return;
    m_main->activateWindow();
}
