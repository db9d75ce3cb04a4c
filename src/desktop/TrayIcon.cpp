#include "desktop/TrayIcon.h"

#include "desktop/Resources.h"

#include <QApplication>
#include <QWidget>

TrayIcon::TrayIcon(QWidget *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{ }

TrayIcon::~TrayIcon()
{
    if (m_icon)
        m_icon->hide();
}

bool TrayIcon::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon TrayIcon::programIcon(const QWidget *window)
{
    const QIcon icon = MainIcon();
    // The icon names its files without reading them; a missing one only shows when drawn.
    if (!icon.pixmap(QSize(32, 32)).isNull())
        return icon;
    return window ? window->windowIcon() : QApplication::windowIcon();
}

void TrayIcon::show()
{
    if (m_icon)
        return;
    m_icon = new QSystemTrayIcon(programIcon(m_window), this);
    m_icon->setToolTip(QStringLiteral("Tilora"));
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::handleActivation);
    m_icon->show();
}

void TrayIcon::remove()
{
    if (!m_icon)
        return;
    m_icon->hide();
    // Removing usually happens inside the icon's own activated signal.
    m_icon->disconnect(this);
    m_icon->deleteLater();
    m_icon = nullptr;
}

void TrayIcon::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    // Only a double-click brings the window back; other clicks on the icon do nothing.
    if (reason == QSystemTrayIcon::DoubleClick)
        emit restoreRequested();
}
