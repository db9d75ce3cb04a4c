#pragma once

#include <QWidget>

#include <functional>

class TiloraApplication;

// A later start asked for the main window: a shown window comes to the front, a hidden or
// minimised one is restored as from the tray.
void BringToFront(QWidget &mainWindow, const std::function<void()> &restoreFromTray);

// Hands over to a running instance, or creates the windows and runs the event loop.
int RunTilora(TiloraApplication &application);
