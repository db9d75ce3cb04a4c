#include "app/Startup.h"
#include "app/TiloraApplication.h"
#include "logic/CommandLine.h"
#include "logic/PlatformChoice.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    // The platform plugin is loaded as the application object is made, so the choice is made
    // before; programs started from here later (the help viewer) get the player's environment.
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    // Answered without a display, before the toolkit looks for one.
    if (const std::optional<QString> answer = CommandLineAnswer(arguments)) {
        std::fputs(answer->toLocal8Bit().constData(), stdout);
        return 0;
    }
    const auto platform = PlatformToForce(CurrentPlatformEnvironment(), arguments);
    if (platform)
        qputenv("QT_QPA_PLATFORM", *platform);
    TiloraApplication application(argc, argv);
    if (platform)
        qunsetenv("QT_QPA_PLATFORM");
    return RunTilora(application);
}
