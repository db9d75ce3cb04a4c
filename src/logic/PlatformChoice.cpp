#include "logic/PlatformChoice.h"

#include <QtGlobal>

bool IsWaylandSession(const PlatformEnvironment &environment)
{
    return environment.sessionType == "wayland" || !environment.waylandDisplay.isEmpty();
}

std::optional<QByteArray> PlatformToForce(const PlatformEnvironment &environment,
                                          const QByteArrayList &arguments)
{
    if (!environment.qpaPlatform.isEmpty())
        return std::nullopt;
    for (const QByteArray &argument : arguments) {
        if (argument == "-platform" || argument == "--platform")
            return std::nullopt;
    }
    if (IsWaylandSession(environment) && !environment.display.isEmpty())
        return QByteArrayLiteral("xcb");
    return std::nullopt;
}

bool PlatformCutsWindows(const QByteArray &platformName, const PlatformEnvironment &environment)
{
    if (platformName.startsWith("wayland"))
        return false;
    return platformName != "xcb" || !IsWaylandSession(environment);
}

PlatformEnvironment CurrentPlatformEnvironment()
{
    PlatformEnvironment environment;
    environment.sessionType = qgetenv("XDG_SESSION_TYPE");
    environment.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    environment.display = qgetenv("DISPLAY");
    environment.qpaPlatform = qgetenv("QT_QPA_PLATFORM");
    return environment;
}
