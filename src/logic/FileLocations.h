#pragma once

// Where the program keeps "tilora.ini" and "highscore.ini", and where it finds "tilora.html".
//
// The files stay beside the program wherever that folder is the player's own and nobody else
// may write it: a build folder, an install under ~/.local. A program in any other folder (a
// system install, a package, a shared or sticky folder like /tmp) keeps them per user in the
// XDG folders instead, so that closing it never fails there and nobody can plant them.

#include <QString>
#include <QStringList>

struct FileLocations
{
    QString settingsFile; // "tilora.ini"
    QString highscoreFile; // "highscore.ini"

    bool operator==(const FileLocations &) const = default;
};

// Both files in one folder.
FileLocations fileLocationsIn(const QString &folder);

// Everything the choice depends on: gathered by programSurroundings(), or made up by a test.
struct ProgramSurroundings
{
    QString programFolder; // absolute
    bool programFolderWritable = false; // the player's own, writable by the player alone
    bool filesBesideProgram = false; // "tilora.ini" or "highscore.ini" is already there
    QString configFolder; // QStandardPaths::GenericConfigLocation, never relative
    QString dataFolder; // QStandardPaths::GenericDataLocation, never relative
};

// Beside the program when its folder is writable, unless it is a system folder (/usr, /opt)
// that does not hold the files yet: root can write there, but must not. Otherwise settings
// under configFolder/tilora/, high scores under dataFolder/tilora/. Both files always move
// together.
FileLocations chooseFileLocations(const ProgramSurroundings &surroundings);

// Looks at the folder on disk and asks QStandardPaths for the per-user folders.
ProgramSurroundings programSurroundings(const QString &programFolder);

// Chooses, and makes the per-user folders when they are chosen. A file the program left
// beside itself before is copied there when the per-user place has none yet, so the player's
// settings and scores carry over; when the copy fails, the old file is read in its place until
// the first save there (IniFile::carryOver).
FileLocations prepareFileLocations(const ProgramSurroundings &surroundings);

// The help document's places in the order they are tried: beside the program, then the
// share folder of the install it belongs to (<prefix>/lib/tilora/ -> <prefix>/share/tilora/).
QStringList helpFileCandidates(const QString &programFolder);
// The first candidate that exists; the one beside the program when none does.
QString findHelpFile(const QString &programFolder);

// The same for the running program.
FileLocations fileLocationsOfThisProgram();
QString helpFileOfThisProgram();
