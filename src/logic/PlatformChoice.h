#pragma once

// Which of Qt's platform plugins the program starts on.
//
// On Wayland a window cannot shape itself, place itself or move the pointer; the game does all
// three. Where the session also runs an X server for older programs (XWayland), the game starts
// as an X client, unless the player named a platform.

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

// The variables the choice depends on, as the environment holds them (unset is empty).
struct PlatformEnvironment
{
    QByteArray sessionType; // XDG_SESSION_TYPE
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray display; // DISPLAY
    QByteArray qpaPlatform; // QT_QPA_PLATFORM
};

// Whether the desktop is a Wayland compositor. Qt itself goes by the session type; a compositor
// started inside another session is known by its socket alone.
bool IsWaylandSession(const PlatformEnvironment &environment);

// The platform to start on ("xcb"), or none to leave the choice to Qt. arguments are the
// program's command line without its name; "-platform" (or "--platform") there is the
// player's choice, as QT_QPA_PLATFORM is.
std::optional<QByteArray> PlatformToForce(const PlatformEnvironment &environment,
                                          const QByteArrayList &arguments);

// Whether the window system cuts the windows of the platform the program runs on to their masks.
// Wayland compositors cut none. An X server inside one (XWayland) leaves that to the compositor,
// and not every compositor does it, so there too the shaped windows are drawn translucent.
bool PlatformCutsWindows(const QByteArray &platformName, const PlatformEnvironment &environment);

// The environment of this process.
PlatformEnvironment CurrentPlatformEnvironment();
