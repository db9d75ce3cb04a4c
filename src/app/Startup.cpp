#include "app/Startup.h"

#include "app/CloseSignals.h"
#include "app/ProgramWindows.h"
#include "app/SingleInstance.h"
#include "app/TiloraApplication.h"
#include "main/HauptFenster.h"
#include "region/FormRgn.h"

void BringToFront(QWidget &mainWindow, const std::function<void()> &restoreFromTray)
{
    if (mainWindow.isVisible() && !mainWindow.isMinimized()) {
        mainWindow.raise();
        mainWindow.activateWindow();
    } else if (restoreFromTray) {
        restoreFromTray();
    }
}

int RunTilora(TiloraApplication &application)
{
    // Lives as long as the program: it holds the lock and answers later starts.
    SingleInstance instance;
    if (!instance.claim())
        return 0;

    SetRegionNoticeHandler(ShowRegionNoticeBox);
    const std::unique_ptr<ProgramWindows> windows = CreateProgramWindows();
    TTiloraForm &main = *windows->main;
    QObject::connect(&instance, &SingleInstance::activationRequested, &main, [&main] {
        BringToFront(main, [&main] { main.RestoreFromTray(); });
    });
    // A start while the farewell window counts down gets a window of its own rather than
    // an answer from a program on its way out.
    QObject::connect(&main, &TTiloraForm::closing, &instance, &SingleInstance::release);
    // A signal closes the window as its close button does, hidden in the tray or not, and
    // ends every event loop, a dialog's included.
    const CloseSignals closeSignals;
    QObject::connect(&closeSignals, &CloseSignals::closeRequested, &main, [&main] {
        main.close();
        QCoreApplication::quit();
    });
    main.show();
    return application.exec();
}
