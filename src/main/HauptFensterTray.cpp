// Hiding in the notification area, and coming back.

#include "main/HauptFenster.h"

#include "app/TrayIcon.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>

void TTiloraForm::HideToTray()
{
    if (m_windows.start && m_windows.start->isVisible())
        return;
    if (m_shuffling)
        return; // the shuffle is still under way: the game begins when it ends
    ClockWasRunning = SekundenZaehler->isActive();
    SekundenZaehler->stop();
    QCoreApplication::processEvents();
    if (!TrayIcon::available()) {
        // No notification area on this desktop: the task bar keeps the way back.
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
    if (ClockWasRunning && !Pause1->isChecked())
        SekundenZaehler->start();
    ClockWasRunning = false;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}
