// The settings file "tilora.ini": read once while the window is created, written once when
// it closes. In between the menus and the settings dialog change the game's settings in
// memory only. The keys, their order and their reading rules are the settings value's
// (logic/Settings).

#include "main/HauptFenster.h"

#include "desktop/ErrorReport.h"
#include "logic/IniFile.h"
#include "logic/Settings.h"

void TTiloraForm::ReadSettings()
{
    const IniFile ini(m_settingsFile, IniFile::ReadFailureHolds::WholeRun);
    if (ini.readError()) {
        // Reported once; the file is not written over in this run.
        ReportError(ini.readError()->message());
    }
    const Settings settings = Settings::read(ini);
    m_settingsFileExisted = settings.fileExisted;
    m_game.setSettings(settings);
    applyBoardFont();
}

void TTiloraForm::applyBoardFont()
{
    // The board font reaches the tiles and their numbers, and nothing outside the board.
    const Settings &settings = m_game.settings();
    Brett->setFont(settings.boardFont());
    QPalette boardPalette = Brett->palette();
    boardPalette.setColor(QPalette::WindowText, settings.fontColor());
    boardPalette.setColor(QPalette::Window, settings.boardColor);
    Brett->setPalette(boardPalette);
}

void TTiloraForm::WriteSettings()
{
    // Another instance's save, between our read and our write, would be lost.
    const IniFileLock lock(m_settingsFile);
    IniFile ini(m_settingsFile);
    m_game.settings().write(ini);
    try {
        ini.save();
    } catch (const EIniFileError &error) {
        // The settings of this run are lost; the program still ends.
        ReportError(error.message());
    }
}
