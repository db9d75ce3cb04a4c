#include "app/Startup.h"

#include "app/CloseSignals.h"
#include "app/ProgramWindows.h"
#include "app/SingleInstance.h"
#include "app/TiloraApplication.h"
#include "main/HauptFenster.h"
#include "region/FormRgn.h"

void BringToFront(QWidget &mainWindow, const std::function<void()> &restoreFromTray,
    const QByteArray &activationToken)
{
    // Qt's Wayland plugin hands this token to the compositor with the next activation.
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    // A Wayland client cannot take its window out of the minimised state, nor learn that the
    // compositor minimised it (the protocol never says so, and the toolkit forgets its own
    // request at the next configure): a window that has not the focus is hidden and shown
    // again, which is a new window to the compositor, and shows.
    if (QGuiApplication::platformName().startsWith(u"wayland")
        && (mainWindow.isMinimized() || !mainWindow.isActiveWindow()))
        mainWindow.hide();
    if (mainWindow.isVisible() && !mainWindow.isMinimized()) {
        mainWindow.raise();
        mainWindow.activateWindow();
    } else if (restoreFromTray) {
        restoreFromTray();
    }
}

void LinkInstanceToWindow(SingleInstance &instance, TTiloraForm &main)
{
    QObject::connect(&instance, &SingleInstance::activationRequested, &main,
        [&main](const QByteArray &token) {
            BringToFront(main, [&main] { main.RestoreFromTray(); }, token);
        });
    // A start while the window closes waits for the lock rather than get an answer from a
    // program on its way out, and then reads the settings this one has just written. A start
    // while the farewell window counts down gets a window of its own.
    QObject::connect(&main, &TTiloraForm::closing, &instance, &SingleInstance::stopAnswering);
    QObject::connect(&main, &TTiloraForm::settingsWritten, &instance, &SingleInstance::release);
}

int RunTilora(TiloraApplication &application)
{
    // Lives as long as the program: it holds the lock and answers later starts.
    SingleInstance instance;
    if (!instance.claim())
        return 0;

    SetRegionNoticeHandler(ShowRegionNoticeBox);
    const std::unique_ptr<ProgramWindows> windows
        = CreateProgramWindows(fileLocationsOfThisProgram());
    TTiloraForm &main = *windows->main;
    LinkInstanceToWindow(instance, main);
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
