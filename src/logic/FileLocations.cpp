#include "logic/FileLocations.h"

#include "logic/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString SettingsName = QStringLiteral("tilora.ini");
const QString HighscoreName = QStringLiteral("highscore.ini");
const QString OwnFolder = QStringLiteral("tilora");

bool isSystemFolder(const QString &folder)
{
    const QString path = QDir::cleanPath(folder);
    for (const QString &root : {QStringLiteral("/usr"), QStringLiteral("/opt")}) {
        if (path == root || path.startsWith(root + u'/'))
            return true;
    }
    return false;
}

// access(2) for read-only mounts and root, and the folder must be the player's alone: in a
// folder that others may write (even a sticky one, like /tmp) they could leave the files
// there first, and the player's saves would then fail for good.
bool isPlayersOwnWritable(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    return ::access(name.constData(), W_OK) == 0 && ::stat(name.constData(), &info) == 0
        && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
        && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A file of the player's (or root's) to carry over: not one that someone else left there.
bool isTrustedFile(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode)
        && (info.st_uid == ::geteuid() || info.st_uid == 0);
}

// The per-user folder of a kind; the XDG base directory rules ignore a relative path in the
// variable, which would make the files depend on the folder the game was started from.
QString userFolder(const char *variable, QStandardPaths::StandardLocation location,
    const QString &underHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isRelativePath(value))
        return QDir::homePath() + underHome;
    return QStandardPaths::writableLocation(location);
}

} // namespace

FileLocations chooseFileLocations(const ProgramSurroundings &surroundings)
{
    const bool beside = surroundings.programFolderWritable
        && (surroundings.filesBesideProgram || !isSystemFolder(surroundings.programFolder));
    if (beside)
        return fileLocationsIn(surroundings.programFolder);
    return {QDir(surroundings.configFolder).filePath(OwnFolder + u'/' + SettingsName),
        QDir(surroundings.dataFolder).filePath(OwnFolder + u'/' + HighscoreName)};
}

ProgramSurroundings programSurroundings(const QString &programFolder)
{
    const QDir folder(programFolder);
    ProgramSurroundings surroundings;
    surroundings.programFolder = folder.absolutePath();
    surroundings.programFolderWritable = isPlayersOwnWritable(surroundings.programFolder);
    surroundings.filesBesideProgram = folder.exists(SettingsName) || folder.exists(HighscoreName);
    surroundings.configFolder = userFolder("XDG_CONFIG_HOME",
        QStandardPaths::GenericConfigLocation, QStringLiteral("/.config"));
    surroundings.dataFolder = userFolder("XDG_DATA_HOME", QStandardPaths::GenericDataLocation,
        QStringLiteral("/.local/share"));
    return surroundings;
}

FileLocations fileLocationsIn(const QString &folder)
{
    const QDir dir(folder);
    return {dir.filePath(SettingsName), dir.filePath(HighscoreName)};
}

FileLocations prepareFileLocations(const ProgramSurroundings &surroundings)
{
    const FileLocations locations = chooseFileLocations(surroundings);
    const QDir folder(surroundings.programFolder);
    for (const QString &file : {locations.settingsFile, locations.highscoreFile}) {
        const QFileInfo place(file);
        if (place.absolutePath() == folder.absolutePath())
            continue;
        // Failures show when the file is saved, with the file's name.
        QDir().mkpath(place.absolutePath());
        const QString old = folder.filePath(place.fileName());
        if (place.exists() || !isTrustedFile(old))
            continue;
        if (QFile::copy(old, file)) {
            // The copy takes the old file's mode, which may not let its new owner write.
            QFile::setPermissions(
                file, QFile::permissions(file) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        } else {
            // A full disk, say: the old file is read until a copy or a save gets through, so
            // that a save never puts the defaults in its place. Every start tries again.
            IniFile::carryOver(file, old);
        }
    }
    return locations;
}

QStringList helpFileCandidates(const QString &programFolder)
{
    const QDir folder(programFolder);
    return {folder.filePath(QStringLiteral("tilora.html")),
        QDir::cleanPath(folder.filePath(QStringLiteral("../../share/tilora/tilora.html")))};
}

QString findHelpFile(const QString &programFolder)
{
    const QStringList candidates = helpFileCandidates(programFolder);
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return candidates.first();
}

FileLocations fileLocationsOfThisProgram()
{
    return prepareFileLocations(programSurroundings(QCoreApplication::applicationDirPath()));
}

QString helpFileOfThisProgram()
{
    return findHelpFile(QCoreApplication::applicationDirPath());
}
