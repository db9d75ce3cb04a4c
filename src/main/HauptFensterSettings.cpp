// The settings file "tilora.ini": read once while the window is created, written once when
// it closes. In between the menus and the settings dialog change the values in memory only.

#include "main/HauptFenster.h"

#include "logic/IniFile.h"
#include "app/TiloraApplication.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString Section = QStringLiteral("Allgemein");

QString &settingsFolder()
{
    static QString folder;
    return folder;
}

// Colours are stored as 0x00BBGGRR: red in the low byte.
QColor colorFromValue(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int valueOfColor(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

int styleOfFont(const QFont &font)
{
    return (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0)
           | (font.strikeOut() ? 8 : 0);
}

} // namespace

QString TTiloraForm::settingsFilePath()
{
    const QString folder = settingsFolder().isEmpty() ? QCoreApplication::applicationDirPath()
                                                      : settingsFolder();
    return QDir(folder).filePath(QStringLiteral("tilora.ini"));
}

void TTiloraForm::setSettingsFolder(const QString &folder)
{
    settingsFolder() = folder;
}

void TTiloraForm::ReadSettings()
{
    const IniFile ini(settingsFilePath(), IniFile::ReadFailureHolds::WholeRun);
    SettingsFileExisted = ini.existed();
    if (ini.readError())
        TiloraApplication::reportError(ini.readError()->message());
    auto integer = [&ini](const char *key, int defaultValue) {
        return ini.readInteger(Section, QLatin1String(key), defaultValue);
    };
    auto boolean = [&ini](const char *key, bool defaultValue) {
        return ini.readBool(Section, QLatin1String(key), defaultValue);
    };

    PictureName = ini.readString(Section, QStringLiteral("Bild"), QStringLiteral("aussicht.jpg"));
    SetPictureMode(boolean("BildModus", true));
    SetAnimationSpeed(Clamp(0, integer("Animation", 2), 2));
    Transparenz1->setChecked(boolean("Transparenz", true));
    GridSize = Clamp(MinGridSize, integer("Groesse", 5), MaxGridSize);
    ZoomFactor = Clamp(2, integer("Zoom", 4), 10);
    TileWidth = TileHeight = Clamp(MinTileSize, integer("Steingroesse", 50), MaxTileSize);
    Steineumrahmen1->setChecked(boolean("SteinRahmen", true));
    Vorschau1->setChecked(boolean("Vorschau", false));
    TileColor = colorFromValue(Clamp(0, integer("SteinFarbe", 0x808080), 0xFFFFFF));
    BoardColor = colorFromValue(Clamp(0, integer("BrettFarbe", 0xFFFFFF), 0xFFFFFF));
    ShowShuffle = boolean("ZeigeMischen", false);
    SetShuffleDuration(Clamp(0, integer("Mischdauer", 2), 4));

    QFont boardFont = Brett->font();
    boardFont.setFamily(ini.readString(Section, QStringLiteral("SteinTextFont"),
                                       QStringLiteral("Arial")));
    const int points = integer("SteinTextGroesse", 9);
    // Any size is kept for the file; only sizes a font can have are applied.
    if (points > 0 && points <= 1000)
        boardFont.setPointSize(points);
    BoardFontColorValue = integer("SteinTextFarbe", 0);
    QPalette boardPalette = Brett->palette();
    boardPalette.setColor(QPalette::WindowText, colorFromValue(BoardFontColorValue));
    boardPalette.setColor(QPalette::Window, BoardColor);
    Brett->setPalette(boardPalette);
    const int style = integer("SteinTextStyle", 1);
    if (style >= 0 && style <= 15) {
        boardFont.setBold(style & 1);
        boardFont.setItalic(style & 2);
        boardFont.setUnderline(style & 4);
        boardFont.setStrikeOut(style & 8);
    }
    Brett->setFont(boardFont);

    GridSizeItems[GridSize - MinGridSize]->setChecked(true);
    TileGrid = {};
    FreeCol = FreeRow = GridSize - 1;
}

void TTiloraForm::WriteSettings()
{
    IniFile ini(settingsFilePath());
    const QFont boardFont = Brett->font();
    ini.writeInteger(Section, QStringLiteral("Groesse"), GridSize);
    ini.writeInteger(Section, QStringLiteral("SteinGroesse"), TileWidth);
    ini.writeBool(Section, QStringLiteral("Vorschau"), Vorschau1->isChecked());
    ini.writeString(Section, QStringLiteral("Bild"), PictureName);
    ini.writeBool(Section, QStringLiteral("BildModus"), PictureMode);
    ini.writeInteger(Section, QStringLiteral("Animation"), AnimationSpeed);
    ini.writeBool(Section, QStringLiteral("Steinrahmen"), Steineumrahmen1->isChecked());
    ini.writeBool(Section, QStringLiteral("Transparenz"), Transparenz1->isChecked());
    ini.writeInteger(Section, QStringLiteral("Mischdauer"), ShuffleDuration);
    ini.writeInteger(Section, QStringLiteral("Zoom"), ZoomFactor);
    ini.writeInteger(Section, QStringLiteral("Steinfarbe"), valueOfColor(TileColor));
    ini.writeInteger(Section, QStringLiteral("Brettfarbe"), valueOfColor(BoardColor));
    ini.writeString(Section, QStringLiteral("SteinTextFont"), boardFont.family());
    ini.writeInteger(Section, QStringLiteral("SteinTextGroesse"), boardFont.pointSize());
    ini.writeInteger(Section, QStringLiteral("SteinTextFarbe"), BoardFontColorValue);
    ini.writeInteger(Section, QStringLiteral("SteinTextStyle"), styleOfFont(boardFont));
    try {
        ini.save();
    } catch (const EIniFileError &error) {
        // The settings of this run are lost; the program still ends.
        TiloraApplication::reportError(error.message());
    }
}
