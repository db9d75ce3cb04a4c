// Hiding in the notification area, and coming back. Whether the player can see the window
// is the window system's to say (see noteSight): the clock stops only when the window is
// really out of sight, whichever way it went.

#include "main/HauptFenster.h"

#include "desktop/TrayIcon.h"

#include <QEvent>

void TTiloraForm::HideToTray()
{
    // A shuffle under way finishes in sight: its game begins when it ends.
    if (m_game.isShuffling())
        return;
    if (!TrayIcon::available()) {
        // No notification area on this desktop: the task bar keeps the way back, where
        // there is a window manager to minimise the window.
        showMinimized();
        return;
    }
    hide();
    if (!m_trayIcon) {
        m_trayIcon = new TrayIcon(this, this);
        connect(m_trayIcon, &TrayIcon::restoreRequested, this, &TTiloraForm::RestoreFromTray);
    }
    m_trayIcon->show();
}

void TTiloraForm::RestoreFromTray()
{
    if (m_trayIcon)
        m_trayIcon->remove();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TTiloraForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        noteSight();
}
