// Hiding in the notification area, and coming back.

#include "main/HauptFenster.h"

#include "app/TrayIcon.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>
#include <QEvent>

void TTiloraForm::HideToTray()
{
    if (m_windows.start && m_windows.start->isVisible())
        return;
    if (m_shuffling)
        return; // the shuffle is still under way: the game begins when it ends
    m_clockWasRunning = SekundenZaehler->isActive();
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
    if (m_clockWasRunning && m_puzzle.phase == GamePhase::Running)
        SekundenZaehler->start();
    m_clockWasRunning = false;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TTiloraForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Brought back from the task bar, by the window manager or any other way: the game goes
    // on as after the tray.
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && m_clockWasRunning)
        RestoreFromTray();
}
