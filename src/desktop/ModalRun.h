#pragma once

#include <QEventLoop>
#include <QPointer>
#include <QWidget>

// Shows a window and waits until it has closed (or hidden itself), handling window events
// meanwhile, so the other windows' timers go on. While it waits, loop points to the running
// loop: the window quits it when it closes.
inline void RunModally(QWidget &window, QEventLoop *&loop, bool activate = true)
{
    QEventLoop running;
    loop = &running;
    const QPointer<QWidget> alive(&window);
    window.show();
    if (activate) {
        window.raise();
        window.activateWindow();
    }
    if (window.isVisible())
        running.exec();
    // The window may be gone with the loop's last events.
    if (alive)
        loop = nullptr;
}
