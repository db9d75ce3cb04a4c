#pragma once

// The game's commands, in one table: the two popup menus, their keys and the settings
// dialog's radio groups are all made from it, and the board's look (logic/BoardLook.h) gives
// each entry its mark, caption and visibility.

#include <QString>

#include <span>

enum class Command {
    Shuffle,
    LoadPicture,
    Motif, // value: 1 "Motiv A", 2 "Motiv B"
    Solution,
    Cheat,
    Highscore,
    Pause,
    PictureMode,
    GridSize, // value: tiles a side
    AnimationSpeed, // value: 0 none, 1 slow, 2 fast
    ShuffleDuration, // value: 0 the player decides, 1 .. 4 fixed lengths
    TileFrames,
    Transparent,
    EditSettings,
};

// Where an entry is shown.
enum class CommandMenu {
    Game, // the game menu
    Options, // the options menu
    GridSizes, // its submenus
    Animation,
    ShuffleDurations,
};

struct CommandEntry
{
    Command command;
    const char *objectName;
    const char *caption; // UTF-8, with the spaces the menus are laid out with
    int key; // a Qt::Key; 0 for none
    int value;
    CommandMenu menu;
    bool checkable;
    const char *hint;

    QString text() const { return QString::fromUtf8(caption); }
    // The caption without the menus' padding, as the settings dialog shows it.
    QString plainText() const { return text().trimmed(); }
};

// Every entry, in the order of the menus.
std::span<const CommandEntry> Commands();
// The entries of one menu or submenu, in their order there.
std::span<const CommandEntry> CommandsOf(CommandMenu menu);
// Where an entry stands in Commands(): the index of its look.
int CommandIndex(const CommandEntry &entry);
// The entry of a key (a function key or a letter in capitals); none when the key is no
// command's.
const CommandEntry *CommandOfKey(int key);
