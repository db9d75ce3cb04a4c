#pragma once

// The program's windows for widget tests, their files in a folder of the test's own.

#include "app/ProgramWindows.h"
#include "logic/FileLocations.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "region/FormRgn.h"

#include <QAction>

#include <memory>
#include <set>

inline std::unique_ptr<ProgramWindows> CreateTestWindows(const QString &folder)
{
    return CreateProgramWindows(fileLocationsIn(folder));
}

// The picture the next build shows; a file that is not there gives the motif.
inline void SetPictureName(TTiloraForm &window, const QString &name)
{
    Settings settings = window.game().settings();
    settings.pictureName = name;
    window.game().setSettings(settings);
}

// A control, item or timer of a window, found by its object name.
template <class Control = QWidget>
Control *Child(const QObject &window, const char *name)
{
    return window.findChild<Control *>(QLatin1String(name));
}

// Runs a menu item's command, as choosing it does.
inline void Choose(TTiloraForm &window, const char *item)
{
    QMetaObject::invokeMethod(
        &window, "activateItem", Q_ARG(QAction *, Child<QAction>(window, item)));
}

// The tile that stands in a cell now (the newest of its home: a board's old tiles go later).
inline TTiloraStein *TileAt(const TTiloraForm &window, QPoint cell)
{
    const QPoint home = window.game().puzzle().homeAt(cell);
    const QList<TTiloraStein *> tiles = window.findChildren<TTiloraStein *>();
    for (auto tile = tiles.crbegin(); tile != tiles.crend(); ++tile) {
        if ((*tile)->HomeCol == home.x() && (*tile)->HomeRow == home.y())
            return *tile;
    }
    return nullptr;
}

// The window's shape as it was last set.
inline QString Outline(const TTiloraForm &window)
{
    return Child<TFormRegion>(window, "FormRegion1")->Region();
}

inline void ChooseGridSize(TTiloraForm &window, int size)
{
    Choose(window, (QStringLiteral("N%1").arg(size) + u'1').toLatin1().constData());
}

// The new boards the game begins to build from now on, by their numbers.
inline std::shared_ptr<std::set<quint64>> NewBoardsOf(Game &game)
{
    auto boards = std::make_shared<std::set<quint64>>();
    QObject::connect(&game, &Game::changed, &game, [&game, boards] {
        if (game.building() && game.building()->kind == BoardBuild::NewBoard)
            boards->insert(game.building()->number);
    });
    return boards;
}
