#include "logic/Commands.h"

#include <QtCore/qnamespace.h>

#include <algorithm>
#include <array>

namespace {

using enum Command;
using enum CommandMenu;

// The captions keep the spaces that set the menus' widths and keys apart.
constexpr std::array Table {
    CommandEntry {Shuffle, "Spielmischen1", "Spiel mischen    ", Qt::Key_F2, 0, Game, false,
        "Startet das Spiel"},
    CommandEntry {LoadPicture, "Bildladen1", "Bild laden", Qt::Key_F3, 0, Game, false,
        "Lädt ein Bild "},
    CommandEntry {Motif, "Bild1", "Motiv A", Qt::Key_A, 1, Game, true, ""},
    CommandEntry {Motif, "Bild2", "Motiv B", Qt::Key_B, 2, Game, true, ""},
    CommandEntry {Solution, "Vorschau1", "Lösung anzeigen     ", Qt::Key_F4, 0, Game, true,
        "Zeigt das Originalbild an"},
    CommandEntry {Cheat, "Schummeln1", "Schummeln", Qt::Key_F5, 0, Game, true, ""},
    CommandEntry {Highscore, "Highscore1", "Highscore", Qt::Key_H, 0, Game, false, ""},
    CommandEntry {Pause, "Pause1", "Pause", Qt::Key_P, 0, Game, true, ""},
    CommandEntry {PictureMode, "Text1", "Text", Qt::Key_F6, 0, Options, false, ""},
    CommandEntry {TileFrames, "Steineumrahmen1", "Steine umrahmen     ", Qt::Key_F7, 0, Options,
        true, ""},
    CommandEntry {Transparent, "Transparenz1", "Transparenz", Qt::Key_F8, 0, Options, true,
        "Freie Stellen werden Transparent dargestellt"},
    CommandEntry {EditSettings, "Einstellungen1", "Einstellungen...", Qt::Key_F9, 0, Options,
        false, ""},
    CommandEntry {GridSize, "N41", "4×4  ", 0, 4, GridSizes, true, "Neue Spielfeldgröße"},
    CommandEntry {GridSize, "N51", "5×5  ", 0, 5, GridSizes, true, "Neue Spielfeldgröße"},
    CommandEntry {GridSize, "N61", "6×6", 0, 6, GridSizes, true, "Neue Spielfeldgröße"},
    CommandEntry {GridSize, "N71", "7×7", 0, 7, GridSizes, true, "Neue Spielfeldgröße"},
    CommandEntry {GridSize, "N81", "8×8", 0, 8, GridSizes, true, "Neue Spielfeldgröße"},
    CommandEntry {GridSize, "N91", "9×9", 0, 9, GridSizes, true, "Neue Spielfeldgröße"},
    CommandEntry {GridSize, "N101", "10×10", 0, 10, GridSizes, true, "Neue Spielfeldgröße"},
    CommandEntry {GridSize, "N111", "11×11", 0, 11, GridSizes, true, "Neue Spielfeldgröße"},
    CommandEntry {GridSize, "N121", "12×12  ", 0, 12, GridSizes, true, "Neue Spielfeldgröße"},
    CommandEntry {AnimationSpeed, "keine1", "keine  ", 0, 0, Animation, true, ""},
    CommandEntry {AnimationSpeed, "langsam1", "langsam   ", 0, 1, Animation, true, ""},
    CommandEntry {AnimationSpeed, "schnell1", "schnell  ", 0, 2, Animation, true, ""},
    CommandEntry {ShuffleDuration, "wenig1", "kurz", 0, 1, ShuffleDurations, true, ""},
    CommandEntry {ShuffleDuration, "mittel1", "mittel", 0, 2, ShuffleDurations, true, ""},
    CommandEntry {ShuffleDuration, "lang1", "lang", 0, 3, ShuffleDurations, true, ""},
    CommandEntry {ShuffleDuration, "extremlang1", "extrem lang", 0, 4, ShuffleDurations, true,
        ""},
    CommandEntry {ShuffleDuration, "selbst1", "selbst bestimmen   ", 0, 0, ShuffleDurations,
        true, ""},
};

} // namespace

std::span<const CommandEntry> Commands()
{
    return Table;
}

std::span<const CommandEntry> CommandsOf(CommandMenu menu)
{
    // Each menu's entries stand together in the table.
    const auto first = std::find_if(
        Table.begin(), Table.end(), [menu](const CommandEntry &entry) { return entry.menu == menu; });
    const auto last = std::find_if(
        first, Table.end(), [menu](const CommandEntry &entry) { return entry.menu != menu; });
    return {first, last};
}

int CommandIndex(const CommandEntry &entry)
{
    return int(&entry - Table.data());
}

const CommandEntry *CommandOfKey(int key)
{
    const auto found = std::find_if(
        Table.begin(), Table.end(), [key](const CommandEntry &entry) { return entry.key == key; });
    return found == Table.end() ? nullptr : &*found;
}
