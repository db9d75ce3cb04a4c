#include "logic/PlatformChoice.h"

#include <QtGlobal>

std::optional<QByteArray> PlatformToForce(const PlatformEnvironment &environment,
                                          const QByteArrayList &arguments)
{
    if (!environment.qpaPlatform.isEmpty())
        return std::nullopt;
    for (const QByteArray &argument : arguments) {
        if (argument == "-platform" || argument == "--platform")
            return std::nullopt;
    }
    // Qt itself goes by the session type; a compositor started inside another session is
    // known by its socket alone.
    const bool wayland
        = environment.sessionType == "wayland" || !environment.waylandDisplay.isEmpty();
    if (wayland && !environment.display.isEmpty())
        return QByteArrayLiteral("xcb");
    return std::nullopt;
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
