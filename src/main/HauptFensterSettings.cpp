// The settings file "tilora.ini": read once while the window is created, written once when
// it closes. In between the menus and the settings dialog change the values in memory only.
// The keys, their order and their reading rules are the settings value's (logic/Settings).

#include "main/HauptFenster.h"

#include "logic/IniFile.h"
#include "logic/Settings.h"
#include "app/TiloraApplication.h"
#include "logic/FileLocations.h"

#include <QCoreApplication>
#include <QDir>

namespace {

QString &settingsFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString TTiloraForm::settingsFilePath()
{
    if (settingsFolder().isEmpty())
        return fileLocationsOfThisProgram().settingsFile;
    return QDir(settingsFolder()).filePath(QStringLiteral("tilora.ini"));
}

void TTiloraForm::setSettingsFolder(const QString &folder)
{
    settingsFolder() = folder;
}

void TTiloraForm::ReadSettings()
{
    const IniFile ini(settingsFilePath(), IniFile::ReadFailureHolds::WholeRun);
    if (ini.readError()) {
        // Reported once; the file is not written over in this run.
        TiloraApplication::reportError(ini.readError()->message());
    }
    setSettings(Settings::read(ini));
}

void TTiloraForm::setSettings(const Settings &settings)
{
    m_settings = settings;
    SetPictureMode(settings.pictureMode);
    // The game goes on where the board keeps its size.
    if (settings.gridSize != m_puzzle.gridSize()) {
        m_puzzle = m_puzzle.newBoard(settings.gridSize, m_puzzle.tileSize());
        m_tileGrid = {};
    }
    m_puzzle.setTileSize(fittingTileSize(settings.tileSize));
    PuzzleOptions &options = m_puzzle.options;
    options.transparent = settings.transparent;
    options.tileFrames = settings.tileFrames;
    options.solutionView = settings.solutionView;
    options.showShuffle = settings.showShuffle;
    applyBoardFont();
    updateMarks();
}

Settings TTiloraForm::settings() const
{
    Settings settings = m_settings;
    settings.gridSize = m_puzzle.gridSize();
    settings.transparent = m_puzzle.options.transparent;
    settings.tileFrames = m_puzzle.options.tileFrames;
    settings.solutionView = m_puzzle.options.solutionView;
    settings.showShuffle = m_puzzle.options.showShuffle;
    return settings;
}

void TTiloraForm::applyBoardFont()
{
    // The board font reaches the tiles and their numbers, and nothing outside the board.
    Brett->setFont(m_settings.boardFont());
    QPalette boardPalette = Brett->palette();
    boardPalette.setColor(QPalette::WindowText, m_settings.fontColor());
    boardPalette.setColor(QPalette::Window, m_settings.boardColor);
    Brett->setPalette(boardPalette);
}

void TTiloraForm::WriteSettings()
{
    IniFile ini(settingsFilePath());
    settings().write(ini);
    try {
        ini.save();
    } catch (const EIniFileError &error) {
        // The settings of this run are lost; the program still ends.
        TiloraApplication::reportError(error.message());
    }
}
