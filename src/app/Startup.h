#pragma once

#include <QWidget>

#include <functional>

class SingleInstance;
class TiloraApplication;
class TTiloraForm;

// A later start asked for the main window: a shown window comes to the front, a hidden or
// minimised one is restored as from the tray. The later start's activation token, if any,
// goes to the window system with the request.
void BringToFront(QWidget &mainWindow, const std::function<void()> &restoreFromTray,
    const QByteArray &activationToken = {});

// A later start brings the main window forward. A closing window stops answering at once and
// gives the lock up once its settings are written.
void LinkInstanceToWindow(SingleInstance &instance, TTiloraForm &main);

// Hands over to a running instance, or creates the windows and runs the event loop.
int RunTilora(TiloraApplication &application);
