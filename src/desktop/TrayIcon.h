#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

class QWidget;

// The program's icon in the notification area while the main window is hidden there.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    // The window whose icon stands in when the program icon cannot be loaded.
    explicit TrayIcon(QWidget *window, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop has a notification area at all. Where it has none, the main window
    // minimises instead of hiding, so that it can always come back.
    static bool available();
    // "MAINICON", or the window's own icon while that cannot be loaded.
    static QIcon programIcon(const QWidget *window);

    void show();
    // Hides the icon and lets it go; safe from within its own signals.
    void remove();
    bool isShown() const { return m_icon != nullptr; }

signals:
    // The player double-clicked the icon.
    void restoreRequested();

private:
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

    QWidget *m_window;
    QSystemTrayIcon *m_icon = nullptr;
};
