// Hiding in the notification area, and coming back.

#include "main/HauptFenster.h"

#include "app/TrayIcon.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindowStateChangeEvent>

void TTiloraForm::HideToTray()
{
    if (m_windows.start && m_windows.start->isVisible())
        return;
    if (m_shuffling)
        return; // the shuffle is still under way: the game begins when it ends
    m_clockWasRunning = SekundenZaehler->isActive();
    m_leftAfterHiding = false;
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
    m_leftAfterHiding = false;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TTiloraForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (!m_clockWasRunning)
        return;
    // Brought back from the task bar, by the window manager or any other way: the game goes
    // on as after the tray. Some window systems never report the minimised state; there the
    // window's coming back to the front after it left says the same.
    if (event->type() == QEvent::WindowStateChange) {
        const auto *change = static_cast<QWindowStateChangeEvent *>(event);
        if ((change->oldState() & Qt::WindowMinimized) && !isMinimized())
            RestoreFromTray();
    } else if (event->type() == QEvent::ActivationChange) {
        if (!isActiveWindow())
            m_leftAfterHiding = true;
        else if (m_leftAfterHiding && !isMinimized())
            RestoreFromTray();
    }
}
