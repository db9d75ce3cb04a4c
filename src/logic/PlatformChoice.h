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

// The platform to start on ("xcb"), or none to leave the choice to Qt. arguments are the
// program's command line without its name; "-platform" (or "--platform") there is the
// player's choice, as QT_QPA_PLATFORM is.
std::optional<QByteArray> PlatformToForce(const PlatformEnvironment &environment,
                                          const QByteArrayList &arguments);

// The environment of this process.
PlatformEnvironment CurrentPlatformEnvironment();
