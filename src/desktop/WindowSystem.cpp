#include "desktop/WindowSystem.h"

#include <QGuiApplication>

bool CanMovePointer()
{
    return qGuiApp && !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
