#include "app/Startup.h"

#include "app/TiloraApplication.h"

#include <QWidget>

int RunTilora(TiloraApplication &application)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tilora"));
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.resize(286, 286);
    window.move(42, 142);
    window.show();
    return application.exec();
}
